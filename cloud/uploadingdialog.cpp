#include "cloud/uploadingdialog.h"
#include "ui_uploadingdialog.h"

#include "app/errormessage.h"
#include "cloud/cloudservice.h"
#include "cloud/cloudthread.h"
#include "scan/pmessage.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMutexLocker>

namespace {
// A free name for a page moved into folder: "name.jpg", else "name (2).jpg" ...
QString freeNameIn(const QString &folder, const QString &fileName)
{
    const QDir dir(folder);
    QString candidate = dir.filePath(fileName);
    const QFileInfo info(fileName);
    const QString stem = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    for (int n = 2; QFileInfo::exists(candidate) && n < 10000; ++n)
        candidate = dir.filePath(QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix));
    return candidate;
}
} // namespace

UploadingDialog::UploadingDialog(const QString &strTitle, PMessage *pMessage, int nCloudService, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::UploadingDialog)
    , strTitle(strTitle)
    , pMessage(pMessage)
    , nCloudService(nCloudService)
{
    ui->setupUi(this);
    setWindowFlags((windowFlags() & ~(Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint
                                      | Qt::WindowMaximizeButtonHint))
                   | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(strTitle);
    ui->pushButtonCancel->setText(tr("Cancel"));
    // A busy indicator: the service reports no share of a page.
    ui->progressBarUploading->setRange(0, 0);
    ui->progressBarUploading->setValue(0);
    // The transfer text reads as a label.
    QPalette palette = ui->textEditTransferInfo->palette();
    const QBrush window = palette.brush(QPalette::Window);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, QPalette::Base, window);
    ui->textEditTransferInfo->setPalette(palette);

    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &UploadingDialog::reject);
    connect(&dropboxFile, &DropboxFile::finishedCreateFile, this, &UploadingDialog::finishedCreateFile,
            Qt::QueuedConnection);
    connect(&googleFile, &GoogleFile::finishedCreateFile, this, &UploadingDialog::finishedCreateFile,
            Qt::QueuedConnection);
    connect(&oneDriveFile, &OneDriveFile::finishedCreateFile, this, &UploadingDialog::finishedCreateFile,
            Qt::QueuedConnection);
    if (pMessage)
        connect(pMessage, &PMessage::cancelScanningJob, this, &UploadingDialog::cancelScanningJob,
                Qt::QueuedConnection);
}

UploadingDialog::~UploadingDialog()
{
    disconnect(ui->pushButtonCancel, nullptr, this, nullptr);
    disconnect(&dropboxFile, nullptr, this, nullptr);
    disconnect(&googleFile, nullptr, this, nullptr);
    disconnect(&oneDriveFile, nullptr, this, nullptr);
    if (pMessage)
        disconnect(pMessage, nullptr, this, nullptr);
    for (CloudThread *thread : qAsConst(threads)) {
        disconnect(thread, nullptr, this, nullptr);
        thread->cancelOperation();
        thread->wait();
        delete thread;
    }
    // Queued files stay as they are: what happens to them was decided before.
    queue.clear();
    delete ui;
}

void UploadingDialog::setLocalFolder(const QString &strFolder)
{
    strLocalFolder = strFolder;
}

bool UploadingDialog::isCancelled()
{
    QMutexLocker lock(&stateMutex);
    return bCancelled;
}

bool UploadingDialog::isScanFinished()
{
    QMutexLocker lock(&stateMutex);
    return bScanFinished;
}

void UploadingDialog::addUploadFile(const QString &strFolderId, const QString &strFileName, int nImageType,
                                    bool bDelete)
{
    qDebug() << "UploadingDialog::addUploadFile" << strFileName << nImageType << bDelete;
    {
        QMutexLocker lock(&queueMutex);
        UploadItem item;
        item.bDelete = bDelete;
        item.nImageType = nImageType;
        item.strFolderId = strFolderId;
        item.strFileName = strFileName;
        queue.append(item);
    }
    uploadNext(false);
    show();
}

void UploadingDialog::uploadNext(bool bRetry)
{
    QMutexLocker lock(&queueMutex);
    if (queue.isEmpty()) {
        lock.unlock();
        hide();
        if (isCancelled())
            finishUploads();
        else if (isScanFinished())
            endUploads();
        return;
    }
    UploadItem &head = queue.first();
    if (head.bStarted && !bRetry) {
        lock.unlock();
        showTransferText();
        return;
    }
    if (isCancelled()) {
        // Nothing new starts after a cancel; what is queued is settled at the end.
        lock.unlock();
        finishUploads();
        return;
    }
    head.bStarted = true;
    if (!bRetry)
        ++nPage;
    const UploadItem item = head;
    lock.unlock();
    showTransferText();
    startTransfer(item);
}

