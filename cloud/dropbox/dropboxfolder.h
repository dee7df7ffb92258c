#pragma once

#include "cloud/dropbox/dropboxmanager.h"
#include "cloud/folderindex.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>

class QTreeWidgetItem;

// One folder as the service reported it.
struct DropboxFolderEntry
{
    QString tag;
    QString name;
    QString pathLower;
    QString pathDisplay;
    QString id;
};

// The account's folders: listed page by page (a recursive listing chained by
// cursor), kept as a flat list, shown as a tree, and created. Identifiers are
// the service's folder ids, "/" for the top. Reports with service 4.
class DropboxFolder : public DropboxManager
{
    Q_OBJECT
public:
    explicit DropboxFolder(QObject *parent = nullptr);

    // Starts a full listing; true when the first request could not be sent.
    bool listAllFolders();
    QString rootFolderId() const;
    // One listing request; the first page when cursor is empty. 0 or -200.
    int downloadFolder(const QString &cursor);
    // 0, -200 (not signed in) or -205 (unknown parent).
    int createFolder(const QString &parentId, const QString &name);
    // With an id: its displayed path. Without: the id and path of the folder
    // whose displayed path is name (leading "/" optional, any letter case).
    bool findFolder(const QString &strName, QString &strId, QString &strPath) const;
    void fillFolderTree(QTreeWidgetItem *root) const;

    const QList<DropboxFolderEntry> &folderList() const { return folders; }

    // Pages one listing may take before it counts as endless (-206).
    void setPageLimit(int nPages) { nPageLimit = nPages > 0 ? nPages : 1; }

signals:
    void finishedDownloadFolder(int nErrorCode, int nCloudService);
    void finishedCreateFolder(int nErrorCode, int nCloudService, QString strName, QString strId);

public slots:
    void finishedRequest() override;
    void errorRequest(QNetworkReply::NetworkError error) override;

private:
    void handleListReply(QNetworkReply *reply, const QByteArray &body);
    void handleCreateReply(const QByteArray &body);
    // Keeps the lookups in step with folders (replaced, or one appended).
    void indexFolders();
    void indexFolder(int position);

    int nOperation = 0;
    QMutex mutex;
    QList<DropboxFolderEntry> folders;
    QList<DropboxFolderEntry> pendingFolders;
    QHash<QString, int> pendingPositions; // path_lower -> position in pendingFolders
    FolderIndex byId;
    FolderIndex byPath; // displayed path, letter case folded
    QSet<QString> seenCursors;
    int nListPages = 0;
    int nPageLimit;
};
