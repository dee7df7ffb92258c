#include "cloud/google/googlefolder.h"

#include "app/redact.h"
#include "cloud/cloudservice.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QTreeWidgetItem>

namespace {
const char kFolderMimeType[] = "application/vnd.google-apps.folder";
const char kFolderQuery[] = "mimeType = 'application/vnd.google-apps.folder' and trashed = false";

QString percentEncoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// Deeper than any real tree; bounds walks over malformed parent links.
constexpr int kMaxDepth = 256;

// Far more pages of 512 than any account needs; a service that keeps
// answering "more" is stopped here.
constexpr int kMaxListPages = 10000;

QNetworkRequest apiRequest(const QUrl &url, const QString &token)
{
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", QStringLiteral("Bearer %1").arg(token).toLatin1());
    return request;
}
} // namespace

GoogleFolder::GoogleFolder(QObject *parent)
    : GoogleManager(parent)
{
}

bool GoogleFolder::entryFrom(const QJsonObject &item, GoogleFolderEntry &entry)
{
    entry.id = item.value(QStringLiteral("id")).toString();
    entry.selfLink = item.value(QStringLiteral("selfLink")).toString();
    entry.title = item.value(QStringLiteral("title")).toString();
    const QJsonArray parents = item.value(QStringLiteral("parents")).toArray();
    // A folder shared with the user has no parent in this drive.
    if (entry.id.isEmpty() || parents.isEmpty())
        return false;
    const QJsonObject parent = parents.first().toObject();
    entry.parentId = parent.value(QStringLiteral("id")).toString();
    entry.parentSelfLink = parent.value(QStringLiteral("selfLink")).toString();
    entry.parentLink = parent.value(QStringLiteral("parentLink")).toString();
    entry.bParentIsRoot = parent.value(QStringLiteral("isRoot")).toBool();
    return true;
}

int GoogleFolder::listAllFolders()
{
    nOperation = RequestListFolders;
    setErrorCode(0);
    {
        QMutexLocker lock(&mutex);
        pendingFolders.clear();
    }
    seenPageTokens.clear();
    nListPages = 0;
    return downloadFolder(QString());
}

QString GoogleFolder::rootFolderId() const
{
    return QStringLiteral("root");
}

int GoogleFolder::downloadFolder(const QString &pageToken)
{
    qDebug() << "GoogleFolder::downloadFolder";
    QString token;
    bool bRefreshing = false;
    const int nCode = prepareToken(token, bRefreshing);
    if (nCode != 0) {
        emit finishedDownloadFolder(-200, CloudGoogleDrive);
        return nCode;
    }
    if (bRefreshing) {
        // A long listing may outlive its token: carry on from this page.
        strPageToken = pageToken;
        return 0;
    }
    // Every value percent-encoded, "+" too: servers read a raw "+" as a blank.
    QString query = QStringLiteral("q=%1&maxResults=512").arg(percentEncoded(kFolderQuery));
    if (!pageToken.isEmpty())
        query += QStringLiteral("&pageToken=") + percentEncoded(pageToken);
    QUrl url = cloudUrl(CloudHost::GoogleApi, QStringLiteral("/drive/v2/files"));
    url.setQuery(query, QUrl::StrictMode);
    getRequest(apiRequest(url, token), RequestListFolders);
    return 0;
}

int GoogleFolder::createFolder(const QString &strParentId, const QString &strName)
{
    nOperation = RequestCreateFolder;
    setErrorCode(0);
    QString token;
    bool bRefreshing = false;
    const int nCode = prepareToken(token, bRefreshing);
    if (nCode != 0) {
        emit finishedDownloadFolder(-200, CloudGoogleDrive);
        return nCode;
    }
    if (bRefreshing) {
        this->strParentId = strParentId;
        this->strName = strName;
        return 0;
    }
    QJsonObject body;
    body.insert(QStringLiteral("mimeType"), QLatin1String(kFolderMimeType));
    body.insert(QStringLiteral("title"), strName);
    if (strParentId != rootFolderId())
        body.insert(QStringLiteral("parents"), QJsonArray{QJsonObject{{QStringLiteral("id"), strParentId}}});
    QNetworkRequest request = apiRequest(cloudUrl(CloudHost::GoogleApi, QStringLiteral("/drive/v2/files")), token);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json; charset=utf-8"));
    postRequest(request, QJsonDocument(body).toJson(QJsonDocument::Compact), RequestCreateFolder);
    return 0;
}

void GoogleFolder::finishedRequest()
{
    qDebug() << "GoogleFolder::finishedRequest";
    stopTimer();
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const int kind = takeRequestKind(reply);
    const QNetworkReply::NetworkError error = reply->error();
    const QByteArray body = reply->readAll();

    if (error != QNetworkReply::NoError) {
        qDebug() << errorName(error) << reply->errorString();
        qDebug() << redactSecrets(QString::fromUtf8(body));
    }

    if (kind == RequestToken) {
        handleRefreshReply(reply, body);
    } else if (error != QNetworkReply::NoError) {
        const bool bCancelled = error == QNetworkReply::OperationCanceledError;
        const int nCancelCode = errorCode() == -212 ? -203 : -6;
        if (kind == RequestListFolders)
            emit finishedDownloadFolder(bCancelled ? nCancelCode : -206, CloudGoogleDrive);
        else if (kind == RequestCreateFolder)
            emit finishedCreateFolder(bCancelled ? nCancelCode : -205, CloudGoogleDrive, QString(), QString());
    } else if (kind == RequestListFolders) {
        handleListReply(body);
    } else if (kind == RequestCreateFolder) {
        handleCreateReply(body);
    }
    reply->close();
    reply->deleteLater();
}