void UploadingDialog::startTransfer(const UploadItem &item)
{
    switch (nCloudService) {
    case CloudDropbox:
        dropboxFile.createFile(item.strFolderId, item.strFileName, item.nImageType);
        break;
    case CloudGoogleDrive:
        googleFile.createFile(item.strFolderId, item.strFileName, item.nImageType);
        break;
    case CloudOneDrive:
        oneDriveFile.createFile(item.strFolderId, item.strFileName, item.nImageType);
        break;
    case CloudEvernote: {
        auto *thread = new CloudThread;
        thread->setOperation(&evernoteManager, RequestUploadData, item.strFolderId, item.strFileName, item.nImageType);
        connect(thread, &QThread::finished, this, &UploadingDialog::finishedCloudThread);
        connect(thread, &CloudThread::finishedCreateFile, this, &UploadingDialog::finishedCreateFile);
        threads.insert(thread);
        thread->start(QThread::InheritPriority);
        break;
    }
    default:
        // A service without uploads here: the page stays on this computer.
        QMetaObject::invokeMethod(this, "finishedCreateFile", Qt::QueuedConnection, Q_ARG(int, -210),
                                  Q_ARG(QString, item.strFileName), Q_ARG(QString, QString()));
        break;
    }
}

void UploadingDialog::abortTransfer()
{
    switch (nCloudService) {
    case CloudDropbox: dropboxFile.abortAllReplies(); break;
    case CloudGoogleDrive: googleFile.abortAllReplies(); break;
    case CloudOneDrive: oneDriveFile.abortAllReplies(); break;
    case CloudEvernote: {
        const QSet<CloudThread *> running = threads;
        for (CloudThread *thread : running)
            thread->cancelOperation();
        break;
    }
    default: break;
    }
}

void UploadingDialog::finishedCloudThread()
{
    qDebug() << "UploadingDialog::finishedCloudThread";
    auto *thread = qobject_cast<CloudThread *>(sender());
    if (!thread || !threads.remove(thread))
        return;
    thread->wait();
    delete thread;
    if (bEndWaiting && threads.isEmpty())
        endUploads();
}

void UploadingDialog::showTransferText()
{
    QString name;
    {
        QMutexLocker lock(&queueMutex);
        if (!queue.isEmpty())
            name = QFileInfo(queue.first().strFileName).fileName();
    }
    ui->textEditTransferInfo->setPlainText(
        tr("Upload image files to the cloud server. Transfer page %1\nFile name: %2").arg(nPage).arg(name));
}

void UploadingDialog::finishedCreateFile(int nErrorCode, QString strName, QString strId)
{
    qDebug() << "UploadingDialog::finishedCreateFile" << nErrorCode << strName << strId;
    {
        QMutexLocker lock(&queueMutex);
        // Only the upload in flight answers; anything else is stale.
        if (queue.isEmpty() || !queue.first().bStarted || queue.first().strFileName != strName) {
            qDebug() << "Not the upload in flight";
            return;
        }
    }
    if (nErrorCode == 0) {
        nFailures = 0;
        removeFirstItem(true);
        uploadNext(false);
        return;
    }
    if (isCancelled()) {
        finishUploads();
        return;
    }
    ++nFailures;
    if (nErrorCode == -201)
        askToSkip(strName);
    else if (nErrorCode == -210 && nFailures <= 3)
        askToRetry();
    else
        failJob(nErrorCode);
}

