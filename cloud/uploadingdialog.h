#pragma once

#include "cloud/dropbox/dropboxfile.h"
#include "cloud/evernote/evernotemanager.h"
#include "cloud/google/googlefile.h"
#include "cloud/onedrive/onedrivefile.h"

#include <QDialog>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

namespace Ui {
class UploadingDialog;
}
class CloudThread;
class PMessage;

// One page file waiting for its upload.
struct UploadItem
{
    bool bDelete = false;   // a page only for the cloud: its local file goes once the service has it
    int nImageType = 0;
    bool bStarted = false;
    QString strFolderId;    // destination, in the form the service's uploader expects
    QString strFileName;    // full local path
};

// Uploads the pages of one scan job, one at a time, while the scan runs:
//
//   addUploadFile (each finished page) --> queue --> head: createFile --> finishedCreateFile
//     0:    remove the head (its local file too when it was only for the cloud) --> next
//     -201: ask: skip the page, or cancel the job
//     -210: ask: try again (up to three times in a row), or cancel
//     else: cancel the job and show the message
//   finishedScanning + empty queue (or a cancel) --> PMessage::finishedUploadFiles, once
//
// No page is lost: a local file goes only after the service confirmed it,
// or when the user cancelled a page that was only for the cloud. When the
// uploads end through a failure, pages only for the cloud are moved to the
// local folder (or left where they are) and named in a message.
class UploadingDialog : public QDialog
{
    Q_OBJECT
public:
    UploadingDialog(const QString &strTitle, PMessage *pMessage, int nCloudService, QWidget *parent = nullptr);
    ~UploadingDialog() override;

    void addUploadFile(const QString &strFolderId, const QString &strFileName, int nImageType, bool bDelete);
    // The scan job's thread has ended.
    void finishedScanning(bool bCancelled);
    // Where pages only for the cloud go when they could not be uploaded.
    void setLocalFolder(const QString &strFolder);

public slots:
    void reject() override;
    void finishedCreateFile(int nErrorCode, QString strName, QString strId);
    void finishedCloudThread();
    void cancelScanningJob();

protected:
    // Escape would cancel the whole job; only the button does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void uploadNext(bool bRetry);
    void startTransfer(const UploadItem &item);
    void abortTransfer();
    void showTransferText();
    void postErrorMessage(int nErrorCode);
    void askToSkip(const QString &strName);
    void askToRetry();
    void failJob(int nErrorCode);
    void finishUploads();
    void endUploads();
    void removeFirstItem(bool bUploaded);
    void deleteQueuedFiles();
    void keepQueuedFiles();
    void keepPage(const QString &path);
    bool isCancelled();
    bool isScanFinished();

    Ui::UploadingDialog *ui;
    QString strTitle;
    PMessage *pMessage;
    bool bScanFinished = false;
    bool bCancelled = false;
    bool bMessageShowing = false;
    int nCloudService;
    int nPage = 0;
    int nFailures = 0;
    QSet<CloudThread *> threads;
    QMutex queueMutex;
    QMutex stateMutex;
    QList<UploadItem> queue;
    GoogleFile googleFile;
    OneDriveFile oneDriveFile;
    EvernoteManager evernoteManager;
    DropboxFile dropboxFile;

    QString strLocalFolder;
    bool bKeepPages = false;    // the uploads end through a failure, not a cancel
    bool bFinishedSent = false;
    bool bEndWaiting = false;   // the end waits for an Evernote thread to stop
    QStringList keptPages;      // where pages that were not uploaded are now
};
