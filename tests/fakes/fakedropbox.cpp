#include "fakes/fakedropbox.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>


namespace {
QByteArray json(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonObject tagged(const QString &tag)
{
    return QJsonObject{{QStringLiteral(".tag"), tag}};
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
    : FakeHttpService(parent)
{
}

FakeDropbox::~FakeDropbox()
{
    qDeleteAll(sessions);
}

bool FakeDropbox::start()
{
    return listen({QStringLiteral("api"), QStringLiteral("content"), QStringLiteral("web")});
}

quint16 FakeDropbox::apiPort() const
{
    return quint16(QUrl(apiBase()).port());
}

quint16 FakeDropbox::contentPort() const
{
    return quint16(QUrl(contentBase()).port());
}

QString FakeDropbox::apiBase() const
{
    return base(QStringLiteral("api"));
}

QString FakeDropbox::contentBase() const
{
    return base(QStringLiteral("content"));
}

QString FakeDropbox::webBase() const
{
    return base(QStringLiteral("web"));
}

void FakeDropbox::setHoldUploads(bool b)
{
    setHold(QStringLiteral("POST"), QStringLiteral("/2/files/upload_session/"), b);
}

QJsonObject FakeDropbox::argOf(const Request &r)
{
    const QByteArray raw = r.header("dropbox-api-arg");
    return QJsonDocument::fromJson(raw.isEmpty() ? r.body : raw).object();
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

void FakeDropbox::fail(Request &r, int status, const QByteArray &body, const QByteArray &type)
{
    if (r.status != 0)
        return;
    const bool bJson = status == 200 || status == 409 || status == 401 || status == 413;
    const QByteArray defaultType = bJson ? "application/json" : "text/plain";
    answer(r, status, body, {{"Content-Type", type.isEmpty() ? defaultType : type}});
}

void FakeDropbox::fail409(Request &r, const QString &summary, const QJsonObject &error)
{
    fail(r, 409, json({{"error_summary", summary}, {"error", error}}));
}

bool FakeDropbox::checkAuth(Request &r)
{
    const QByteArray auth = r.header("authorization");
    if (auth != "Bearer " + strToken.toLatin1()) {
        fail(r, 401, json({{"error_summary", "invalid_access_token/.."}, {"error", tagged("invalid_access_token")}}));
        return false;
    }
    if (bTokenExpired) {
        fail(r, 401, json({{"error_summary", "expired_access_token/.."}, {"error", tagged("expired_access_token")}}));
        return false;
    }
    return true;
}

void FakeDropbox::headReceived(Request &r)
{
    const QString path = r.path;
    if (r.contentLength > nMaxRequestBody) {
        fail(r, 413, json({{"error_summary", "payload_too_large/.."}, {"error", tagged("payload_too_large")}}));
        return;
    }
    if (r.role == QLatin1String("web")) {
        if (path != QLatin1String("/oauth2/authorize"))
            fail(r, 404, "Not found");
        else if (r.method != QLatin1String("GET") && r.method != QLatin1String("POST"))
            fail(r, 400, "Bad method");
        return;
    }
    if (r.method != QLatin1String("POST")) {
        fail(r, 400, "Only POST is accepted here");
        return;
    }
    if (!checkAuth(r))
        return;
    const QByteArray type = r.header("content-type");
    if (r.role == QLatin1String("content")) {
        if (!path.startsWith(QLatin1String("/2/files/upload_session/"))) {
            fail(r, 404, "Unknown endpoint on the content host");
            return;
        }
        if (type != "application/octet-stream") {
            fail(r, 400, "Bad HTTP \"Content-Type\" header, expecting \"application/octet-stream\"");
            return;
        }
        uploadHead(r, path);
        if (nUploadStatus)
            fail(r, nUploadStatus, uploadFailure);
        r.bReset = bResetUploads;
    } else {
        if (path.startsWith(QLatin1String("/2/files/upload_session/"))) {
            fail(r, 404, "Upload endpoints live on the content host");
            return;
        }
        if (type != "application/json") {
            fail(r, 400, "Bad HTTP \"Content-Type\" header, expecting \"application/json\"");
            return;
        }
    }
}

void FakeDropbox::uploadHead(Request &r, const QString &path)
{
    const QByteArray raw = r.header("dropbox-api-arg");
    if (raw.isEmpty() || !isPrintableAscii(raw)) {
        fail(r, 400, "Dropbox-API-Arg must be present and ASCII");
        return;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(raw, &parseError);
    if (!doc.isObject()) {
        fail(r, 400, "Dropbox-API-Arg is not a JSON object");
        return;
    }
    const QJsonObject arg = doc.object();
    const QMap<QString, QJsonValue::Type> cursorKeys{{"session_id", QJsonValue::String}, {"offset", QJsonValue::Double}};

    if (path == QLatin1String("/2/files/upload_session/start")) {
        if (!hasOnly(arg, {{"close", QJsonValue::Bool}, {"session_type", QJsonValue::String}}, {})) {
            fail(r, 400, "bad start argument");
            return;
        }
        const QString id = QStringLiteral("session-%1").arg(nextId++);
        auto *s = new Session;
        s->closed = arg.value("close").toBool();
        sessions.insert(id, s);
        r.context = id;
        r.bStream = true;
        return;
    }
    const bool append = path == QLatin1String("/2/files/upload_session/append_v2");
    const bool finish = path == QLatin1String("/2/files/upload_session/finish");
    if (!append && !finish) {
        fail(r, 404, "Unknown upload endpoint");
        return;
    }
    const QJsonObject cursor = arg.value("cursor").toObject();
    const bool argOk = append ? hasOnly(arg, {{"cursor", QJsonValue::Object}, {"close", QJsonValue::Bool}}, {"cursor"})
                              : hasOnly(arg, {{"cursor", QJsonValue::Object}, {"commit", QJsonValue::Object}},
                                        {"cursor", "commit"});
    if (!argOk || !hasOnly(cursor, cursorKeys, {"session_id", "offset"})) {
        fail(r, 400, "bad session argument");
        return;
    }
    if (finish) {
        const QJsonObject commit = arg.value("commit").toObject();
        if (!hasOnly(commit,
                     {{"path", QJsonValue::String}, {"mode", QJsonValue::String}, {"autorename", QJsonValue::Bool},
                      {"mute", QJsonValue::Bool}, {"strict_conflict", QJsonValue::Bool}},
                     {"path"})
            || !commit.value("path").toString().startsWith('/')) {
            fail(r, 400, "bad commit argument");
            return;
        }
    }
    const QString id = cursor.value("session_id").toString();
    Session *s = sessions.value(id);
    const QString op = append ? QStringLiteral("") : QStringLiteral("lookup_failed/");
    if (!s) {
        fail409(r, op + "not_found/..", tagged("not_found"));
        return;
    }
    if (s->closed && append) {
        fail409(r, "closed/..", tagged("closed"));
        return;
    }
    const qint64 offset = qint64(cursor.value("offset").toDouble());
    if (offset != s->size) {
        QJsonObject error = tagged("incorrect_offset");
        error.insert("correct_offset", double(s->size));
        fail409(r, op + "incorrect_offset/..", error);
        return;
    }
    r.context = id;
    r.bStream = true;
}

void FakeDropbox::uploadBody(Request &r, const QString &path)
{
    const QJsonObject arg = argOf(r);
    if (path == QLatin1String("/2/files/upload_session/start")) {
        fail(r, 200, json({{"session_id", r.context}}));
        return;
    }
    if (path == QLatin1String("/2/files/upload_session/append_v2")) {
        if (arg.value("close").toBool())
            sessions.value(r.context)->closed = true;
        fail(r, 200, "null");
        return;
    }
    // finish
    const QJsonObject commit = arg.value("commit").toObject();
    if (nFailCommits > 0) {
        --nFailCommits;
        fail(r, 500, "Internal Server Error");
        return;
    }
    if (bAccountFull) {
        QJsonObject error = tagged("path");
        error.insert("path", tagged("insufficient_space"));
        fail409(r, "path/insufficient_space/..", error);
        return;
    }
    Session *s = sessions.take(r.context);
    QString target = commit.value("path").toString();
    const bool autorename = commit.value("autorename").toBool();
    if (files.contains(target.toLower()) || folders.contains(target.toLower())) {
        if (!autorename) {
            QJsonObject error = tagged("path");
            error.insert("path", tagged("conflict"));
            fail409(r, "path/conflict/file/..", error);
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
    fail(r, 200, cannedFinish.isEmpty() ? json(fileMetadata(f)) : cannedFinish);
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

void FakeDropbox::apiBody(Request &r, const QString &path)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(r.body, &parseError);
    if (!doc.isObject()) {
        fail(r, 400, "request body: could not decode input as JSON");
        return;
    }
    const QJsonObject arg = doc.object();
    if (!cannedList.isEmpty() && path.startsWith(QLatin1String("/2/files/list_folder"))) {
        QByteArray answer = cannedList;
        fail(r, 200, answer.replace("{n}", QByteArray::number(++nCannedLists)));
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
        if (!hasOnly(arg, keys, {"path"})) {
            fail(r, 400, "request body: unknown or mistyped field");
            return;
        }
        const QString base = arg.value("path").toString().toLower();
        if (!base.isEmpty() && !folders.contains(base)) {
            QJsonObject error = tagged("path");
            error.insert("path", tagged("not_found"));
            fail409(r, "path/not_found/..", error);
            return;
        }
        const bool recursive = arg.value("recursive").toBool();
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
        fail(r, 200, listPage(snapshot, 0));
        return;
    }
    if (path == QLatin1String("/2/files/list_folder/continue")) {
        if (!hasOnly(arg, {{"cursor", QJsonValue::String}}, {"cursor"})) {
            fail(r, 400, "request body: unknown or mistyped field");
            return;
        }
        const QString cursor = arg.value("cursor").toString();
        const int colon = cursor.lastIndexOf(':');
        const QString snapshot = cursor.left(colon);
        bool ok = false;
        const int index = cursor.mid(colon + 1).toInt(&ok);
        if (colon < 0 || !ok || !snapshots.contains(snapshot)) {
            fail409(r, "reset/..", tagged("reset"));
            return;
        }
        fail(r, 200, listPage(snapshot, index));
        return;
    }
    if (path == QLatin1String("/2/files/create_folder_v2")) {
        if (!hasOnly(arg, {{"path", QJsonValue::String}, {"autorename", QJsonValue::Bool}}, {"path"})) {
            fail(r, 400, "request body: unknown or mistyped field");
            return;
        }
        const QString target = arg.value("path").toString();
        if (!target.startsWith('/') || target.endsWith('/') || target.contains(QLatin1String("//"))) {
            QJsonObject error = tagged("path");
            error.insert("path", tagged("malformed_path"));
            fail409(r, "path/malformed_path/..", error);
            return;
        }
        if (folders.contains(target.toLower()) || files.contains(target.toLower())) {
            QJsonObject error = tagged("path");
            QJsonObject conflict = tagged("conflict");
            conflict.insert("conflict", tagged("folder"));
            error.insert("path", conflict);
            fail409(r, "path/conflict/folder/..", error);
            return;
        }
        const QString lower = ensureFolder(target);
        QJsonObject metadata = folderMetadata(lower);
        metadata.remove(".tag");
        fail(r, 200, json({{"metadata", metadata}}));
        return;
    }
    fail(r, 404, "Unknown API endpoint");
}

void FakeDropbox::webRequest(Request &r, const QString &path)
{
    Q_UNUSED(path)
    // What the browser sends: the query of the address, or the form it posts.
    const QMap<QString, QString> form =
        formValues(r.method == QLatin1String("GET") ? r.target.mid(r.target.indexOf('?') + 1).toLatin1() : r.body);
    const QByteArray html = "text/html; charset=utf-8";
    if (form.value("client_id") != strAppKey) {
        fail(r, 400, "<html><body>Invalid client_id.</body></html>", html);
        return;
    }
    if (form.value("response_type") != QLatin1String("token")) {
        fail(r, 400, "<html><body>Unsupported response_type.</body></html>", html);
        return;
    }
    const QString redirect = form.value("redirect_uri");
    if (redirect != strRedirectUri) {
        fail(r, 400, "<html><body>Invalid redirect_uri. It must exactly match one of the redirect URIs you've "
                     "pre-configured for your app.</body></html>", html);
        return;
    }
    const QString state = form.value("state");
    if (r.method == QLatin1String("GET")) {
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
        fail(r, 200, page.toUtf8(), html);
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
    fail(r, 302, QByteArray(), html);
    r.answerHeaders.append({"Location", redirect.toUtf8() + '#' + fragment});
}

void FakeDropbox::bodyPiece(Request &r, const QByteArray &piece)
{
    Session *s = sessions.value(r.context);
    if (!s)
        return;
    s->size += piece.size();
    s->md5.addData(piece);
    if (bKeepBodies)
        s->data += piece;
}

void FakeDropbox::handle(Request &r)
{
    if (r.role == QLatin1String("content"))
        uploadBody(r, r.path);
    else if (r.role == QLatin1String("web"))
        webRequest(r, r.path);
    else
        apiBody(r, r.path);
}
