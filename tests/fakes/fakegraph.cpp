#include "fakes/fakegraph.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QUrl>

namespace {
const qint64 kUnit = 327680;              // fragments are multiples of 320 KiB
const qint64 kMaxFragment = 60 * 1048576; // and under 60 MiB
const qint64 kMaxSimple = 4 * 1048576;
const char kItems[] = "/v1.0/me/drive/items/";
} // namespace

FakeGraph::FakeGraph(QObject *parent)
    : FakeHttpService(parent)
{
    oauth.requiredScopes = QStringList{QStringLiteral("Files.ReadWrite"), QStringLiteral("offline_access")};
    Item root;
    root.id = rootId();
    root.name = QStringLiteral("root");
    root.bFolder = true;
    items.insert(root.id, root);
}

bool FakeGraph::start()
{
    return listen({QStringLiteral("login"), QStringLiteral("graph")});
}

QString FakeGraph::newItem(const QString &name, const QString &parentId, bool bFolder)
{
    Item item;
    item.id = QStringLiteral("ITEM!%1").arg(nNext++);
    item.name = name;
    item.parentId = parentId.isEmpty() ? rootId() : parentId;
    item.bFolder = bFolder;
    items.insert(item.id, item);
    children[item.parentId] << item.id;
    return item.id;
}

QString FakeGraph::addFolder(const QString &name, const QString &parentId)
{
    return newItem(name, parentId, true);
}

QString FakeGraph::addFile(const QString &name, const QString &parentId)
{
    return newItem(name, parentId, false);
}

QString FakeGraph::pathOf(const QString &id) const
{
    QStringList names;
    for (QString at = id; !at.isEmpty() && at != rootId(); at = items.value(at).parentId)
        names.prepend(items.value(at).name);
    return QLatin1Char('/') + names.join('/');
}

FakeGraph::Item FakeGraph::itemAt(const QString &path) const
{
    QString at = rootId();
    for (const QString &name : path.split('/', Qt::SkipEmptyParts)) {
        QString next;
        for (const QString &id : children.value(at)) {
            if (items[id].name.compare(name, Qt::CaseInsensitive) == 0)
                next = id;
        }
        if (next.isEmpty())
            return Item();
        at = next;
    }
    return items.value(at);
}

QStringList FakeGraph::childNames(const QString &parentId) const
{
    QStringList names;
    for (const QString &id : children.value(parentId))
        names << items.value(id).name;
    return names;
}

QString FakeGraph::freeName(const QString &parentId, const QString &name) const
{
    const QStringList taken = childNames(parentId);
    const int dot = name.lastIndexOf('.');
    const QString stem = dot > 0 ? name.left(dot) : name, ext = dot > 0 ? name.mid(dot) : QString();
    QString candidate = name;
    for (int n = 1; taken.contains(candidate, Qt::CaseInsensitive); ++n)
        candidate = QStringLiteral("%1 %2%3").arg(stem).arg(n).arg(ext);
    return candidate;
}

QJsonObject FakeGraph::itemJson(const Item &item) const
{
    QJsonObject o{{"name", item.name},
                  {"cTag", "c:" + item.id},
                  {"eTag", "e:" + item.id},
                  {"webUrl", "https://onedrive.example/" + item.id},
                  {"size", double(item.size)}};
    if (!withoutId.contains(item.id))
        o.insert("id", item.id);
    QJsonObject parent{{"driveId", "drive1"}, {"driveType", bWork ? "business" : "personal"}};
    if (!item.parentId.isEmpty()) {
        const QString below = item.parentId == rootId() ? QString() : pathOf(item.parentId);
        parent.insert("id", item.parentId);
        parent.insert("path", (bWork ? "/drives/drive1/root:" : "/drive/root:")
                                  + QString::fromLatin1(QUrl::toPercentEncoding(below, "/")));
    }
    o.insert("parentReference", parent);
    if (item.bFolder)
        o.insert("folder", QJsonObject{{"childCount", children.value(item.id).size()}});
    else
        o.insert("file", QJsonObject{{"mimeType", "application/octet-stream"}});
    return o;
}

