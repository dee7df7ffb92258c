#include "cloud/dropbox/dropboxfolder.h"

#include "cloud/cloudservice.h"
#include "cloud/dropbox/dropboxapi.h"
#include "cloud/dropbox/dropboxauthorization.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTreeWidgetItem>

namespace {
QString readToken()
{
    DropboxAuthorization reader;
    return reader.accessToken();
}

DropboxFolderEntry entryFrom(const QJsonObject &object, const QString &tag)
{
    DropboxFolderEntry entry;
    entry.tag = tag;
    entry.name = object.value(QStringLiteral("name")).toString();
    entry.pathLower = object.value(QStringLiteral("path_lower")).toString();
    entry.pathDisplay = object.value(QStringLiteral("path_display")).toString();
    entry.id = object.value(QStringLiteral("id")).toString();
    return entry;
}

// The parent's lower-case path, or a null string for a path without "/".
QString parentPath(const QString &pathLower)
{
    const int slash = pathLower.lastIndexOf('/');
    return slash < 0 ? QString() : pathLower.left(slash);
}

// Deeper than any real tree; bounds the recursion on malformed answers.
constexpr int kMaxDepth = 256;

// Far more pages than any account needs (each holds up to a few thousand
// entries); a service that keeps answering "more" is stopped here.
constexpr int kMaxListPages = 10000;
} // namespace

DropboxFolder::DropboxFolder(QObject *parent)
    : DropboxManager(parent)
    , nPageLimit(kMaxListPages)
{
}

bool DropboxFolder::listAllFolders()
{
    nOperation = RequestListFolders;
    setErrorCode(0);
    pendingFolders.clear();
    pendingPositions.clear();
    seenCursors.clear();
    nListPages = 0;
    return downloadFolder(QString()) != 0;
}

QString DropboxFolder::rootFolderId() const
{
    return QStringLiteral("/");
}

int DropboxFolder::downloadFolder(const QString &cursor)
{
    qDebug() << "DropboxFolder::downloadFolder";
    const QString token = readToken();
    if (isBlankToken(token)) {
        emit finishedDownloadFolder(-200, CloudDropbox);
        return -200;
    }
    QJsonObject body;
    QString path;
    if (cursor.isEmpty()) {
        path = QStringLiteral("/2/files/list_folder");
        body.insert(QStringLiteral("recursive"), true);
        body.insert(QStringLiteral("path"), QString(""));
        body.insert(QStringLiteral("include_media_info"), false);
        body.insert(QStringLiteral("include_deleted"), false);
        body.insert(QStringLiteral("include_has_explicit_shared_members"), false);
    } else {
        path = QStringLiteral("/2/files/list_folder/continue");
        body.insert(QStringLiteral("cursor"), cursor);
    }
    const QNetworkRequest request = dropboxRequest(CloudHost::DropboxApi, path, token, "application/json");
    postRequest(request, QJsonDocument(body).toJson(QJsonDocument::Compact), RequestListFolders);
    return 0;
}

int DropboxFolder::createFolder(const QString &parentId, const QString &name)
{
    nOperation = RequestCreateFolder;
    setErrorCode(0);
    const QString token = readToken();
    if (isBlankToken(token)) {
        emit finishedDownloadFolder(-200, CloudDropbox);
        return -200;
    }
    QString parentPathDisplay;
    QString id = parentId;
    findFolder(QString(), id, parentPathDisplay);
    if (parentPathDisplay.isEmpty())
        return -205;
    const QString path = buildDropboxPath(parentPathDisplay, name);
    if (path.isEmpty())
        return -205;

    QJsonObject body;
    body.insert(QStringLiteral("path"), path);
    body.insert(QStringLiteral("autorename"), false);
    const QNetworkRequest request =
        dropboxRequest(CloudHost::DropboxApi, QStringLiteral("/2/files/create_folder_v2"), token, "application/json");
    postRequest(request, QJsonDocument(body).toJson(QJsonDocument::Compact), RequestCreateFolder);
    return 0;
}

bool DropboxFolder::findFolder(const QString &strName, QString &strId, QString &strPath) const
{
    if (!strId.isEmpty()) {
        if (strId == tr("Dropbox") || strId == QLatin1String("/")) {
            strPath = QStringLiteral("/");
            return true;
        }
        const int at = byId.find(strId);
        if (at < 0)
            return false;
        strPath = folders.at(at).pathDisplay;
        return true;
    }
    QString wanted = strName;
    if (wanted.isEmpty()) {
        strPath = QStringLiteral("/");
        return true;
    }
    if (!wanted.startsWith('/'))
        wanted.prepend('/');
    const int at = byPath.find(FolderIndex::folded(wanted));
    if (at < 0)
        return false;
    strId = folders.at(at).id;
    strPath = folders.at(at).pathDisplay;
    return true;
}

void DropboxFolder::indexFolders()
{
    byId.clear();
    byPath.clear();
    byId.reserve(folders.size());
    byPath.reserve(folders.size());
    for (int i = 0; i < folders.size(); ++i)
        indexFolder(i);
}

