#include "cloud/downloadfolderdialog.h"
#include "ui_downloadfolderdialog.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "cloud/cloudservice.h"
#include "cloud/cloudthread.h"
#include "cloud/dropbox/dropboxfolder.h"
#include "cloud/evernote/evernotemanager.h"
#include "cloud/google/googlefolder.h"
#include "cloud/onedrive/onedrivefolder.h"
#include "scan/scanrequest.h"

#include <QDebug>

namespace {
// The destination a fresh sign-in settles on when none is stored.
const char kDefaultFolder[] = "Scan";

QString folderKey(int nCloudService)
{
    return cloudSettingsPrefix(nCloudService) + QStringLiteral("CloudFolder");
}

QString folderIdKey(int nCloudService)
{
    return cloudSettingsPrefix(nCloudService) + QStringLiteral("CloudFolderId");
}
} // namespace

DownloadFolderDialog::DownloadFolderDialog(const QString &strTitle, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DownloadFolderDialog)
    , strTitle(strTitle)
{
    ui->setupUi(this);
    setWindowTitle(strTitle);
    ui->labelInfo->setText(tr("Getting cloud data, please wait."));
    ui->pushButtonCancel->setText(tr("Cancel"));
    setWindowFlags((windowFlags() & ~(Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint
                                      | Qt::WindowMaximizeButtonHint))
                   | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &DownloadFolderDialog::reject);
}

DownloadFolderDialog::~DownloadFolderDialog()
{
    for (QObject *folder : std::initializer_list<QObject *>{dropboxFolder, googleFolder, oneDriveFolder}) {
        if (folder)
            disconnect(folder, nullptr, this, nullptr);
    }
    // A thread may still be between its answer and its end.
    for (CloudThread *thread : qAsConst(threads)) {
        disconnect(thread, nullptr, this, nullptr);
        thread->cancelOperation();
        thread->wait();
        delete thread;
    }
    delete ui;
}