void FakeGraph::graphError(Request &r, int status, const QString &code)
{
    answerJson(r, status, QJsonObject{{"error", QJsonObject{{"code", code}, {"message", code}}}});
}

void FakeGraph::headReceived(Request &r)
{
    if (r.role == QLatin1String("login"))
        return;
    if (r.path.startsWith(QLatin1String("/up/"))) {
        Session *s = sessions.value(r.path.mid(4)).get();
        if (!s) {
            graphError(r, 404, QStringLiteral("itemNotFound"));
            return;
        }
        fragmentHead(r, s);
        return;
    }
    if (!oauth.isValidBearer(r.header("authorization"))) {
        graphError(r, 401, QStringLiteral("InvalidAuthenticationToken"));
        return;
    }
    if (r.method == QLatin1String("PUT") && r.path.endsWith(QLatin1String(":/content"))) {
        if (r.contentLength > kMaxSimple)
            graphError(r, 413, QStringLiteral("requestTooLarge"));
        else if (bFull)
            graphError(r, 507, QStringLiteral("quotaLimitReached"));
    }
}

void FakeGraph::fragmentHead(Request &r, Session *s)
{
    // Pre-authenticated: a bearer token here is refused.
    if (!r.header("authorization").isEmpty()) {
        graphError(r, 401, QStringLiteral("unauthenticated"));
        return;
    }
    static const QRegularExpression range(QStringLiteral("^bytes (\\d+)-(\\d+)/(\\d+)$"));
    const QRegularExpressionMatch m = range.match(QString::fromLatin1(r.header("content-range")));
    const qint64 first = m.captured(1).toLongLong(), last = m.captured(2).toLongLong(), total = m.captured(3).toLongLong();
    const qint64 length = last - first + 1;
    if (r.method != QLatin1String("PUT") || !m.hasMatch() || length != r.contentLength || length <= 0
        || length >= kMaxFragment || last >= total || (s->total >= 0 && total != s->total)
        || (last + 1 < total && length % kUnit != 0)) {
        graphError(r, 400, QStringLiteral("invalidRange"));
        return;
    }
    if (first != s->received) {
        graphError(r, 416, QStringLiteral("invalidRange"));
        return;
    }
    s->total = total;
    r.bStream = true;
}

void FakeGraph::bodyPiece(Request &r, const QByteArray &piece)
{
    Session *s = r.path.startsWith(QLatin1String("/up/")) ? sessions.value(r.path.mid(4)).get() : nullptr;
    if (!s) {
        r.body += piece;
        return;
    }
    s->received += piece.size();
    s->md5.addData(piece);
    if (bKeepBodies)
        s->data += piece;
}

