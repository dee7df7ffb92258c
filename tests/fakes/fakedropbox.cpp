#include "fakes/fakedropbox.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace {
const int kMaxHead = 65536;

QByteArray json(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonObject tagged(const QString &tag)
{
    return QJsonObject{{QStringLiteral(".tag"), tag}};
}

QString reason(int status)
{
    switch (status) {
    case 200: return QStringLiteral("OK");
    case 302: return QStringLiteral("Found");
    case 400: return QStringLiteral("Bad Request");
    case 401: return QStringLiteral("Unauthorized");
    case 404: return QStringLiteral("Not Found");
    case 409: return QStringLiteral("Conflict");
    case 413: return QStringLiteral("Payload Too Large");
    case 431: return QStringLiteral("Request Header Fields Too Large");
    case 500: return QStringLiteral("Internal Server Error");
    default: return QStringLiteral("Status");
    }
}

bool isPrintableAscii(const QByteArray &bytes)
{
    for (char ch : bytes) {
        const uchar u = uchar(ch);
        if (u < 0x20 || u > 0x7E)
            return false;
    }
    return true;
}

// Which keys an argument may carry and of which JSON type.
bool hasOnly(const QJsonObject &o, const QMap<QString, QJsonValue::Type> &allowed, const QStringList &required)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!allowed.contains(it.key()) || allowed.value(it.key()) != it.value().type())
            return false;
    }
    for (const QString &key : required) {
        if (!o.contains(key))
            return false;
    }
    return true;
}

QString parentOf(const QString &pathLower)
{
    const int slash = pathLower.lastIndexOf('/');
    return slash <= 0 ? QString() : pathLower.left(slash);
}

QString leafOf(const QString &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QString htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().replace('"', QLatin1String("&quot;"));
}

// A form body or query: name -> value, both decoded.
QMap<QString, QString> formValues(const QByteArray &encoded)
{
    QMap<QString, QString> values;
    for (const QByteArray &pair : encoded.split('&')) {
        if (pair.isEmpty())
            continue;
        const int eq = pair.indexOf('=');
        QByteArray name = eq < 0 ? pair : pair.left(eq);
        QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        name.replace('+', ' ');
        value.replace('+', ' ');
        values.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return values;
}

QByteArray fragmentValue(const QString &value)
{
    return QUrl::toPercentEncoding(value);
}
} // namespace

FakeDropbox::FakeDropbox(QObject *parent)
    : QObject(parent)
{
}

FakeDropbox::~FakeDropbox()
{
    qDeleteAll(sessions);
}

bool FakeDropbox::start()
{
    api = new QTcpServer(this);
    content = new QTcpServer(this);
    web = new QTcpServer(this);
    if (!api->listen(QHostAddress::LocalHost, 0) || !content->listen(QHostAddress::LocalHost, 0)
        || !web->listen(QHostAddress::LocalHost, 0))
        return false;
    connect(api, &QTcpServer::newConnection, this, [this]() { onNewConnection(api, QStringLiteral("api")); });
    connect(content, &QTcpServer::newConnection, this, [this]() { onNewConnection(content, QStringLiteral("content")); });
    connect(web, &QTcpServer::newConnection, this, [this]() { onNewConnection(web, QStringLiteral("web")); });
    setSlowRead(nSlowBytes);
    return true;
}

quint16 FakeDropbox::apiPort() const
{
    return api ? api->serverPort() : 0;
}

quint16 FakeDropbox::contentPort() const
{
    return content ? content->serverPort() : 0;
}

QString FakeDropbox::apiBase() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(apiPort());
}

QString FakeDropbox::contentBase() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(contentPort());
}

QString FakeDropbox::webBase() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(web ? web->serverPort() : 0);
}

void FakeDropbox::setHoldUploads(bool b)
{
    bHoldUploads = b;
    if (b)
        return;
    const QList<QPointer<QTcpSocket>> waiting = held;
    held.clear();
    for (const QPointer<QTcpSocket> &socket : waiting) {
        if (!socket || !connections.contains(socket))
            continue; // the client gave up on it
        Connection &c = connections[socket];
        c.held = false;
        process(socket, c);
    }
}

