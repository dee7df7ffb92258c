#pragma once

#include <QDialog>
#include <QSet>
#include <QString>

namespace Ui {
class DownloadFolderDialog;
}
class CloudThread;
class DropboxFolder;
class EvernoteManager;
class GoogleFolder;
class OneDriveFolder;

// A small modal wait dialog around one operation of a service's folder
// object; it closes itself when the operation answers:
//
//   mode 0 (Refresh):  listAllFolders --> finishedDownloadFolder --> Accepted
//   mode 1 (sign-in):  listAllFolders --> finishedDownloadFolder --> settle the destination:
//                      the stored folder, else "Scan", else createFolder("Scan")
//                      --> finishedCreateFolder --> Accepted
//   mode 2 (new):      createFolder --> finishedCreateFolder --> listAllFolders
//                      --> finishedDownloadFolder --> Accepted
//
// Any error closes it Rejected with the code. Cancel aborts the operation;
// the aborted operation's answer (-6) is what closes the dialog.
class DownloadFolderDialog : public QDialog
{
    Q_OBJECT
public:
    enum Mode { ModeRefresh = 0, ModeSignIn = 1, ModeCreate = 2 };

    explicit DownloadFolderDialog(const QString &strTitle, QWidget *parent = nullptr);
    ~DownloadFolderDialog() override;

    // Lends the service's folder object and starts the operation; exactly
    // one setter is called, then exec().
    void setDropboxFolder(DropboxFolder *folder, int nMode, const QString &strParentId, const QString &strName);
    void setGoogleFolder(GoogleFolder *folder, int nMode, const QString &strParentId, const QString &strName);
    void setOneDriveFolder(OneDriveFolder *folder, int nMode, const QString &strParentId, const QString &strName);
    // Evernote: notebooks, run on a CloudThread; strParentId is the stack.
    void setEvernoteManager(EvernoteManager *manager, int nMode, const QString &strParentId, const QString &strName);

    // Meaningful when the dialog ended Rejected.
    int errorCode() const { return nErrorCode; }
    // The identifier of the folder that mode 2 created.
    QString createdFolderId() const { return strCreatedId; }

    // An operation that failed before the dialog ran ends exec() at once.
    int exec() override;

public slots:
    void finishedDownloadFolder(int nErrorCode, int nCloudService);
    void finishedCreateFolder(int nErrorCode, int nCloudService, QString strCloudFolder, QString strCloudFolderId);
    void finishedCloudThread();
    void reject() override;

private:
    // The asynchronous folder objects; Evernote's blocking client is not one.
    template <class Fn>
    bool withFolder(Fn &&fn);
    // Every folder object, for what runs at once (look-ups).
    template <class Fn>
    bool withAnyFolder(Fn &&fn);
    void setMode(int nCloudService, int nMode, const QString &strParentId, const QString &strName);
    template <class Folder>
    void connectFolder(Folder *folder);
    void startThread(int nOperation, const QString &strArg1 = QString(), const QString &strArg2 = QString());
    void abortOperation();
    void start();
    void startListing();
    bool startCreate(const QString &parentId, const QString &name);
    bool settleDestination();
    void storeDestination(const QString &name, const QString &id);
    void end(int result);

    Ui::DownloadFolderDialog *ui;
    int nErrorCode = 0;
    int nCloudService = 0;
    QString strTitle;
    QString strParentId;
    QString strName;
    int nMode = ModeRefresh;
    DropboxFolder *dropboxFolder = nullptr;
    EvernoteManager *evernoteManager = nullptr;
    GoogleFolder *googleFolder = nullptr;
    OneDriveFolder *oneDriveFolder = nullptr;
    QSet<CloudThread *> threads;
    QString strCreatedId;
    bool bRunning = false; // inside exec()
    bool bEnded = false;   // the result is in; later answers are ignored
};