template <class Fn>
bool DownloadFolderDialog::withFolder(Fn &&fn)
{
    switch (nCloudService) {
    case CloudDropbox:
        if (dropboxFolder) {
            fn(*dropboxFolder);
            return true;
        }
        break;
    case CloudGoogleDrive:
        if (googleFolder) {
            fn(*googleFolder);
            return true;
        }
        break;
    case CloudOneDrive:
        if (oneDriveFolder) {
            fn(*oneDriveFolder);
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

template <class Folder>
void DownloadFolderDialog::connectFolder(Folder *folder)
{
    if (!folder)
        return;
    // Queued: an answer given inside the call that starts the operation
    // arrives once the dialog runs.
    connect(folder, &Folder::finishedDownloadFolder, this, &DownloadFolderDialog::finishedDownloadFolder,
            Qt::QueuedConnection);
    connect(folder, &Folder::finishedCreateFolder, this, &DownloadFolderDialog::finishedCreateFolder,
            Qt::QueuedConnection);
}

template <class Fn>
bool DownloadFolderDialog::withAnyFolder(Fn &&fn)
{
    if (nCloudService == CloudEvernote && evernoteManager) {
        fn(*evernoteManager);
        return true;
    }
    return withFolder(fn);
}

void DownloadFolderDialog::setMode(int nCloudService, int nMode, const QString &strParentId, const QString &strName)
{
    this->nCloudService = nCloudService;
    this->nMode = nMode;
    this->strParentId = strParentId;
    this->strName = strName;
}

void DownloadFolderDialog::setEvernoteManager(EvernoteManager *manager, int nMode, const QString &strParentId,
                                              const QString &strName)
{
    setMode(CloudEvernote, nMode, strParentId, strName);
    evernoteManager = manager;
    start();
}

void DownloadFolderDialog::setDropboxFolder(DropboxFolder *folder, int nMode, const QString &strParentId,
                                            const QString &strName)
{
    setMode(CloudDropbox, nMode, strParentId, strName);
    dropboxFolder = folder;
    connectFolder(folder);
    start();
}

void DownloadFolderDialog::setGoogleFolder(GoogleFolder *folder, int nMode, const QString &strParentId,
                                           const QString &strName)
{
    setMode(CloudGoogleDrive, nMode, strParentId, strName);
    googleFolder = folder;
    connectFolder(folder);
    start();
}

void DownloadFolderDialog::setOneDriveFolder(OneDriveFolder *folder, int nMode, const QString &strParentId,
                                             const QString &strName)
{
    setMode(CloudOneDrive, nMode, strParentId, strName);
    oneDriveFolder = folder;
    connectFolder(folder);
    start();
}

void DownloadFolderDialog::start()
{
    if (nMode == ModeCreate) {
        startCreate(strParentId, strName);
        return;
    }
    startListing();
}

void DownloadFolderDialog::startThread(int nOperation, const QString &strArg1, const QString &strArg2)
{
    auto *thread = new CloudThread;
    thread->setOperation(evernoteManager, nOperation, strArg1, strArg2);
    connect(thread, &QThread::finished, this, &DownloadFolderDialog::finishedCloudThread);
    connect(thread, &CloudThread::finishedDownloadFolder, this, &DownloadFolderDialog::finishedDownloadFolder);
    connect(thread, &CloudThread::finishedCreateFolder, this, &DownloadFolderDialog::finishedCreateFolder);
    threads.insert(thread);
    thread->start(QThread::InheritPriority);
}

void DownloadFolderDialog::startListing()
{
    if (nCloudService == CloudEvernote && evernoteManager) {
        startThread(RequestListFolders);
        return;
    }
    if (!withFolder([](auto &folder) { folder.listAllFolders(); })) {
        nErrorCode = -206;
        end(Rejected);
    }
}

bool DownloadFolderDialog::startCreate(const QString &parentId, const QString &name)
{
    if (nCloudService == CloudEvernote && evernoteManager) {
        startThread(RequestCreateFolder, parentId, name);
        return true;
    }
    int rc = -205;
    withFolder([&](auto &folder) { rc = folder.createFolder(parentId, name); });
    if (rc == 0)
        return true;
    // Some refusals (an unknown parent) come without an answer signal, so
    // the dialog ends here rather than wait for one.
    nErrorCode = rc;
    abortOperation();
    end(Rejected);
    return false;
}

void DownloadFolderDialog::abortOperation()
{
    if (nCloudService == CloudEvernote) {
        const QSet<CloudThread *> running = threads;
        for (CloudThread *thread : running)
            thread->cancelOperation();
        return;
    }
    withFolder([](auto &folder) { folder.abortAllReplies(); });
}

void DownloadFolderDialog::finishedCloudThread()
{
    qDebug() << "DownloadFolderDialog::finishedCloudThread";
    auto *thread = qobject_cast<CloudThread *>(sender());
    if (!thread || !threads.remove(thread))
        return;
    thread->wait();
    delete thread;
}

int DownloadFolderDialog::exec()
{
    if (bEnded)
        return result();
    bRunning = true;
    const int rc = QDialog::exec();
    bRunning = false;
    return rc;
}

void DownloadFolderDialog::end(int result)
{
    if (bEnded)
        return;
    bEnded = true;
    if (bRunning)
        done(result);
    else
        setResult(result);
}

void DownloadFolderDialog::finishedDownloadFolder(int nErrorCode, int nCloudService)
{
    qDebug() << "DownloadFolderDialog::finishedDownloadFolder" << nErrorCode << nCloudService;
    if (bEnded)
        return;
    if (nErrorCode != 0) {
        this->nErrorCode = nErrorCode;
        end(Rejected);
        return;
    }
    if (nMode == ModeSignIn && !settleDestination())
        return; // waits for the folder it is creating
    end(Accepted);
}

void DownloadFolderDialog::finishedCreateFolder(int nErrorCode, int nCloudService, QString strCloudFolder,
                                                QString strCloudFolderId)
{
    qDebug() << "DownloadFolderDialog::finishedCreateFolder" << nErrorCode << nCloudService << strCloudFolder;
    if (bEnded)
        return;
    if (nErrorCode != 0) {
        this->nErrorCode = nErrorCode;
        end(Rejected);
        return;
    }
    strCreatedId = strCloudFolderId;
    if (nMode == ModeSignIn) {
        // The identifier, for Dropbox too: a folder stored by its path could
        // not be found again by identifier, and pages would land in the top
        // folder instead.
        storeDestination(strCloudFolder, strCloudFolderId);
        end(Accepted);
        return;
    }
    startListing();
}

bool DownloadFolderDialog::settleDestination()
{
    const QString file = configFile().uiConfigFile();
    QString name = readHexValue(file, folderKey(nCloudService));
    QString id = readHexValue(file, folderIdKey(nCloudService));
    if (id.isEmpty())
        name = QLatin1String(kDefaultFolder);
    QString path;
    bool found = false;
    withAnyFolder([&](auto &folder) { found = folder.findFolder(name, id, path); });
    if (!found) {
        name = QLatin1String(kDefaultFolder);
        id.clear();
        withAnyFolder([&](auto &folder) { found = folder.findFolder(name, id, path); });
        if (!found) {
            QString top;
            withAnyFolder([&](auto &folder) { top = folder.rootFolderId(); });
            startCreate(top, name);
            return false;
        }
    }
    storeDestination(name, id);
    return true;
}

void DownloadFolderDialog::storeDestination(const QString &name, const QString &id)
{
    const QString file = configFile().uiConfigFile();
    writeHexValue(file, folderKey(nCloudService), name);
    writeHexValue(file, folderIdKey(nCloudService), id);
    ScanRequest &r = scanRequest();
    setWideText(r.cloudFolderPath, name);
    setWideText(r.cloudFolderId, id);
}

void DownloadFolderDialog::reject()
{
    qDebug() << "DownloadFolderDialog::reject";
    if (bEnded)
        return;
    ui->pushButtonCancel->setEnabled(false);
    abortOperation();
}
