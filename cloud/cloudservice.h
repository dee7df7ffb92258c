#pragma once

#include <QString>
#include <Qt>

class QTreeWidgetItem;

// The numbers that name the cloud services everywhere: in the service list,
// the stored choice ("Cloud/CloudService"), constructors and result signals.
enum CloudService {
    CloudGoogleDrive = 1,
    CloudOneDrive = 2,
    CloudEvernote = 3,
    CloudDropbox = 4,
    CloudSharePoint = 5, // listed only with "Debug/sharepoint" = 1; no sign-in, listing or upload
};

// What an outstanding request is for; the cloud worker thread's operations
// use the same numbers.
enum CloudRequestKind {
    RequestNone = 0, // a reply that was never registered
    RequestToken = 1,
    RequestCreateFolder = 2,
    RequestRootFolder = 3,
    RequestListFolders = 4,
    RequestUploadStart = 5,
    RequestUploadData = 6,
};

// The text of a service in the service list ("GoogleDrive", "OneDrive",
// "Evernote", "Dropbox", "SharePoint Online"); empty for unknown numbers.
QString cloudServiceName(int nCloudService);

// Prefix of the service's keys in the user settings file ("google/" ...);
// empty for SharePoint Online and unknown numbers.
QString cloudSettingsPrefix(int nCloudService);

// Loopback redirect address of the service's sign-in; empty when it has none.
QString cloudRedirectUri(int nCloudService);

// The stored choice as used: 0, negative or above 5 selects Google Drive.
int cloudServiceFromSetting(int nStored);

// Whether an upload's last answer is the stored file's metadata (a JSON
// object naming the file's id). Only that says the file exists: a 200 with
// a proxy's page or a cut-off body does not, and its page must be kept.
bool isStoredFileAnswer(const QByteArray &body);

// Folder tree convention: one item per folder, its name as column-0 text and
// its identifier as column-0 data in this role; children are subfolders.
constexpr int kCloudFolderIdRole = Qt::UserRole;

// Appends a folder item under parent and returns it.
QTreeWidgetItem *addCloudFolderItem(QTreeWidgetItem *parent, const QString &name, const QString &id);
// The identifier an item carries.
QString cloudFolderItemId(const QTreeWidgetItem *item);

// The three cloud result signals have the same shape on every class that
// declares them:
//   finishedDownloadFolder(int nErrorCode, int nCloudService)
//   finishedCreateFolder(int nErrorCode, int nCloudService, QString strName, QString strId)
//   finishedCreateFile(int nErrorCode, QString strName, QString strId)   // strName: local file path