void UploadingDialog::askToSkip(const QString &strName)
{
    if (bMessageShowing)
        return;
    bMessageShowing = true;
    const int answer = askQuestion(this, tr("Information"),
                                   tr("The \"%1\" file does not exist, do you want to skip this file?\nOK: Skip this "
                                      "file\nCancel: Cancel current job")
                                       .arg(QFileInfo(strName).fileName()),
                                   QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    bMessageShowing = false;
    if (answer == QMessageBox::Ok) {
        removeFirstItem(false);
        uploadNext(false);
        if (isCancelled())
            finishUploads();
        return;
    }
    reject();
    finishUploads();
}

void UploadingDialog::askToRetry()
{
    if (bMessageShowing)
        return;
    bMessageShowing = true;
    const int answer = askQuestion(this, tr("Information"),
                                   tr("Uploading the image file failed, do you want to try uploading the file "
                                      "again?\nYes: Upload again\nNo: Cancel upload"),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    bMessageShowing = false;
    if (answer == QMessageBox::Yes) {
        uploadNext(true);
        if (isCancelled())
            finishUploads();
        return;
    }
    // The page failed; giving up on it must not throw it away.
    bKeepPages = true;
    reject();
    finishUploads();
}

void UploadingDialog::failJob(int nErrorCode)
{
    if (bMessageShowing)
        return;
    bMessageShowing = true;
    bKeepPages = true;
    reject();
    postErrorMessage(nErrorCode);
    bMessageShowing = false;
    finishUploads();
}

void UploadingDialog::postErrorMessage(int nErrorCode)
{
    qDebug() << "UploadingDialog::postErrorMessage";
    qDebug() << "Error code:" << nErrorCode;
    showErrorCode(this, nErrorCode, tr("Information"));
}

void UploadingDialog::reject()
{
    qDebug() << "UploadingDialog::reject";
    {
        QMutexLocker lock(&stateMutex);
        if (bCancelled)
            return;
        bCancelled = true;
    }
    if (pMessage)
        emit pMessage->cancelScanningJob();
    ui->pushButtonCancel->setEnabled(false);
    abortTransfer();
}

void UploadingDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void UploadingDialog::cancelScanningJob()
{
    qDebug() << "UploadingDialog::cancelScanningJob";
    if (!isCancelled())
        reject();
}

void UploadingDialog::finishedScanning(bool bCancelled)
{
    qDebug() << "UploadingDialog::finishedScanning" << bCancelled;
    {
        QMutexLocker lock(&stateMutex);
        bScanFinished = true;
    }
    if (!bCancelled) {
        uploadNext(false);
        return;
    }
    // A cancelled job cancels its uploads too, the one in flight included.
    if (!isCancelled())
        reject();
    finishUploads();
}

void UploadingDialog::finishUploads()
{
    if (!isScanFinished() || bMessageShowing || bFinishedSent || bEndWaiting)
        return;
    if (bKeepPages)
        keepQueuedFiles();
    else
        deleteQueuedFiles();
    endUploads();
}

void UploadingDialog::endUploads()
{
    if (bFinishedSent)
        return;
    // The window deletes this dialog at the end; a thread still running
    // would be deleted under itself.
    if (!threads.isEmpty()) {
        bEndWaiting = true;
        return;
    }
    bFinishedSent = true;
    if (!keptPages.isEmpty()) {
        hide();
        showWarning(this, tr("Information"),
                    tr("These pages were not uploaded and are kept on this computer:\n%1").arg(keptPages.join('\n')));
    }
    if (pMessage)
        emit pMessage->finishedUploadFiles();
}

void UploadingDialog::removeFirstItem(bool bUploaded)
{
    UploadItem head;
    {
        QMutexLocker lock(&queueMutex);
        if (queue.isEmpty())
            return;
        head = queue.takeFirst();
    }
    if (!head.bDelete)
        return;
    if (bUploaded)
        QFile::remove(head.strFileName);
    else
        keepPage(head.strFileName); // skipped, yet perhaps still there (unreadable)
}

void UploadingDialog::deleteQueuedFiles()
{
    QMutexLocker lock(&queueMutex);
    for (const UploadItem &item : qAsConst(queue)) {
        if (item.bDelete)
            QFile::remove(item.strFileName);
    }
}

void UploadingDialog::keepQueuedFiles()
{
    QStringList paths;
    {
        QMutexLocker lock(&queueMutex);
        for (const UploadItem &item : qAsConst(queue)) {
            if (item.bDelete)
                paths << item.strFileName;
        }
    }
    for (const QString &path : paths)
        keepPage(path);
}

void UploadingDialog::keepPage(const QString &path)
{
    if (!QFileInfo::exists(path))
        return;
    QString kept = path;
    if (!strLocalFolder.isEmpty() && QFileInfo(strLocalFolder).isDir()) {
        const QString target = freeNameIn(strLocalFolder, QFileInfo(path).fileName());
        if (QFile::rename(path, target))
            kept = target;
    }
    keptPages << QDir::toNativeSeparators(kept);
}
