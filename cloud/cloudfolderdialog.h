#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class CloudFolderDialog;
}
class DownloadFolderDialog;
class DropboxFolder;
class EvernoteManager;
class GoogleFolder;
class OneDriveFolder;
class QTreeWidgetItem;

// The destination folder browser of the signed-in service: a tree of what
// its folder object listed last, with Refresh and Make New Folder (each run
// through a DownloadFolderDialog), OK and Cancel.
//
//   setXxxFolder(object) --> tree --> [Refresh | Make New Folder --> rebuilt tree]
//   --> OK: name, identifier, display path; stored under the service's folder keys
//
// The browser starts no listing of its own when it opens.
class CloudFolderDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CloudFolderDialog(const QString &strTitle, QWidget *parent = nullptr);
    ~CloudFolderDialog() override;

    // Exactly one setter, before exec(): lends the service's folder object.
    void setDropboxFolder(DropboxFolder *folder);
    void setEvernoteManager(EvernoteManager *manager);
    void setGoogleFolder(GoogleFolder *folder);
    void setOneDriveFolder(OneDriveFolder *folder);

    void getCloudFolder(QString &strName, QString &strId, QString &strPath) const;

protected slots:
    void clickedBtnOK();
    void clickedBtnCancel();
    void clickedRefresh();
    void clickedMakeNewFolder();
    void postErrorMessage(int nErrorCode);

private:
    template <class Fn>
    bool withFolder(Fn &&fn) const;
    void initialise();
    void buildTree();
    bool hasFolderObject() const;
    // Hands the service's folder object to a wait dialog, which starts the operation.
    void lendFolder(DownloadFolderDialog &wait, int nMode, const QString &parentId, const QString &name);
    QTreeWidgetItem *findItem(QTreeWidgetItem *under, const QString &id) const;

    DropboxFolder *dropboxFolder = nullptr;
    EvernoteManager *evernoteManager = nullptr;
    GoogleFolder *googleFolder = nullptr;
    OneDriveFolder *oneDriveFolder = nullptr;
    Ui::CloudFolderDialog *ui;
    int nCloudService = 0;
    QString strCloudFolderId;
    QString strCloudFolder;
    QString strCloudFolderPath;
    QString strTitle;
};