void GoogleFolder::failOperation(int nListCode, int nCreateCode)
{
    if (nOperation == RequestListFolders)
        emit finishedDownloadFolder(nListCode, CloudGoogleDrive);
    else if (nOperation == RequestCreateFolder)
        emit finishedCreateFolder(nCreateCode, CloudGoogleDrive, QString(), QString());
}

void GoogleFolder::handleRefreshReply(QNetworkReply *reply, const QByteArray &body)
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
        downloadFolder(strPageToken);
    else if (nOperation == RequestCreateFolder)
        createFolder(strParentId, strName);
}

void GoogleFolder::handleListReply(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject()) {
        // An unreadable page is a failed listing, not an empty one.
        emit finishedDownloadFolder(-206, CloudGoogleDrive);
        return;
    }
    const QJsonObject page = document.object();
    qInfo() << "incompleteSearch:" << page.value(QStringLiteral("incompleteSearch")).toBool()
            << "nextLink:" << page.value(QStringLiteral("nextLink")).toString();
    // Pages may be short or even empty before the last: only a missing
    // token ends the listing.
    const QString nextPageToken = page.value(QStringLiteral("nextPageToken")).toString();
    if (!nextPageToken.isEmpty()) {
        // A token seen before, or more pages than any account has, would
        // go on for ever.
        if (seenPageTokens.contains(nextPageToken) || ++nListPages >= kMaxListPages) {
            qDebug() << "Listing does not end after" << nListPages << "pages";
            emit finishedDownloadFolder(-206, CloudGoogleDrive);
            return;
        }
        seenPageTokens.insert(nextPageToken);
        if (downloadFolder(nextPageToken) != 0)
            return; // already reported
    }
    const QJsonArray items = page.value(QStringLiteral("items")).toArray();
    {
        QMutexLocker lock(&mutex);
        for (const QJsonValue &value : items) {
            GoogleFolderEntry entry;
            if (entryFrom(value.toObject(), entry))
                pendingFolders.append(entry);
        }
    }
    if (pendingRequestCount() == 0) {
        QMutexLocker lock(&mutex);
        folders = pendingFolders;
        indexFolders();
        lock.unlock();
        emit finishedDownloadFolder(0, CloudGoogleDrive);
    }
}

void GoogleFolder::handleCreateReply(const QByteArray &body)
{
    GoogleFolderEntry entry;
    if (!entryFrom(QJsonDocument::fromJson(body).object(), entry)) {
        // Nothing usable came back: the folder cannot be chosen.
        emit finishedCreateFolder(-205, CloudGoogleDrive, QString(), QString());
        return;
    }
    {
        QMutexLocker lock(&mutex);
        folders.append(entry);
        indexFolder(folders.size() - 1);
    }
    emit finishedCreateFolder(0, CloudGoogleDrive, entry.title, entry.id);
}

void GoogleFolder::indexFolders()
{
    byId.clear();
    topByTitle.clear();
    byId.reserve(folders.size());
    for (int i = 0; i < folders.size(); ++i)
        indexFolder(i);
}

void GoogleFolder::indexFolder(int position)
{
    const GoogleFolderEntry &entry = folders.at(position);
    byId.add(entry.id, position);
    if (entry.bParentIsRoot)
        topByTitle.add(entry.title, position);
}

void GoogleFolder::fillFolderTree(QTreeWidgetItem *root) const
{
    QVector<FolderNode> nodes;
    nodes.reserve(folders.size());
    for (const GoogleFolderEntry &entry : folders) {
        FolderNode node;
        node.name = entry.title;
        node.id = entry.id;
        node.key = entry.id;
        node.parentKey = entry.parentId;
        node.bTop = entry.bParentIsRoot;
        node.bNested = !entry.bParentIsRoot;
        nodes.append(node);
    }
    fillFolderTreeFrom(root, nodes, kMaxDepth);
}

bool GoogleFolder::findFolder(const QString &strName, QString &strId, QString &strPath) const
{
    if (strId.isEmpty()) {
        const int at = topByTitle.find(strName);
        if (at < 0)
            return false;
        strId = folders.at(at).id;
        strPath = folders.at(at).title;
        return true;
    }
    if (strId == rootFolderId()) {
        strPath = QStringLiteral("/");
        return true;
    }
    int at = byId.find(strId);
    if (at < 0)
        return false;
    // Every level begins with "/", the top level as the deeper ones.
    QStringList titles{folders.at(at).title};
    for (int depth = 0; !folders.at(at).bParentIsRoot && depth < kMaxDepth; ++depth) {
        at = byId.find(folders.at(at).parentId);
        if (at < 0)
            break;
        titles.prepend(folders.at(at).title);
    }
    strPath = QLatin1Char('/') + titles.join(QLatin1Char('/'));
    return true;
}

void GoogleFolder::errorRequest(QNetworkReply::NetworkError error)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "GoogleFolder::errorRequest" << "Request error:" << errorName(error)
             << (reply ? reply->errorString() : QString());
}
