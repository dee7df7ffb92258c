#include "fakes/fakegoogle.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace {
const char kFolderType[] = "application/vnd.google-apps.folder";
const char kFolderQuery[] = "mimeType = 'application/vnd.google-apps.folder' and trashed = false";
} // namespace

FakeGoogle::FakeGoogle(QObject *parent)
    : FakeHttpService(parent)
{
    oauth.requiredScopes = QStringList{QStringLiteral("https://www.googleapis.com/auth/drive")};
    Item root;
    root.id = rootId();
    root.title = QStringLiteral("My Drive");
    root.mimeType = kFolderType;
    items.insert(root.id, root);
}

bool FakeGoogle::start()
{
    return listen({QStringLiteral("accounts"), QStringLiteral("api")});
}

QString FakeGoogle::resolve(const QString &id) const
{
    return id == QLatin1String("root") ? rootId() : id;
}

QString FakeGoogle::addFolder(const QString &title, const QString &parentId)
{
    Item folder;
    folder.id = QStringLiteral("folder%1").arg(nNext++);
    folder.title = title;
    folder.mimeType = kFolderType;
    folder.parents = QStringList{parentId.isEmpty() ? rootId() : resolve(parentId)};
    items.insert(folder.id, folder);
    order << folder.id;
    return folder.id;
}

QString FakeGoogle::addSharedFolder(const QString &title)
{
    const QString id = addFolder(title);
    items[id].parents.clear();
    return id;
}

QList<FakeGoogle::Item> FakeGoogle::itemsTitled(const QString &title) const
{
    QList<Item> out;
    for (const QString &id : order) {
        if (items.value(id).title == title)
            out << items.value(id);
    }
    return out;
}

QList<FakeGoogle::Item> FakeGoogle::children(const QString &parentId) const
{
    QList<Item> out;
    for (const QString &id : order) {
        if (items.value(id).parents.contains(resolve(parentId)))
            out << items.value(id);
    }
    return out;
}

QJsonObject FakeGoogle::itemJson(const Item &item) const
{
    const QString self = base("api") + "/drive/v2/files/";
    QJsonArray parents;
    for (const QString &p : item.parents) {
        parents.append(QJsonObject{{"kind", "drive#parentReference"},
                                   {"id", p},
                                   {"selfLink", self + item.id + "/parents/" + p},
                                   {"parentLink", self + p},
                                   {"isRoot", p == rootId()}});
    }
    return QJsonObject{{"kind", "drive#file"},  {"id", item.id},         {"selfLink", self + item.id},
                       {"title", item.title},   {"mimeType", item.mimeType}, {"parents", parents},
                       {"fileSize", QString::number(item.size)}};
}

void FakeGoogle::apiError(Request &r, int status, const QString &reason)
{
    const QJsonObject error{{"errors", QJsonArray{QJsonObject{{"domain", "global"}, {"reason", reason}}}},
                            {"code", status},
                            {"message", reason}};
    answerJson(r, status, QJsonObject{{"error", error}});
}

void FakeGoogle::headReceived(Request &r)
{
    if (r.role == QLatin1String("accounts"))
        return;
    if (!oauth.isValidBearer(r.header("authorization"))) {
        apiError(r, 401, QStringLiteral("authError"));
        return;
    }
    if (r.method != QLatin1String("PUT") || r.path != QLatin1String("/upload/drive/v2/files"))
        return;
    Session *s = sessions.value(r.query.queryItemValue("upload_id")).get();
    if (!s) {
        apiError(r, 404, QStringLiteral("notFound"));
        return;
    }
    // The whole file in one request: "bytes 0-(n-1)/n", or "bytes */0" when empty.
    const QByteArray expected = s->size > 0 ? "bytes 0-" + QByteArray::number(s->size - 1) + "/" + QByteArray::number(s->size)
                                            : QByteArray("bytes */0");
    if (r.header("content-range") != expected || r.contentLength != s->size) {
        apiError(r, 400, QStringLiteral("badContentRange"));
        return;
    }
    r.bStream = true;
}

void FakeGoogle::bodyPiece(Request &r, const QByteArray &piece)
{
    Session *s = sessions.value(r.query.queryItemValue("upload_id")).get();
    s->received += piece.size();
    s->md5.addData(piece);
    if (bKeepBodies)
        s->data += piece;
}

