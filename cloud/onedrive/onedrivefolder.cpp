#include "cloud/onedrive/onedrivefolder.h"

#include "app/redact.h"
#include "cloud/cloudservice.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QTreeWidgetItem>
#include <QUrlQuery>

namespace {
const char kSelect[] = "cTag,eTag,id,name,webUrl,parentReference,folder";

// Deeper than any real tree; bounds the recursion on malformed answers.
constexpr int kMaxDepth = 256;

// Far more requests (one per folder with subfolders, one per further page)
// than any drive needs; a service that keeps answering "more" is stopped here.
constexpr int kMaxListRequests = 200000;

// The drive's root as a parent path: "/drive/root:" for personal accounts,
// "/drives/{drive-id}/root:" for work or school accounts.
const QRegularExpression &rootPrefix()
{
    static const QRegularExpression re(QStringLiteral("^/drives?(/[^/]+)?/root:"));
    return re;
}

bool isTopLevel(const OneDriveFolderInfo &info)
{
    const QRegularExpressionMatch m = rootPrefix().match(info.parentPath);
    return m.hasMatch() && m.capturedLength() == info.parentPath.size();
}

QNetworkRequest graphRequest(const QUrl &url, const QString &token)
{
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", QStringLiteral("Bearer %1").arg(token).toLatin1());
    return request;
}

// The token goes only to the configured Graph host, wherever a next-page
// link points.
bool isGraphAddress(const QUrl &url)
{
    const QUrl graph(cloudHost(CloudHost::MicrosoftGraph));
    return url.isValid() && url.scheme() == graph.scheme() && url.host() == graph.host()
           && url.port(url.scheme() == QLatin1String("https") ? 443 : 80)
                  == graph.port(graph.scheme() == QLatin1String("https") ? 443 : 80);
}
} // namespace

QString joinPath(const QString &strDir, const QString &strName)
{
    QString dir = strDir.isEmpty() ? QStringLiteral("/") : strDir;
    if (!dir.startsWith('/'))
        dir.prepend('/');
    if (!dir.endsWith('/'))
        dir.append('/');
    QString name = strName;
    if (name.startsWith('/'))
        name.remove(0, 1);
    if (name.isEmpty())
        return QString();
    return dir + name;
}

OneDriveFolder::OneDriveFolder(QObject *parent)
    : OneDriveManager(parent)
{
}

OneDriveFolderInfo OneDriveFolder::infoFrom(const QJsonObject &item)
{
    OneDriveFolderInfo info;
    info.cTag = item.value(QStringLiteral("cTag")).toString();
    info.eTag = item.value(QStringLiteral("eTag")).toString();
    info.id = item.value(QStringLiteral("id")).toString();
    info.name = item.value(QStringLiteral("name")).toString();
    info.webUrl = item.value(QStringLiteral("webUrl")).toString();
    const QJsonObject parent = item.value(QStringLiteral("parentReference")).toObject();
    info.driveId = parent.value(QStringLiteral("driveId")).toString();
    info.parentId = parent.value(QStringLiteral("id")).toString();
    info.parentPath = parent.value(QStringLiteral("path")).toString();
    return info;
}

QList<OneDriveFolderInfo> OneDriveFolder::folderList() const
{
    QMutexLocker lock(&folderMutex);
    return folders;
}

int OneDriveFolder::listAllFolders()
{
    nOperation = RequestListFolders;
    setErrorCode(0);
    bListingOver = false;
    seenNextLinks.clear();
    nListRequests = 0;
    {
        QMutexLocker lock(&folderMutex);
        pendingFolders.clear();
    }
    QString token;
    bool bRefreshing = false;
    const int nCode = prepareToken(token, bRefreshing);
    if (nCode != 0) {
        bListingOver = true;
        emit finishedDownloadFolder(-200, CloudOneDrive);
        return nCode;
    }
    return bRefreshing ? 0 : downloadFolder(QString(), QString());
}

int OneDriveFolder::downloadFolder(const QString &strNextLink, const QString &strItemId)
{
    qDebug() << "OneDriveFolder::downloadFolder";
    const QString token = storedAccessToken();
    if (token.isEmpty()) {
        failListing(-206);
        return -200;
    }
    // A page asked for before, or more requests than any drive needs, would
    // go on for ever.
    if (++nListRequests > kMaxListRequests || (!strNextLink.isEmpty() && seenNextLinks.contains(strNextLink))) {
        qDebug() << "Listing does not end after" << nListRequests << "requests";
        failListing(-206);
        return -206;
    }
    if (!strNextLink.isEmpty())
        seenNextLinks.insert(strNextLink);
    QUrl url;
    int kind = RequestListFolders;
    if (!strNextLink.isEmpty()) {
        url = QUrl(strNextLink, QUrl::StrictMode);
        if (!isGraphAddress(url)) {
            qDebug() << "Next page outside the service:" << strNextLink;
            failListing(-206);
            return -206;
        }
    } else {
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("select"), QLatin1String(kSelect));
        if (!strItemId.isEmpty()) {
            const QString id = QString::fromLatin1(QUrl::toPercentEncoding(strItemId));
            url = cloudUrl(CloudHost::MicrosoftGraph, QStringLiteral("/v1.0/me/drive/items/%1/children").arg(id));
        } else {
            url = cloudUrl(CloudHost::MicrosoftGraph, QStringLiteral("/v1.0/me/drive/root"));
            kind = RequestRootFolder;
        }
        url.setQuery(query);
    }
    qDebug() << url.toString();
    getRequest(graphRequest(url, token), kind);
    return 0;
}