void FakeGraph::handle(Request &r)
{
    if (r.role == QLatin1String("login")) {
        if (r.path == QLatin1String("/common/oauth2/v2.0/authorize"))
            oauth.authorize(r);
        else if (r.path == QLatin1String("/common/oauth2/v2.0/token"))
            oauth.token(r);
        return;
    }
    if (r.path.startsWith(QLatin1String("/up/"))) {
        const QString id = r.path.mid(4);
        const std::shared_ptr<Session> s = sessions.value(id);
        if (s->received < s->total) {
            answerJson(r, 202, QJsonObject{{"nextExpectedRanges", QJsonArray{QStringLiteral("%1-").arg(s->received)}}});
            return;
        }
        sessions.remove(id);
        const QString file = newItem(freeName(s->parentId, s->name), s->parentId, false);
        items[file].size = s->received;
        items[file].data = s->data;
        items[file].md5 = s->md5.result();
        answerJson(r, 201, itemJson(items.value(file)));
        emit fileStored(items.value(file).name, items.value(file).size, items.value(file).md5);
        return;
    }
    if (r.method == QLatin1String("GET") && r.path == QLatin1String("/v1.0/me/drive/root")) {
        answerJson(r, 200, itemJson(items.value(rootId())));
        return;
    }
    if (!r.path.startsWith(QLatin1String(kItems)))
        return;
    const QString rest = r.path.mid(int(qstrlen(kItems)));
    if (rest.startsWith(QLatin1String("root:/"))) {
        // items/root:/folder/name:/action
        const int colon = rest.lastIndexOf(QLatin1String(":/"));
        const QString path = rest.mid(5, colon - 5), action = rest.mid(colon + 2);
        const int slash = path.lastIndexOf('/');
        const Item parent = itemAt(path.left(slash));
        if (colon <= 5 || parent.id.isEmpty() || !parent.bFolder) {
            graphError(r, 404, QStringLiteral("itemNotFound"));
        } else if (action == QLatin1String("createUploadSession") && r.method == QLatin1String("POST")) {
            openSession(r, path);
        } else if (action == QLatin1String("content") && r.method == QLatin1String("PUT")) {
            const bool rename = r.queryValue("@microsoft.graph.conflictBehavior") == QLatin1String("rename");
            const QString name = path.mid(slash + 1);
            const Item existing = itemAt(path);
            const QString id = existing.id.isEmpty() || existing.bFolder || rename
                                   ? newItem(freeName(parent.id, name), parent.id, false)
                                   : existing.id; // replaced
            items[id].data = r.body;
            items[id].size = r.body.size();
            items[id].md5 = QCryptographicHash::hash(r.body, QCryptographicHash::Md5);
            answerJson(r, 201, itemJson(items.value(id)));
            emit fileStored(items.value(id).name, items.value(id).size, items.value(id).md5);
        }
        return;
    }
    if (!rest.endsWith(QLatin1String("/children")))
        return;
    const QString id = rest.left(rest.size() - int(qstrlen("/children")));
    if (!items.value(id).bFolder) {
        graphError(r, 404, QStringLiteral("itemNotFound"));
        return;
    }
    if (r.method == QLatin1String("GET"))
        listChildren(r, id);
    else if (r.method == QLatin1String("POST"))
        createFolder(r, id);
}

void FakeGraph::listChildren(Request &r, const QString &id)
{
    const QStringList below = children.value(id);
    const int start = r.queryValue("$skiptoken").toInt();
    const int end = qMin(start + nPageSize, below.size());
    QJsonArray value;
    for (int i = start; i < end; ++i)
        value.append(itemJson(items.value(below.at(i))));
    QJsonObject page{{"value", value}};
    if (end < below.size()) {
        page.insert("@odata.nextLink", base("graph") + kItems + QString::fromLatin1(QUrl::toPercentEncoding(id))
                                           + QStringLiteral("/children?$skiptoken=%1&select=id").arg(end));
    }
    answerJson(r, 200, page);
}

void FakeGraph::createFolder(Request &r, const QString &parentId)
{
    const QJsonObject o = r.json();
    const QString name = o.value("name").toString();
    if (r.header("content-type") != "application/json" || name.isEmpty() || !o.value("folder").isObject()) {
        graphError(r, 400, QStringLiteral("invalidRequest"));
        return;
    }
    if (childNames(parentId).contains(name, Qt::CaseInsensitive)) {
        if (o.value("@microsoft.graph.conflictBehavior").toString() != QLatin1String("rename")) {
            graphError(r, 409, QStringLiteral("nameAlreadyExists"));
            return;
        }
    }
    answerJson(r, 201, itemJson(items.value(newItem(freeName(parentId, name), parentId, true))));
}

void FakeGraph::openSession(Request &r, const QString &path)
{
    const QJsonObject item = r.json().value("item").toObject();
    const QString name = path.mid(path.lastIndexOf('/') + 1);
    if (r.header("content-type") != "application/json" || item.value("name").toString() != name
        || item.value("@microsoft.graph.conflictBehavior").toString() != QLatin1String("rename")) {
        graphError(r, 400, QStringLiteral("invalidRequest"));
        return;
    }
    if (bFull) {
        graphError(r, 507, QStringLiteral("quotaLimitReached"));
        return;
    }
    auto s = std::make_shared<Session>();
    s->parentId = itemAt(path.left(path.lastIndexOf('/'))).id;
    s->name = name;
    const QString id = QStringLiteral("session%1").arg(nNext++);
    sessions.insert(id, s);
    answerJson(r, 200, QJsonObject{{"uploadUrl", base("graph") + "/up/" + id},
                                   {"expirationDateTime", "2026-12-08T10:15:00Z"},
                                   {"nextExpectedRanges", QJsonArray{"0-"}}});
}
