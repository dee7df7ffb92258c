#pragma once

#include "cloud/folderindex.h"
#include "cloud/onedrive/onedrivemanager.h"

#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>

class QJsonObject;
class QTreeWidgetItem;

// One folder as received from the drive.
struct OneDriveFolderInfo
{
    QString cTag;
    QString eTag;
    QString id;
    QString name;
    QString webUrl;
    QString driveId;
    QString parentId;   // empty for the drive's root
    QString parentPath; // "/drive/root:..." ("/drives/{id}/root:..." for work accounts)
};

// "/" + dir + "/" + name, with exactly one "/" between; empty without a name.
QString joinPath(const QString &strDir, const QString &strName);

// The drive's folders, fetched breadth-wise:
//
//   listAllFolders() --> [refresh] --> GET /v1.0/me/drive/root --> GET items/{id}/children
//   for every folder with children (and every "@odata.nextLink" page), all in flight
//   together --> the last answer: folders = pending --> finishedDownloadFolder(0, 2)
//   createFolder() --> [refresh] --> POST items/{parent}/children --> finishedCreateFolder(0, 2, name, id)
//
// Identifiers are the service's item ids; the top is the root item's id.
class OneDriveFolder : public OneDriveManager
{
    Q_OBJECT
public:
    explicit OneDriveFolder(QObject *parent = nullptr);

    int listAllFolders();
    // One listing request: the page at strNextLink, the children of
    // strItemId, or (both empty) the root item. 0 or -200.
    int downloadFolder(const QString &strNextLink, const QString &strItemId);
    int createFolder(const QString &strParentId, const QString &strName);
    QString rootFolderId() const;
    void fillFolderTree(QTreeWidgetItem *item) const;
    bool findFolder(const QString &strName, QString &strId, QString &strPath) const;

    QList<OneDriveFolderInfo> folderList() const;

signals:
    void finishedDownloadFolder(int nErrorCode, int nCloudService);
    void finishedCreateFolder(int nErrorCode, int nCloudService, QString strName, QString strId);

public slots:
    void finishedRequest() override;
    void errorRequest(QNetworkReply::NetworkError error) override;

private:
    void handleListReply(int kind, const QByteArray &body);
    void handleCreateReply(const QByteArray &body);
    void handleRefreshReply(QNetworkReply *reply, const QByteArray &body);
    void failListing(int nErrorCode);
    void failOperation(int nListCode, int nCreateCode);
    // Keeps the lookups in step with folders (replaced, or one appended);
    // called with folderMutex held.
    void indexFolders();
    void indexFolder(int position);
    static OneDriveFolderInfo infoFrom(const QJsonObject &item);

    int nOperation = 0;
    mutable QMutex folderMutex;
    QList<OneDriveFolderInfo> folders;
    QList<OneDriveFolderInfo> pendingFolders;
    // Under folderMutex, as the lists.
    FolderIndex byId;
    int nRoot = -1;                // the first record without a parent
    QList<int> rootChildren;       // records whose parent is that root, in order
    FolderIndex rootChildByName;   // among those: exact name
    FolderIndex rootChildByFolded; // among those: name, letter case folded
    QString strParentId;
    QString strName;
    // The running listing has reported its end: the answers still in
    // flight (aborted, or late) must not report again.
    bool bListingOver = false;
    QSet<QString> seenNextLinks;
    int nListRequests = 0;
};