int FakeDropbox::heldUploads() const
{
    int n = 0;
    for (const QPointer<QTcpSocket> &socket : held)
        n += (socket && connections.contains(socket)) ? 1 : 0;
    return n;
}

void FakeDropbox::setSlowRead(qint64 bytesPerTick)
{
    nSlowBytes = bytesPerTick;
#ifdef Q_OS_UNIX
    // Small kernel buffers, so the client only sees progress as fast as we read.
    if (nSlowBytes > 0 && content && content->isListening()) {
        const int size = int(qMin<qint64>(nSlowBytes, 65536));
        setsockopt(int(content->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
#endif
}

void FakeDropbox::addFolder(const QString &pathDisplay)
{
    ensureFolder(pathDisplay);
}

void FakeDropbox::addFile(const QString &pathDisplay, const QByteArray &data)
{
    ensureFolder(pathDisplay.left(pathDisplay.lastIndexOf('/')));
    File f;
    f.pathDisplay = pathDisplay;
    f.id = newId();
    f.data = data;
    f.size = data.size();
    f.md5 = QCryptographicHash::hash(data, QCryptographicHash::Md5);
    files.insert(pathDisplay.toLower(), f);
}

bool FakeDropbox::hasFolder(const QString &path) const
{
    return folders.contains(path.toLower());
}

bool FakeDropbox::hasFile(const QString &path) const
{
    return files.contains(path.toLower());
}

FakeDropbox::File FakeDropbox::file(const QString &path) const
{
    return files.value(path.toLower());
}

QStringList FakeDropbox::folderPaths() const
{
    return folders.values();
}

QStringList FakeDropbox::filePaths() const
{
    QStringList paths;
    for (const File &f : files)
        paths << f.pathDisplay;
    return paths;
}

QString FakeDropbox::newId()
{
    return QStringLiteral("id:fake%1").arg(nextId++);
}

QString FakeDropbox::ensureFolder(const QString &pathDisplay)
{
    if (pathDisplay.isEmpty() || pathDisplay == QLatin1String("/"))
        return QString();
    const QString lower = pathDisplay.toLower();
    if (!folders.contains(lower)) {
        ensureFolder(pathDisplay.left(pathDisplay.lastIndexOf('/')));
        folders.insert(lower, pathDisplay);
        folderIds.insert(lower, newId());
    }
    return lower;
}

void FakeDropbox::onNewConnection(QTcpServer *server, const QString &host)
{
    while (server->hasPendingConnections()) {
        QTcpSocket *socket = server->nextPendingConnection();
        Connection c;
        c.host = host;
        connections.insert(socket, c);
        socket->setReadBufferSize(nSlowBytes > 0 ? nSlowBytes : (bHang ? 65536 : 1024 * 1024));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() {
            connections.remove(socket);
            socket->deleteLater();
        });
        if (nSlowBytes > 0) {
            auto *pacer = new QTimer(socket);
            pacer->setInterval(50);
            connect(pacer, &QTimer::timeout, this, [this, socket]() {
                auto it = connections.find(socket);
                if (it == connections.end() || !socket->bytesAvailable())
                    return;
                consume(socket, *it, socket->read(nSlowBytes));
            });
            pacer->start();
            connections[socket].pacer = pacer;
        }
        if (socket->bytesAvailable())
            onReadable(socket);
    }
}

void FakeDropbox::onReadable(QTcpSocket *socket)
{
    auto it = connections.find(socket);
    if (it == connections.end())
        return;
    if (nSlowBytes > 0)
        return; // the pacer reads
    if (bHang && it->headDone)
        return; // let the client's bytes pile up
#ifdef Q_OS_LINUX
    // As in FakeHttpService: no 40 ms delayed acknowledgement between a
    // request's head and body on loopback.
    const int one = 1;
    setsockopt(int(socket->socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
#endif
    consume(socket, *it, socket->readAll());
}

void FakeDropbox::consume(QTcpSocket *socket, Connection &c, const QByteArray &input)
{
    QByteArray data = input;
    while (!c.held && (!data.isEmpty() || (c.headDone && c.received == c.contentLength && c.contentLength == 0))) {
        if (!c.headDone) {
            c.head += data;
            data.clear();
            const int end = c.head.indexOf("\r\n\r\n");
            if (end < 0) {
                if (c.head.size() > kMaxHead)
                    respond(socket, c, 431, QByteArray(), true);
                return;
            }
            data = c.head.mid(end + 4);
            c.head.truncate(end);
            const QList<QByteArray> lines = c.head.split('\n');
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            c.method = QString::fromLatin1(requestLine.value(0));
            c.target = QString::fromLatin1(requestLine.value(1));
            for (int i = 1; i < lines.size(); ++i) {
                const QByteArray line = lines.at(i).trimmed();
                const int colon = line.indexOf(':');
                if (colon > 0)
                    c.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
            }
            c.headDone = true;
            c.contentLength = c.headers.value("content-length", "0").toLongLong();
            if (c.headers.contains("transfer-encoding")) {
                respond(socket, c, 400, "chunked bodies are not supported here", true);
                return;
            }
            if (c.contentLength > nMaxRequestBody) {
                fail(c, 413, json({{"error_summary", "payload_too_large/.."}, {"error", tagged("payload_too_large")}}));
                respond(socket, c, c.status, c.answer, true);
                return;
            }
            headComplete(c);
            if (bHang) {
                // Never answer; stop taking bytes from this connection.
                socket->setReadBufferSize(65536);
                return;
            }
            continue;
        }
        const qint64 n = qMin<qint64>(data.size(), c.contentLength - c.received);
        if (n > 0) {
            const QByteArray piece = data.left(int(n));
            data.remove(0, int(n));
            c.received += n;
            if (!c.sessionId.isEmpty() && c.status == 0) {
                Session *s = sessions.value(c.sessionId);
                s->size += n;
                s->md5.addData(piece);
                if (bKeepBodies)
                    s->data += piece;
            } else if (c.status == 0 && c.host != QLatin1String("content")) {
                c.body += piece;
            }
        }
        if (bResetUploads && c.host == QLatin1String("content")) {
            socket->abort(); // before any answer; the connection record goes with it
            return;
        }
        if (c.received == c.contentLength) {
            bodyComplete(socket, c);
            if (!connections.contains(socket))
                return;
        }
    }
}

void FakeDropbox::fail(Connection &c, int status, const QByteArray &body)
{
    if (c.status == 0) {
        c.status = status;
        c.answer = body;
    }
}

void FakeDropbox::fail409(Connection &c, const QString &summary, const QJsonObject &error)
{
    fail(c, 409, json({{"error_summary", summary}, {"error", error}}));
}

bool FakeDropbox::checkAuth(Connection &c)
{
    const QByteArray auth = c.headers.value("authorization");
    if (auth != "Bearer " + strToken.toLatin1()) {
        fail(c, 401, json({{"error_summary", "invalid_access_token/.."}, {"error", tagged("invalid_access_token")}}));
        return false;
    }
    if (bTokenExpired) {
        fail(c, 401, json({{"error_summary", "expired_access_token/.."}, {"error", tagged("expired_access_token")}}));
        return false;
    }
    return true;
}

void FakeDropbox::headComplete(Connection &c)
{
    const QString path = QUrl(c.target).path();
    if (c.host == QLatin1String("web")) {
        if (path != QLatin1String("/oauth2/authorize"))
            fail(c, 404, "Not found");
        else if (c.method != QLatin1String("GET") && c.method != QLatin1String("POST"))
            fail(c, 400, "Bad method");
        return;
    }
    if (c.method != QLatin1String("POST")) {
        fail(c, 400, "Only POST is accepted here");
        return;
    }
    if (!checkAuth(c))
        return;
    const QByteArray type = c.headers.value("content-type");
    if (c.host == QLatin1String("content")) {
        if (!path.startsWith(QLatin1String("/2/files/upload_session/"))) {
            fail(c, 404, "Unknown endpoint on the content host");
            return;
        }
        if (type != "application/octet-stream") {
            fail(c, 400, "Bad HTTP \"Content-Type\" header, expecting \"application/octet-stream\"");
            return;
        }
        uploadHead(c, path);
        if (nUploadStatus)
            fail(c, nUploadStatus, uploadFailure);
    } else {
        if (path.startsWith(QLatin1String("/2/files/upload_session/"))) {
            fail(c, 404, "Upload endpoints live on the content host");
            return;
        }
        if (type != "application/json") {
            fail(c, 400, "Bad HTTP \"Content-Type\" header, expecting \"application/json\"");
            return;
        }
    }
}

void FakeDropbox::uploadHead(Connection &c, const QString &path)
{
    const QByteArray raw = c.headers.value("dropbox-api-arg");
    if (raw.isEmpty() || !isPrintableAscii(raw)) {
        fail(c, 400, "Dropbox-API-Arg must be present and ASCII");
        return;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(raw, &parseError);
    if (!doc.isObject()) {
        fail(c, 400, "Dropbox-API-Arg is not a JSON object");
        return;
    }
    c.arg = doc.object();
    const QMap<QString, QJsonValue::Type> cursorKeys{{"session_id", QJsonValue::String}, {"offset", QJsonValue::Double}};

    if (path == QLatin1String("/2/files/upload_session/start")) {
        if (!hasOnly(c.arg, {{"close", QJsonValue::Bool}, {"session_type", QJsonValue::String}}, {})) {
            fail(c, 400, "bad start argument");
            return;
        }
        const QString id = QStringLiteral("session-%1").arg(nextId++);
        auto *s = new Session;
        s->closed = c.arg.value("close").toBool();
        sessions.insert(id, s);
        c.sessionId = id;
        return;
    }
    const bool append = path == QLatin1String("/2/files/upload_session/append_v2");
    const bool finish = path == QLatin1String("/2/files/upload_session/finish");
    if (!append && !finish) {
        fail(c, 404, "Unknown upload endpoint");
        return;
    }
    const QJsonObject cursor = c.arg.value("cursor").toObject();
    const bool argOk = append ? hasOnly(c.arg, {{"cursor", QJsonValue::Object}, {"close", QJsonValue::Bool}}, {"cursor"})
                              : hasOnly(c.arg, {{"cursor", QJsonValue::Object}, {"commit", QJsonValue::Object}},
                                        {"cursor", "commit"});
    if (!argOk || !hasOnly(cursor, cursorKeys, {"session_id", "offset"})) {
        fail(c, 400, "bad session argument");
        return;
    }
    if (finish) {
        const QJsonObject commit = c.arg.value("commit").toObject();
        if (!hasOnly(commit,
                     {{"path", QJsonValue::String}, {"mode", QJsonValue::String}, {"autorename", QJsonValue::Bool},
                      {"mute", QJsonValue::Bool}, {"strict_conflict", QJsonValue::Bool}},
                     {"path"})
            || !commit.value("path").toString().startsWith('/')) {
            fail(c, 400, "bad commit argument");
            return;
        }
    }
    const QString id = cursor.value("session_id").toString();
    Session *s = sessions.value(id);
    const QString op = append ? QStringLiteral("") : QStringLiteral("lookup_failed/");
    if (!s) {
        fail409(c, op + "not_found/..", tagged("not_found"));
        return;
    }
    if (s->closed && append) {
        fail409(c, "closed/..", tagged("closed"));
        return;
    }
    const qint64 offset = qint64(cursor.value("offset").toDouble());
    if (offset != s->size) {
        QJsonObject error = tagged("incorrect_offset");
        error.insert("correct_offset", double(s->size));
        fail409(c, op + "incorrect_offset/..", error);
        return;
    }
    c.sessionId = id;
}

void FakeDropbox::bodyComplete(QTcpSocket *socket, Connection &c)
{
    if (bHoldUploads && c.host == QLatin1String("content") && c.status == 0) {
        c.held = true;
        held.append(socket);
        return;
    }
    process(socket, c);
}

void FakeDropbox::process(QTcpSocket *socket, Connection &c)
{
    const QString path = QUrl(c.target).path();
    if (c.status == 0) {
        if (c.host == QLatin1String("content"))
            uploadBody(c, path);
        else if (c.host == QLatin1String("web"))
            webRequest(c, path);
        else
            apiBody(c, path);
    }
    if (c.status == 0)
        fail(c, 500, "unhandled");
    respond(socket, c, c.status, c.answer);
}

void FakeDropbox::uploadBody(Connection &c, const QString &path)
{
    if (path == QLatin1String("/2/files/upload_session/start")) {
        fail(c, 200, json({{"session_id", c.sessionId}}));
        return;
    }
    if (path == QLatin1String("/2/files/upload_session/append_v2")) {
        if (c.arg.value("close").toBool())
            sessions.value(c.sessionId)->closed = true;
        fail(c, 200, "null");
        return;
    }
    // finish
    const QJsonObject commit = c.arg.value("commit").toObject();
    if (nFailCommits > 0) {
        --nFailCommits;
        fail(c, 500, "Internal Server Error");
        return;
    }
    if (bAccountFull) {
        QJsonObject error = tagged("path");
        error.insert("path", tagged("insufficient_space"));
        fail409(c, "path/insufficient_space/..", error);
        return;
    }
    Session *s = sessions.take(c.sessionId);
    QString target = commit.value("path").toString();
    const bool autorename = commit.value("autorename").toBool();
    if (files.contains(target.toLower()) || folders.contains(target.toLower())) {
        if (!autorename) {
            QJsonObject error = tagged("path");
            error.insert("path", tagged("conflict"));
            fail409(c, "path/conflict/file/..", error);
            delete s;
            return;
        }
        const QString dir = target.left(target.lastIndexOf('/'));
        const QString leaf = leafOf(target);
        const int dot = leaf.lastIndexOf('.');
        const QString stem = dot > 0 ? leaf.left(dot) : leaf;
        const QString ext = dot > 0 ? leaf.mid(dot) : QString();
        for (int n = 1;; ++n) {
            const QString candidate = QStringLiteral("%1/%2 (%3)%4").arg(dir, stem).arg(n).arg(ext);
            if (!files.contains(candidate.toLower())) {
                target = candidate;
                break;
            }
        }
    }
    ensureFolder(target.left(target.lastIndexOf('/')));
    File f;
    f.pathDisplay = target;
    f.id = newId();
    f.data = s->data;
    f.size = s->size;
    f.md5 = s->md5.result();
    files.insert(target.toLower(), f);
    strLastCommitted = target;
    delete s;
    fail(c, 200, cannedFinish.isEmpty() ? json(fileMetadata(f)) : cannedFinish);
}

QJsonObject FakeDropbox::folderMetadata(const QString &pathLower) const
{
    const QString display = folders.value(pathLower);
    return QJsonObject{{".tag", "folder"},
                       {"name", leafOf(display)},
                       {"path_lower", pathLower},
                       {"path_display", display},
                       {"id", folderIds.value(pathLower)}};
}

QJsonObject FakeDropbox::fileMetadata(const File &f) const
{
    return QJsonObject{{".tag", "file"},
                       {"name", leafOf(f.pathDisplay)},
                       {"path_lower", f.pathDisplay.toLower()},
                       {"path_display", f.pathDisplay},
                       {"id", f.id},
                       {"size", double(f.size)},
                       {"rev", "015f00000001"},
                       {"server_modified", "2026-12-07T10:15:00Z"},
                       {"client_modified", "2026-12-07T10:15:00Z"}};
}

QByteArray FakeDropbox::listPage(const QString &snapshot, int index)
{
    const QStringList paths = snapshots.value(snapshot);
    QJsonArray entries;
    const int end = qMin(index + nPageSize, paths.size());
    for (int i = index; i < end; ++i) {
        const QString p = paths.at(i);
        if (folders.contains(p))
            entries.append(folderMetadata(p));
        else if (files.contains(p))
            entries.append(fileMetadata(files.value(p)));
        else
            entries.append(QJsonObject{{".tag", "deleted"}, {"name", leafOf(p)}, {"path_lower", p}, {"path_display", p}});
    }
    return json({{"entries", entries},
                 {"cursor", QStringLiteral("%1:%2").arg(snapshot).arg(end)},
                 {"has_more", end < paths.size()}});
}

void FakeDropbox::apiBody(Connection &c, const QString &path)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(c.body, &parseError);
    if (!doc.isObject()) {
        fail(c, 400, "request body: could not decode input as JSON");
        return;
    }
    c.arg = doc.object();
    if (!cannedList.isEmpty() && path.startsWith(QLatin1String("/2/files/list_folder"))) {
        QByteArray answer = cannedList;
        fail(c, 200, answer.replace("{n}", QByteArray::number(++nCannedLists)));
        return;
    }
    if (path == QLatin1String("/2/files/list_folder")) {
        const QMap<QString, QJsonValue::Type> keys{{"path", QJsonValue::String},
                                                   {"recursive", QJsonValue::Bool},
                                                   {"include_media_info", QJsonValue::Bool},
                                                   {"include_deleted", QJsonValue::Bool},
                                                   {"include_has_explicit_shared_members", QJsonValue::Bool},
                                                   {"include_mounted_folders", QJsonValue::Bool},
                                                   {"include_non_downloadable_files", QJsonValue::Bool},
                                                   {"limit", QJsonValue::Double}};
        if (!hasOnly(c.arg, keys, {"path"})) {
            fail(c, 400, "request body: unknown or mistyped field");
            return;
        }
        const QString base = c.arg.value("path").toString().toLower();
        if (!base.isEmpty() && !folders.contains(base)) {
            QJsonObject error = tagged("path");
            error.insert("path", tagged("not_found"));
            fail409(c, "path/not_found/..", error);
            return;
        }
        const bool recursive = c.arg.value("recursive").toBool();
        QStringList paths;
        auto take = [&](const QString &p) {
            if (recursive ? p.startsWith(base + '/') : parentOf(p) == base)
                paths << p;
        };
        for (const QString &p : folders.keys())
            take(p);
        for (const QString &p : files.keys())
            take(p);
        paths.sort();
        const QString snapshot = QStringLiteral("cursor-%1").arg(nextId++);
        snapshots.insert(snapshot, paths);
        fail(c, 200, listPage(snapshot, 0));
        return;
    }
    if (path == QLatin1String("/2/files/list_folder/continue")) {
        if (!hasOnly(c.arg, {{"cursor", QJsonValue::String}}, {"cursor"})) {
            fail(c, 400, "request body: unknown or mistyped field");
            return;
        }
        const QString cursor = c.arg.value("cursor").toString();
        const int colon = cursor.lastIndexOf(':');
        const QString snapshot = cursor.left(colon);
        bool ok = false;
        const int index = cursor.mid(colon + 1).toInt(&ok);
        if (colon < 0 || !ok || !snapshots.contains(snapshot)) {
            fail409(c, "reset/..", tagged("reset"));
            return;
        }
        fail(c, 200, listPage(snapshot, index));
        return;
    }
    if (path == QLatin1String("/2/files/create_folder_v2")) {
        if (!hasOnly(c.arg, {{"path", QJsonValue::String}, {"autorename", QJsonValue::Bool}}, {"path"})) {
            fail(c, 400, "request body: unknown or mistyped field");
            return;
        }
        const QString target = c.arg.value("path").toString();
        if (!target.startsWith('/') || target.endsWith('/') || target.contains(QLatin1String("//"))) {
            QJsonObject error = tagged("path");
            error.insert("path", tagged("malformed_path"));
            fail409(c, "path/malformed_path/..", error);
            return;
        }
        if (folders.contains(target.toLower()) || files.contains(target.toLower())) {
            QJsonObject error = tagged("path");
            QJsonObject conflict = tagged("conflict");
            conflict.insert("conflict", tagged("folder"));
            error.insert("path", conflict);
            fail409(c, "path/conflict/folder/..", error);
            return;
        }
        const QString lower = ensureFolder(target);
        QJsonObject metadata = folderMetadata(lower);
        metadata.remove(".tag");
        fail(c, 200, json({{"metadata", metadata}}));
        return;
    }
    fail(c, 404, "Unknown API endpoint");
}

void FakeDropbox::webRequest(Connection &c, const QString &path)
{
    Q_UNUSED(path)
    // What the browser sends: the query of the address, or the form it posts.
    const QMap<QString, QString> form =
        formValues(c.method == QLatin1String("GET") ? QUrl(c.target).query(QUrl::FullyEncoded).toLatin1() : c.body);
    c.contentType = "text/html; charset=utf-8";
    if (form.value("client_id") != strAppKey) {
        fail(c, 400, "<html><body>Invalid client_id.</body></html>");
        return;
    }
    if (form.value("response_type") != QLatin1String("token")) {
        fail(c, 400, "<html><body>Unsupported response_type.</body></html>");
        return;
    }
    const QString redirect = form.value("redirect_uri");
    if (redirect != strRedirectUri) {
        fail(c, 400, "<html><body>Invalid redirect_uri. It must exactly match one of the redirect URIs you've "
                     "pre-configured for your app.</body></html>");
        return;
    }
    const QString state = form.value("state");
    if (c.method == QLatin1String("GET")) {
        ++nSignInPages;
        QString page = QStringLiteral(
            "<!DOCTYPE html><html><head><title>API Request Authorization</title></head><body>"
            "<p>The application would like access to the files and folders in your account.</p>"
            "<form method=\"POST\" action=\"/oauth2/authorize\">");
        for (const char *name : {"client_id", "response_type", "redirect_uri", "state"})
            page += QStringLiteral("<input type=\"hidden\" name=\"%1\" value=\"%2\">")
                        .arg(QLatin1String(name), htmlEscaped(form.value(QLatin1String(name))));
        page += QStringLiteral("<button type=\"submit\" id=\"allow\" name=\"allow_access\" value=\"1\">Allow</button>"
                               "<button type=\"submit\" id=\"deny\" name=\"deny_access\" value=\"1\">Cancel</button>"
                               "</form></body></html>");
        fail(c, 200, page.toUtf8());
        return;
    }
    const QString sentState = bWrongState ? state + QStringLiteral("-other") : state;
    QByteArray fragment;
    if (form.contains("allow_access")) {
        fragment = "access_token=" + fragmentValue(strToken) + "&token_type=bearer&state=" + fragmentValue(sentState)
                   + "&uid=12345&account_id=" + fragmentValue(QStringLiteral("dbid:AAH4f99T0taONIb-OurWxbNQ6ywGRopQngc"));
    } else {
        fragment = "error=access_denied&error_description="
                   + fragmentValue(QStringLiteral("The user chose not to give your app access to their account."))
                   + "&state=" + fragmentValue(sentState);
    }
    c.location = redirect.toUtf8() + '#' + fragment;
    fail(c, 302, QByteArray());
}

void FakeDropbox::respond(QTcpSocket *socket, Connection &c, int status, const QByteArray &body, bool close)
{
    Request r;
    r.host = c.host;
    r.method = c.method;
    r.path = QUrl(c.target).path();
    r.apiArg = c.headers.value("dropbox-api-arg");
    r.arg = c.arg;
    r.bodySize = c.received;
    r.status = status;
    recorded.append(r);

    QByteArray answer = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status).toLatin1() + "\r\n";
    if (!c.contentType.isEmpty())
        answer += "Content-Type: " + c.contentType + "\r\n";
    else if (status == 200 || status == 409 || status == 401 || status == 413)
        answer += "Content-Type: application/json\r\n";
    else
        answer += "Content-Type: text/plain\r\n";
    if (!c.location.isEmpty())
        answer += "Location: " + c.location + "\r\n";
    answer += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (close)
        answer += "Connection: close\r\n";
    answer += "\r\n" + body;
    socket->write(answer);

    const QString host = c.host;
    QTimer *pacer = c.pacer;
    c = Connection();
    c.host = host;
    c.pacer = pacer;
    emit requestFinished(r.path, status);
    if (close)
        socket->disconnectFromHost();
}
