#pragma once

#include "cloud/folderindex.h"
#include "cloud/google/googlemanager.h"

#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>

class QJsonObject;
class QTreeWidgetItem;

// One folder as the service reported it, with its first parent.
struct GoogleFolderEntry
{
    QString id;
    QString selfLink;
    QString title;
    QString parentId;
    QString parentSelfLink;
    QString parentLink;
    bool bParentIsRoot = false;
};

// The account's folders through the Drive files interface (version 2):
//
//   listAllFolders() --> [refresh] --> GET /drive/v2/files (512 a page)
//   --> nextPageToken ? next page : folders = pending --> finishedDownloadFolder(0, 1)
//   createFolder() --> [refresh] --> POST /drive/v2/files --> finishedCreateFolder(0, 1, title, id)
//
// Kept as a flat list; the tree comes from the parent links. Identifiers are
// the service's file ids, "root" for the top. Reports with service 1.
class GoogleFolder : public GoogleManager
{
    Q_OBJECT
public:
    explicit GoogleFolder(QObject *parent = nullptr);

    // 0 when a request went out (a listing or a token refresh).
    int listAllFolders();
    // One listing page; the first when pageToken is empty. 0 or -200.
    int downloadFolder(const QString &pageToken);
    int createFolder(const QString &strParentId, const QString &strName);
    QString rootFolderId() const;
    void fillFolderTree(QTreeWidgetItem *root) const;
    // With an id: its path from the top ("/A/B"). Without: the top-level
    // folder whose title is strName exactly.
    bool findFolder(const QString &strName, QString &strId, QString &strPath) const;

    const QList<GoogleFolderEntry> &folderList() const { return folders; }

signals:
    void finishedDownloadFolder(int nErrorCode, int nCloudService);
    void finishedCreateFolder(int nErrorCode, int nCloudService, QString strName, QString strId);

public slots:
    void finishedRequest() override;
    void errorRequest(QNetworkReply::NetworkError error) override;

private:
    void handleListReply(const QByteArray &body);
    void handleCreateReply(const QByteArray &body);
    void handleRefreshReply(QNetworkReply *reply, const QByteArray &body);
    void failOperation(int nListCode, int nCreateCode);
    // Keeps the lookups in step with folders (replaced, or one appended).
    void indexFolders();
    void indexFolder(int position);
    static bool entryFrom(const QJsonObject &item, GoogleFolderEntry &entry);

    int nOperation = 0;
    QMutex mutex;
    QList<GoogleFolderEntry> folders;
    QList<GoogleFolderEntry> pendingFolders;
    FolderIndex byId;
    FolderIndex topByTitle; // folders directly under the root
    QString strPageToken; // the page a refresh interrupted
    QSet<QString> seenPageTokens;
    int nListPages = 0;
    QString strParentId;
    QString strName;
};