void DropboxFolder::indexFolder(int position)
{
    byId.add(folders.at(position).id, position);
    byPath.add(FolderIndex::folded(folders.at(position).pathDisplay), position);
}

void DropboxFolder::fillFolderTree(QTreeWidgetItem *root) const
{
    QVector<FolderNode> nodes;
    nodes.reserve(folders.size());
    for (const DropboxFolderEntry &entry : folders) {
        FolderNode node;
        node.name = entry.name;
        node.id = entry.id;
        node.key = entry.pathLower;
        node.parentKey = parentPath(entry.pathLower);
        // A top-level folder: "/" and its name.
        node.bTop = entry.pathLower.count('/') == 1;
        node.bNested = !node.parentKey.isNull();
        nodes.append(node);
    }
    fillFolderTreeFrom(root, nodes, kMaxDepth);
}

void DropboxFolder::finishedRequest()
{
    qDebug() << "DropboxFolder::finishedRequest";
    stopTimer();
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const int kind = takeRequestKind(reply);
    const QNetworkReply::NetworkError error = reply->error();
    const QByteArray body = reply->readAll();

    if (error != QNetworkReply::NoError) {
        qDebug() << errorName(error) << reply->errorString();
        qDebug() << body;
        const bool rejected = httpStatus(reply) == 401 && (kind == RequestListFolders || kind == RequestCreateFolder);
        if (rejected) {
            // Expired or revoked: the user has to sign in again.
            DropboxAuthorization().clearAccessToken();
        }
        if (kind == RequestListFolders) {
            emit finishedDownloadFolder(rejected ? -200 : dropboxListErrorCode(error, errorCode()), CloudDropbox);
        } else if (kind == RequestCreateFolder) {
            emit finishedCreateFolder(rejected ? -200 : dropboxCreateFolderErrorCode(error, errorCode()), CloudDropbox,
                                      QString(), QString());
        }
    } else if (kind == RequestListFolders) {
        handleListReply(reply, body);
    } else if (kind == RequestCreateFolder) {
        handleCreateReply(body);
    }
    reply->close();
    reply->deleteLater();
}

void DropboxFolder::handleListReply(QNetworkReply *reply, const QByteArray &body)
{
    Q_UNUSED(reply)
    qInfo() << body;
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonValue entries = document.object().value(QStringLiteral("entries"));
    if (!document.isObject() || !entries.isArray()) {
        // An unreadable page is a failed listing, not an empty one.
        emit finishedDownloadFolder(-206, CloudDropbox);
        return;
    }
    const QJsonObject page = document.object();
    const bool hasMore = page.value(QStringLiteral("has_more")).toBool(false);
    const QString cursor = page.value(QStringLiteral("cursor")).toString();
    // Without a cursor the next request would start over; with one seen
    // before, or past any real account's size, it would go on for ever.
    if (hasMore && (cursor.isEmpty() || seenCursors.contains(cursor) || ++nListPages >= nPageLimit)) {
        emit finishedDownloadFolder(-206, CloudDropbox);
        return;
    }
    for (const QJsonValue &value : entries.toArray()) {
        const QJsonObject object = value.toObject();
        const QString tag = object.value(QStringLiteral(".tag")).toString();
        if (tag.compare(QLatin1String("folder"), Qt::CaseInsensitive) != 0)
            continue;
        // A path given again (a folder changed while the listing ran) takes
        // the earlier one's place: one folder per path, or the tree would
        // show a repeated path's subfolders again under every copy.
        const DropboxFolderEntry entry = entryFrom(object, tag);
        const auto known = pendingPositions.constFind(entry.pathLower);
        if (known != pendingPositions.constEnd()) {
            pendingFolders[*known] = entry;
        } else {
            pendingPositions.insert(entry.pathLower, pendingFolders.size());
            pendingFolders.append(entry);
        }
    }
    if (hasMore) {
        seenCursors.insert(cursor);
        downloadFolder(cursor); // a failure is reported there
        return;
    }
    if (pendingRequestCount() == 0) {
        folders = pendingFolders;
        indexFolders();
        emit finishedDownloadFolder(0, CloudDropbox);
    }
}

void DropboxFolder::handleCreateReply(const QByteArray &body)
{
    const QJsonObject metadata = QJsonDocument::fromJson(body).object().value(QStringLiteral("metadata")).toObject();
    const DropboxFolderEntry entry = entryFrom(metadata, QStringLiteral("folder"));
    if (entry.id.isEmpty() || entry.pathDisplay.isEmpty()) {
        // Nothing usable came back: the folder cannot be chosen.
        emit finishedCreateFolder(-205, CloudDropbox, QString(), QString());
        return;
    }
    folders.append(entry);
    indexFolder(folders.size() - 1);
    emit finishedCreateFolder(0, CloudDropbox, entry.pathDisplay, entry.id);
}

void DropboxFolder::errorRequest(QNetworkReply::NetworkError error)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "DropboxFolder::errorRequest" << "Request error:" << errorName(error)
             << (reply ? reply->errorString() : QString());
}