int OneDriveFolder::createFolder(const QString &strParentId, const QString &strName)
{
    nOperation = RequestCreateFolder;
    setErrorCode(0);
    QString token;
    bool bRefreshing = false;
    const int nCode = prepareToken(token, bRefreshing);
    if (nCode != 0) {
        emit finishedDownloadFolder(-200, CloudOneDrive);
        return nCode;
    }
    if (bRefreshing) {
        this->strParentId = strParentId;
        this->strName = strName;
        return 0;
    }
    QJsonObject body;
    body.insert(QStringLiteral("name"), strName);
    body.insert(QStringLiteral("folder"), QJsonObject());
    body.insert(QStringLiteral("@microsoft.graph.conflictBehavior"), QStringLiteral("fail"));
    const QString parent = QString::fromLatin1(QUrl::toPercentEncoding(strParentId));
    QNetworkRequest request =
        graphRequest(cloudUrl(CloudHost::MicrosoftGraph, QStringLiteral("/v1.0/me/drive/items/%1/children").arg(parent)),
                     token);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    postRequest(request, QJsonDocument(body).toJson(QJsonDocument::Compact), RequestCreateFolder);
    return 0;
}

void OneDriveFolder::failListing(int nErrorCode)
{
    if (bListingOver)
        return;
    // One report per listing; the requests still in flight are of no use now.
    bListingOver = true;
    emit finishedDownloadFolder(nErrorCode, CloudOneDrive);
    abortAllReplies();
}

void OneDriveFolder::failOperation(int nListCode, int nCreateCode)
{
    if (nOperation == RequestListFolders)
        failListing(nListCode);
    else if (nOperation == RequestCreateFolder)
        emit finishedCreateFolder(nCreateCode, CloudOneDrive, QString(), QString());
}

void OneDriveFolder::finishedRequest()
{
    qDebug() << "OneDriveFolder::finishedRequest";
    stopTimer();
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const int kind = takeRequestKind(reply);
    const QNetworkReply::NetworkError error = reply->error();
    const QByteArray body = reply->readAll();
    const bool bCancelled = error == QNetworkReply::OperationCanceledError;
    const int nCancelCode = errorCode() == -212 ? -203 : -6;
    if (error != QNetworkReply::NoError && !(bListingOver && bCancelled)) {
        qDebug() << errorName(error) << reply->errorString();
        qDebug() << redactSecrets(QString::fromUtf8(body));
    }

    if (kind == RequestToken) {
        handleRefreshReply(reply, body);
    } else if (kind == RequestRootFolder || kind == RequestListFolders) {
        if (error != QNetworkReply::NoError)
            failListing(bCancelled ? nCancelCode : -206);
        else if (!bListingOver)
            handleListReply(kind, body);
    } else if (kind == RequestCreateFolder) {
        if (error != QNetworkReply::NoError)
            emit finishedCreateFolder(bCancelled ? nCancelCode : -205, CloudOneDrive, QString(), QString());
        else
            handleCreateReply(body);
    }
    reply->close();
    reply->deleteLater();
}

void OneDriveFolder::handleRefreshReply(QNetworkReply *reply, const QByteArray &body)
{
    const RefreshOutcome outcome = takeRefreshAnswer(reply->error(), httpStatus(reply), body);
    if (outcome == RefreshOutcome::Refused) {
        failOperation(-200, -200);
        return;
    }
    if (outcome != RefreshOutcome::Stored) {
        failOperation(-206, -205);
        return;
    }
    // Resume what the refresh interrupted; each reports its own failure.
    if (nOperation == RequestListFolders)
        listAllFolders();
    else if (nOperation == RequestCreateFolder)
        createFolder(strParentId, strName);
}