void FakeGoogle::handle(Request &r)
{
    if (r.role == QLatin1String("accounts")) {
        if (r.path == QLatin1String("/o/oauth2/auth"))
            oauth.authorize(r);
        else if (r.path == QLatin1String("/o/oauth2/token"))
            oauth.token(r);
        return;
    }
    if (r.path == QLatin1String("/drive/v2/files")) {
        if (r.method == QLatin1String("GET"))
            listFolders(r);
        else if (r.method == QLatin1String("POST"))
            createFolder(r);
        return;
    }
    if (r.path != QLatin1String("/upload/drive/v2/files"))
        return;
    if (r.method == QLatin1String("POST")) {
        openSession(r);
        return;
    }
    // The PUT: the file is complete.
    const QString id = r.query.queryItemValue("upload_id");
    const std::shared_ptr<Session> s = sessions.take(id);
    Item file;
    file.id = QStringLiteral("file%1").arg(nNext++);
    file.title = s->title;
    file.mimeType = s->mimeType;
    file.parents = QStringList{s->parent};
    file.size = s->received;
    file.data = s->data;
    file.md5 = s->md5.result();
    items.insert(file.id, file);
    order << file.id;
    answerJson(r, 200, itemJson(file));
    emit fileStored(file.title, file.size, file.md5);
}

void FakeGoogle::listFolders(Request &r)
{
    bool ok = false;
    const int maxResults = r.query.queryItemValue("maxResults").toInt(&ok);
    if (r.queryValue("q") != QLatin1String(kFolderQuery) || !ok || maxResults < 1
        || maxResults > 1000) {
        apiError(r, 400, QStringLiteral("invalidQuery"));
        return;
    }
    QString snapshot;
    int index = 0;
    int pageNo = 0;
    if (r.query.hasQueryItem("pageToken")) {
        const QStringList token = r.queryValue("pageToken").split('|');
        snapshot = token.value(0);
        index = token.value(1).toInt();
        pageNo = token.value(2).toInt();
        if (token.size() != 3 || !snapshots.contains(snapshot)) {
            apiError(r, 400, QStringLiteral("invalidPageToken"));
            return;
        }
    } else {
        snapshot = QStringLiteral("snap+%1/x").arg(nNext++); // characters a client must encode
        QStringList ids;
        for (const QString &id : order) {
            if (items.value(id).mimeType == QLatin1String(kFolderType))
                ids << id;
        }
        snapshots.insert(snapshot, ids);
    }
    const QStringList ids = snapshots.value(snapshot);
    const int size = qMin(maxResults, pageSizes.value(pageNo, maxResults));
    const int end = qMin(index + size, ids.size());
    QJsonArray list;
    for (int i = index; i < end; ++i)
        list.append(itemJson(items.value(ids.at(i))));
    QJsonObject page{{"kind", "drive#fileList"}, {"items", list}, {"incompleteSearch", false}};
    if (end < ids.size() || pageNo + 1 < pageSizes.size())
        page.insert("nextPageToken", QStringLiteral("%1|%2|%3").arg(snapshot).arg(end).arg(pageNo + 1));
    answerJson(r, 200, page);
}

void FakeGoogle::createFolder(Request &r)
{
    const QJsonObject o = r.json();
    const QJsonArray parents = o.value("parents").toArray();
    const QString parent = parents.isEmpty() ? rootId() : resolve(parents.first().toObject().value("id").toString());
    if (!r.header("content-type").startsWith("application/json") || o.value("mimeType").toString() != kFolderType
        || o.value("title").toString().isEmpty() || parents.size() > 1) {
        apiError(r, 400, QStringLiteral("badRequest"));
        return;
    }
    if (!items.contains(parent)) {
        apiError(r, 404, QStringLiteral("notFound"));
        return;
    }
    answerJson(r, 200, itemJson(items.value(addFolder(o.value("title").toString(), parent))));
}

void FakeGoogle::openSession(Request &r)
{
    const QJsonObject o = r.json();
    const QJsonArray parents = o.value("parents").toArray();
    bool ok = false;
    const qint64 size = r.header("x-upload-content-length").toLongLong(&ok);
    const QString parent = resolve(parents.first().toObject().value("id").toString());
    const QString type = QString::fromLatin1(r.header("x-upload-content-type"));
    if (r.query.queryItemValue("uploadType") != QLatin1String("resumable") || !ok || size < 0
        || !r.header("content-type").startsWith("application/json") || o.value("title").toString().isEmpty()
        || parents.size() != 1 || o.value("mimeType").toString() != type) {
        apiError(r, 400, QStringLiteral("badRequest"));
        return;
    }
    if (!items.contains(parent)) {
        apiError(r, 404, QStringLiteral("notFound"));
        return;
    }
    if (!strRefusal.isEmpty()) {
        apiError(r, 403, strRefusal);
        return;
    }
    auto s = std::make_shared<Session>();
    s->title = o.value("title").toString();
    s->parent = parent;
    s->mimeType = type;
    s->size = size;
    const QString id = QStringLiteral("up%1").arg(nNext++);
    sessions.insert(id, s);
    answer(r, 200, QByteArray(),
           {{"Location", (base("api") + "/upload/drive/v2/files?uploadType=resumable&upload_id=" + id).toLatin1()}});
}
