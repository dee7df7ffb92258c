#include "cloud/cloudfolderdialog.h"
#include "ui_cloudfolderdialog.h"

#include "app/configfile.h"
#include "app/errormessage.h"
#include "app/globals.h"
#include "cloud/cloudservice.h"
#include "cloud/downloadfolderdialog.h"
#include "cloud/dropbox/dropboxfolder.h"
#include "cloud/evernote/evernotemanager.h"
#include "cloud/google/googlefolder.h"
#include "cloud/onedrive/onedrivefolder.h"
#include "cloud/foldernamedialog.h"

#include <QDebug>
#include <QTreeWidgetItem>

CloudFolderDialog::CloudFolderDialog(const QString &strTitle, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::CloudFolderDialog)
    , strTitle(strTitle)
{
    ui->setupUi(this);
}

CloudFolderDialog::~CloudFolderDialog()
{
    delete ui;
}

template <class Fn>
bool CloudFolderDialog::withFolder(Fn &&fn) const
{
    // Only what answers at once: look-ups and the tree. The operations that
    // go to the service run in the wait dialog.
    switch (nCloudService) {
    case CloudDropbox:
        if (dropboxFolder) {
            fn(*dropboxFolder);
            return true;
        }
        break;
    case CloudEvernote:
        if (evernoteManager) {
            fn(*evernoteManager);
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

void CloudFolderDialog::setDropboxFolder(DropboxFolder *folder)
{
    nCloudService = CloudDropbox;
    dropboxFolder = folder;
    initialise();
}

void CloudFolderDialog::setEvernoteManager(EvernoteManager *manager)
{
    nCloudService = CloudEvernote;
    evernoteManager = manager;
    initialise();
}

void CloudFolderDialog::setGoogleFolder(GoogleFolder *folder)
{
    nCloudService = CloudGoogleDrive;
    googleFolder = folder;
    initialise();
}

void CloudFolderDialog::setOneDriveFolder(OneDriveFolder *folder)
{
    nCloudService = CloudOneDrive;
    oneDriveFolder = folder;
    initialise();
}

void CloudFolderDialog::initialise()
{
    setWindowFlags(windowFlags() & ~(Qt::WindowContextHelpButtonHint | Qt::WindowMaximizeButtonHint));
    setWindowTitle(tr("Browse For Folder"));
    QString service;
    switch (nCloudService) {
    case CloudGoogleDrive: service = tr("GoogleDrive"); break;
    case CloudOneDrive: service = tr("OneDrive"); break;
    case CloudEvernote: service = tr("Evernote"); break;
    case CloudDropbox: service = tr("Dropbox"); break;
    case CloudSharePoint: service = tr("SharePoint Online"); break;
    default: break;
    }
    ui->labelCloudFolderTitle->setText(service);
    ui->pushButtonCloudRefresh->setText(tr("Refresh"));
    ui->pushButtonMekeNewFolder->setText(tr("Make New Folder"));
    ui->pushButtonOK->setText(tr("OK"));
    ui->pushButtonCancel->setText(tr("Cancel"));

    connect(ui->pushButtonOK, &QPushButton::clicked, this, &CloudFolderDialog::clickedBtnOK, Qt::UniqueConnection);
    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &CloudFolderDialog::clickedBtnCancel,
            Qt::UniqueConnection);
    connect(ui->pushButtonCloudRefresh, &QPushButton::clicked, this, &CloudFolderDialog::clickedRefresh,
            Qt::UniqueConnection);
    connect(ui->pushButtonMekeNewFolder, &QPushButton::clicked, this, &CloudFolderDialog::clickedMakeNewFolder,
            Qt::UniqueConnection);

    if (nCloudService == CloudSharePoint)
        return;
    ui->comboBoxSharePointFolder->hide();
    buildTree();
}

void CloudFolderDialog::buildTree()
{
    QString rootText;
    switch (nCloudService) {
    case CloudGoogleDrive: rootText = tr("My Drive"); break;
    case CloudOneDrive: rootText = tr("OneDrive"); break;
    case CloudEvernote: rootText = tr("Notebooks"); break;
    case CloudDropbox: rootText = tr("Dropbox"); break;
    default: break;
    }
    QString rootId;
    withFolder([&](const auto &folder) { rootId = folder.rootFolderId(); });
    QTreeWidgetItem *root = addCloudFolderItem(nullptr, rootText, rootId);
    ui->treeWidgetCloudFolder->addTopLevelItem(root);
    root->setExpanded(true);
    ui->treeWidgetCloudFolder->setCurrentItem(root);
    withFolder([root](const auto &folder) { folder.fillFolderTree(root); });
}

QTreeWidgetItem *CloudFolderDialog::findItem(QTreeWidgetItem *under, const QString &id) const
{
    if (!under)
        return nullptr;
    if (cloudFolderItemId(under) == id)
        return under;
    for (int i = 0; i < under->childCount(); ++i) {
        if (QTreeWidgetItem *found = findItem(under->child(i), id))
            return found;
    }
    return nullptr;
}

bool CloudFolderDialog::hasFolderObject() const
{
    return withFolder([](const auto &) {});
}

void CloudFolderDialog::lendFolder(DownloadFolderDialog &wait, int nMode, const QString &parentId,
                                   const QString &name)
{
    switch (nCloudService) {
    case CloudDropbox: wait.setDropboxFolder(dropboxFolder, nMode, parentId, name); break;
    case CloudEvernote: wait.setEvernoteManager(evernoteManager, nMode, parentId, name); break;
    case CloudGoogleDrive: wait.setGoogleFolder(googleFolder, nMode, parentId, name); break;
    case CloudOneDrive: wait.setOneDriveFolder(oneDriveFolder, nMode, parentId, name); break;
    default: break;
    }
}

void CloudFolderDialog::getCloudFolder(QString &strName, QString &strId, QString &strPath) const
{
    strName = strCloudFolder;
    strId = strCloudFolderId;
    strPath = strCloudFolderPath;
}

void CloudFolderDialog::clickedBtnOK()
{
    qDebug() << "CloudFolderDialog::clickedBtnOK";
    QTreeWidgetItem *item = ui->treeWidgetCloudFolder->currentItem();
    if (!item) {
        reject();
        return;
    }
    switch (nCloudService) {
    case CloudGoogleDrive:
    case CloudOneDrive:
    case CloudDropbox: {
        strCloudFolderId = cloudFolderItemId(item);
        strCloudFolder = item->text(0);
        withFolder([this](const auto &folder) { folder.findFolder(strCloudFolder, strCloudFolderId, strCloudFolderPath); });
        const QString file = configFile().uiConfigFile();
        const QString prefix = cloudSettingsPrefix(nCloudService);
        writeHexValue(file, prefix + QStringLiteral("CloudFolder"), strCloudFolder);
        writeHexValue(file, prefix + QStringLiteral("CloudFolderId"), strCloudFolderId);
        accept();
        return;
    }
    case CloudEvernote: {
        // A notebook only: not the top item, and not a stack (whose
        // identifier is its name, no notebook's guid).
        QString id = cloudFolderItemId(item);
        QString name = item->text(0);
        QString path;
        if (id.isEmpty() || !evernoteManager || !evernoteManager->findFolder(name, id, path)) {
            postErrorMessage(-207);
            return;
        }
        strCloudFolderId = id;
        strCloudFolder = name;
        strCloudFolderPath = path;
        const QString file = configFile().uiConfigFile();
        writeHexValue(file, QStringLiteral("evernote/CloudFolder"), strCloudFolder);
        writeHexValue(file, QStringLiteral("evernote/CloudFolderId"), strCloudFolderId);
        accept();
        return;
    }
    default:
        accept();
        return;
    }
}

void CloudFolderDialog::clickedBtnCancel()
{
    qDebug() << "CloudFolderDialog::clickedBtnCancel";
    reject();
}

void CloudFolderDialog::clickedRefresh()
{
    qDebug() << "CloudFolderDialog::clickedRefresh";
    if (!hasFolderObject())
        return;
    DownloadFolderDialog wait(strTitle, this);
    lendFolder(wait, DownloadFolderDialog::ModeRefresh, QString(), QString());
    if (wait.exec() != Accepted) {
        postErrorMessage(wait.errorCode());
        return;
    }
    ui->treeWidgetCloudFolder->clear();
    buildTree();
}

void CloudFolderDialog::clickedMakeNewFolder()
{
    qDebug() << "CloudFolderDialog::clickedMakeNewFolder";
    QTreeWidgetItem *item = ui->treeWidgetCloudFolder->currentItem();
    if (!item || !hasFolderObject())
        return;
    FolderNameDialog nameDialog(this);
    if (nameDialog.exec() != Accepted)
        return;
    const QString name = nameDialog.folderName();
    QString parentId = cloudFolderItemId(item);
    if (nCloudService == CloudEvernote && evernoteManager) {
        // Notebooks live in stacks, not in each other: the new one goes
        // into the stack of what is chosen.
        if (parentId.isEmpty())
            parentId = item->text(0);
        parentId = evernoteManager->stackFor(parentId);
    }

    DownloadFolderDialog wait(strTitle, this);
    lendFolder(wait, DownloadFolderDialog::ModeCreate, parentId, name);
    if (wait.exec() != Accepted) {
        postErrorMessage(wait.errorCode());
        return;
    }
    ui->treeWidgetCloudFolder->clear();
    buildTree();
    // The folder just made is the one the user most likely wants next.
    QTreeWidgetItem *made = wait.createdFolderId().isEmpty()
                                ? nullptr
                                : findItem(ui->treeWidgetCloudFolder->topLevelItem(0), wait.createdFolderId());
    if (made) {
        for (QTreeWidgetItem *up = made->parent(); up; up = up->parent())
            up->setExpanded(true);
        ui->treeWidgetCloudFolder->setCurrentItem(made);
    }
}

void CloudFolderDialog::postErrorMessage(int nErrorCode)
{
    qDebug() << "CloudFolderDialog::postErrorMessage";
    qDebug() << "Error code:" << nErrorCode;
    showErrorCode(this, nErrorCode, tr("Information"));
}