void OneDriveFolder::handleListReply(int kind, const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject()) {
        // An unreadable page is a failed listing, not an empty one.
        failListing(-206);
        return;
    }
    const QJsonObject page = document.object();
    const QString nextLink = page.value(QStringLiteral("@odata.nextLink")).toString();
    if (!nextLink.isEmpty() && downloadFolder(nextLink, QString()) != 0)
        return; // already reported

    QList<OneDriveFolderInfo> received;
    if (kind == RequestListFolders) {
        const QJsonArray items = page.value(QStringLiteral("value")).toArray();
        for (const QJsonValue &value : items) {
            const QJsonObject item = value.toObject();
            const QJsonObject folder = item.value(QStringLiteral("folder")).toObject();
            if (folder.isEmpty())
                continue; // a file
            const OneDriveFolderInfo info = infoFrom(item);
            // Without an id a folder can be neither chosen nor listed (an
            // empty id would ask for the root again and start over).
            if (info.id.isEmpty())
                continue;
            if (folder.value(QStringLiteral("childCount")).toInt() > 0 && downloadFolder(QString(), info.id) != 0)
                return;
            received.append(info);
        }
    } else {
        const OneDriveFolderInfo root = infoFrom(page);
        if (root.id.isEmpty() || downloadFolder(QString(), root.id) != 0) {
            failListing(-206);
            return;
        }
        received.append(root);
    }
    QMutexLocker lock(&folderMutex);
    pendingFolders += received;
    if (pendingRequestCount() == 0) {
        folders = pendingFolders;
        indexFolders();
        lock.unlock();
        bListingOver = true;
        emit finishedDownloadFolder(0, CloudOneDrive);
    }
}

void OneDriveFolder::handleCreateReply(const QByteArray &body)
{
    const OneDriveFolderInfo info = infoFrom(QJsonDocument::fromJson(body).object());
    if (info.id.isEmpty()) {
        emit finishedCreateFolder(-205, CloudOneDrive, QString(), QString());
        return;
    }
    {
        QMutexLocker lock(&folderMutex);
        folders.append(info);
        indexFolder(folders.size() - 1);
    }
    emit finishedCreateFolder(0, CloudOneDrive, info.name, info.id);
}

void OneDriveFolder::indexFolders()
{
    byId.clear();
    byId.reserve(folders.size());
    nRoot = -1;
    rootChildren.clear();
    rootChildByName.clear();
    rootChildByFolded.clear();
    for (int i = 0; i < folders.size(); ++i)
        indexFolder(i);
}

void OneDriveFolder::indexFolder(int position)
{
    const OneDriveFolderInfo &info = folders.at(position);
    byId.add(info.id, position);
    if (nRoot < 0 && info.parentId.isEmpty()) {
        // The root is known only now: its children may have come before it.
        nRoot = position;
        for (int i = 0; i < position; ++i) {
            if (folders.at(i).parentId == info.id)
                rootChildren.append(i);
        }
        for (int i : qAsConst(rootChildren)) {
            rootChildByName.add(folders.at(i).name, i);
            rootChildByFolded.add(FolderIndex::folded(folders.at(i).name), i);
        }
    }
    if (nRoot >= 0 && position != nRoot && info.parentId == folders.at(nRoot).id) {
        rootChildren.append(position);
        rootChildByName.add(info.name, position);
        rootChildByFolded.add(FolderIndex::folded(info.name), position);
    }
}

QString OneDriveFolder::rootFolderId() const
{
    QMutexLocker lock(&folderMutex);
    return nRoot < 0 ? QString() : folders.at(nRoot).id;
}

void OneDriveFolder::fillFolderTree(QTreeWidgetItem *item) const
{
    const QList<OneDriveFolderInfo> list = folderList();
    QVector<FolderNode> nodes;
    nodes.reserve(list.size());
    for (const OneDriveFolderInfo &info : list) {
        FolderNode node;
        node.name = info.name;
        node.id = info.id;
        node.key = info.id;
        node.parentKey = info.parentId;
        node.bTop = isTopLevel(info);
        node.bNested = !node.bTop;
        nodes.append(node);
    }
    fillFolderTreeFrom(item, nodes, kMaxDepth);
}

bool OneDriveFolder::findFolder(const QString &strName, QString &strId, QString &strPath) const
{
    QMutexLocker lock(&folderMutex);
    auto found = [&](int at) {
        strId = folders.at(at).id;
        strPath = folders.at(at).name;
        return true;
    };
    const bool bRoot = nRoot >= 0 && !folders.at(nRoot).id.isEmpty();
    if (strId.isEmpty()) {
        const int at = bRoot ? rootChildByFolded.find(FolderIndex::folded(strName)) : -1;
        return at >= 0 && found(at);
    }
    const int at = byId.find(strId);
    if (at >= 0) {
        const OneDriveFolderInfo &info = folders.at(at);
        if (info.parentPath.isEmpty()) {
            strPath = QStringLiteral("/");
        } else {
            QString below = info.parentPath;
            below.remove(rootPrefix());
            strPath = joinPath(QUrl::fromPercentEncoding(below.toUtf8()), info.name);
        }
        return true;
    }
    // A stale identifier: only an exact name is trusted.
    const int exact = bRoot ? rootChildByName.find(strName) : -1;
    return exact >= 0 && found(exact);
}

void OneDriveFolder::errorRequest(QNetworkReply::NetworkError error)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "OneDriveFolder::errorRequest" << "Request error:" << errorName(error)
             << (reply ? reply->errorString() : QString());
}
