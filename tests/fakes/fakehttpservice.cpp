#include "fakes/fakehttpservice.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#endif
#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {
const int kMaxHead = 65536;
const qint64 kKeptBody = 1024 * 1024;

QByteArray reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 302: return "Found";
    case 308: return "Resume Incomplete";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 409: return "Conflict";
    case 413: return "Payload Too Large";
    case 415: return "Unsupported Media Type";
    case 416: return "Range Not Satisfiable";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 507: return "Insufficient Storage";
    default: return "Status";
    }
}

void setAnswer(FakeHttpService::Request &r, int status, const QByteArray &body, const QByteArray &type)
{
    r.status = status;
    r.answer = body;
    r.answerHeaders = {{"Content-Type", type}};
}
} // namespace

QJsonObject FakeHttpService::Request::json() const
{
    return QJsonDocument::fromJson(body).object();
}

QString FakeHttpService::Request::queryValue(const QString &name) const
{
    QByteArray raw = query.queryItemValue(name, QUrl::FullyEncoded).toLatin1();
    return QString::fromUtf8(QByteArray::fromPercentEncoding(raw.replace('+', ' ')));
}

FakeHttpService::FakeHttpService(QObject *parent)
    : QObject(parent)
{
}

FakeHttpService::~FakeHttpService() = default;

bool FakeHttpService::listen(const QStringList &roles)
{
    for (const QString &role : roles) {
        auto *server = new QTcpServer(this);
        if (!server->listen(QHostAddress::LocalHost, 0))
            return false;
        connect(server, &QTcpServer::newConnection, this, [this, server, role]() { onNewConnection(server, role); });
        servers.insert(role, server);
    }
    limitReceiveBuffers();
    return true;
}

void FakeHttpService::setSlowRead(qint64 bytesPerTick)
{
    nSlowBytes = bytesPerTick;
    limitReceiveBuffers();
}

void FakeHttpService::limitReceiveBuffers()
{
#ifdef Q_OS_UNIX
    if (nSlowBytes <= 0)
        return;
    const int size = int(qMin<qint64>(nSlowBytes, 65536));
    for (QTcpServer *server : qAsConst(servers))
        setsockopt(int(server->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
#endif
}

QString FakeHttpService::base(const QString &role) const
{
    QTcpServer *server = servers.value(role);
    return server ? QStringLiteral("http://127.0.0.1:%1").arg(server->serverPort()) : QString();
}

QList<FakeHttpService::Request> FakeHttpService::requests(const QString &pathPrefix) const
{
    QList<Request> out;
    for (const Request &r : recorded) {
        if (r.path.startsWith(pathPrefix))
            out << r;
    }
    return out;
}

void FakeHttpService::scriptAnswer(const QString &method, const QString &pathPrefix, int status,
                                   const QByteArray &body, int times)
{
    scripts.append({method, pathPrefix, status, body, times});
}

void FakeHttpService::resetNext(const QString &method, const QString &pathPrefix, int times)
{
    scripts.append({method, pathPrefix, -1, QByteArray(), times});
}

void FakeHttpService::clearFaults()
{
    scripts.clear();
    bHang = false;
    setHold(QString(), QString(), false);
}

void FakeHttpService::answer(Request &r, int status, const QByteArray &body,
                             const QList<QPair<QByteArray, QByteArray>> &headers)
{
    setAnswer(r, status, body, "application/json");
    bool bTyped = false;
    for (const auto &h : headers)
        bTyped = bTyped || h.first.compare("Content-Type", Qt::CaseInsensitive) == 0;
    if (bTyped)
        r.answerHeaders.clear();
    r.answerHeaders += headers;
}

QByteArray FakeHttpService::toJson(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void FakeHttpService::answerJson(Request &r, int status, const QJsonObject &object)
{
    answer(r, status, toJson(object));
}

void FakeHttpService::quickAck(QTcpSocket *socket)
{
#ifdef Q_OS_LINUX
    // Loopback segments are up to 64 KiB, so a client that writes in smaller
    // pieces with Nagle's algorithm on (as the network library does) would
    // hold the tail of each body until a delayed acknowledgement came, 40 ms
    // later. Acknowledging at once takes that loopback artefact out of the
    // measurements; the kernel turns quick acknowledgement off again by
    // itself, so it is renewed at every read.
    const int one = 1;
    setsockopt(int(socket->socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
#else
    Q_UNUSED(socket)
#endif
}

void FakeHttpService::onNewConnection(QTcpServer *server, const QString &role)
{
    while (server->hasPendingConnections()) {
        QTcpSocket *socket = server->nextPendingConnection();
        Connection c;
        c.role = role;
        connections.insert(socket, c);
        // Bounded, so that a client is held up when nothing is taken.
        socket->setReadBufferSize(nSlowBytes > 0 ? nSlowBytes : (bHang ? 65536 : 1024 * 1024));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() {
            auto it = connections.find(socket);
            if (it != connections.end() && nSlowBytes <= 0 && !(bHang && it->bHeadDone)) {
                quickAck(socket);
                consume(socket, *it, socket->readAll());
            }
        });
        if (nSlowBytes > 0) {
            auto *pacer = new QTimer(socket);
            connect(pacer, &QTimer::timeout, this, [this, socket]() {
                auto it = connections.find(socket);
                if (it != connections.end() && socket->bytesAvailable())
                    consume(socket, *it, socket->read(nSlowBytes));
            });
            pacer->start(50);
        }
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() {
            connections.remove(socket);
            socket->deleteLater();
        });
    }
}

bool FakeHttpService::parseHead(Connection &c)
{
    Request &r = c.request;
    const QList<QByteArray> lines = c.head.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1."))
        return false;
    r = Request();
    r.role = c.role;
    r.method = QString::fromLatin1(requestLine.at(0));
    r.target = QString::fromLatin1(requestLine.at(1));
    const QUrl url(QStringLiteral("http://host") + r.target, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    r.path = url.path(QUrl::FullyDecoded);
    r.query = QUrlQuery(url);
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0)
            r.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    bool ok = true;
    r.contentLength = r.headers.value("content-length", "0").toLongLong(&ok);
    return ok && r.contentLength >= 0 && !r.headers.contains("transfer-encoding");
}

void FakeHttpService::consume(QTcpSocket *socket, Connection &c, QByteArray data)
{
    while (!c.bHeld && (!data.isEmpty() || (c.bHeadDone && c.request.bodySize == c.request.contentLength))) {
        if (!c.bHeadDone) {
            c.head += data;
            data.clear();
            const int end = c.head.indexOf("\r\n\r\n");
            if (end < 0) {
                if (c.head.size() > kMaxHead)
                    socket->abort();
                return;
            }
            data = c.head.mid(end + 4);
            c.head.truncate(end);
            c.bHeadDone = true;
            if (!parseHead(c)) {
                setAnswer(c.request, 400, "malformed request", "text/plain");
                respond(socket, c, true);
                return;
            }
            Request &r = c.request;
            for (Script &s : scripts) {
                if (s.times > 0 && s.method == r.method && r.path.startsWith(s.prefix)) {
                    --s.times;
                    if (s.status < 0)
                        r.bReset = true;
                    else
                        answer(r, s.status, s.body);
                    break;
                }
            }
            if (r.status == 0)
                headReceived(r);
            if (bHang) {
                socket->setReadBufferSize(65536); // stop taking bytes from this client
                return;
            }
            continue;
        }
        Request &r = c.request;
        const qint64 n = qMin<qint64>(data.size(), r.contentLength - r.bodySize);
        if (n > 0) {
            const QByteArray piece = data.left(int(n));
            data.remove(0, int(n));
            r.bodySize += n;
            if (r.status == 0) {
                if (r.bStream)
                    bodyPiece(r, piece);
                else
                    r.body += piece;
            }
        }
        if (r.bReset) {
            socket->abort(); // before any answer; the connection record goes with it
            return;
        }
        if (r.bodySize == r.contentLength) {
            if (r.status == 0 && !strHoldPrefix.isEmpty() && r.method == strHoldMethod
                && r.path.startsWith(strHoldPrefix)) {
                c.bHeld = true;
                held.append(socket);
                return;
            }
            if (r.status == 0)
                handle(r);
            if (!settle(socket, c))
                return;
        }
    }
}

void FakeHttpService::setHold(const QString &method, const QString &pathPrefix, bool bHold)
{
    strHoldMethod = method;
    strHoldPrefix = bHold ? pathPrefix : QString();
    if (!bHold)
        releaseHeld();
}

void FakeHttpService::releaseHeld()
{
    const QList<QPointer<QTcpSocket>> waiting = held;
    held.clear();
    for (const QPointer<QTcpSocket> &socket : waiting) {
        if (!socket || !connections.contains(socket))
            continue; // the client gave up on it
        Connection &c = connections[socket];
        c.bHeld = false;
        c.request.bHold = false;
        handle(c.request);
        // What the client sent meanwhile (keep-alive) is read after the answer.
        if (settle(socket, c) && socket->bytesAvailable())
            consume(socket, c, socket->readAll());
    }
}

bool FakeHttpService::settle(QTcpSocket *socket, Connection &c)
{
    Request &r = c.request;
    if (r.bReset) {
        socket->abort(); // the connection record goes with it
        return false;
    }
    if (r.bHold || r.bHang) {
        c.bHeld = true; // nothing more is read from this client until then
        if (r.bHold)
            held.append(socket);
        return false;
    }
    if (r.status == 0)
        setAnswer(r, 500, "unhandled", "text/plain");
    respond(socket, c, false);
    return connections.contains(socket);
}

int FakeHttpService::heldCount() const
{
    int n = 0;
    for (const QPointer<QTcpSocket> &socket : held)
        n += (socket && connections.contains(socket)) ? 1 : 0;
    return n;
}

void FakeHttpService::respond(QTcpSocket *socket, Connection &c, bool bClose)
{
    Request &r = c.request;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reason(r.status) + "\r\n";
    for (const auto &h : r.answerHeaders)
        out += h.first + ": " + h.second + "\r\n";
    out += "Content-Length: " + QByteArray::number(r.answer.size()) + "\r\n";
    if (bClose)
        out += "Connection: close\r\n";
    out += "\r\n" + r.answer;
    socket->write(out);

    if (r.body.size() > kKeptBody)
        r.body.clear();
    recorded.append(r);
    const QString role = c.role, path = r.path;
    const int status = r.status;
    c = Connection();
    c.role = role;
    emit requestFinished(role, path, status);
    if (bClose)
        socket->disconnectFromHost();
}

void FakeOAuth::addTokens(const QString &access, const QString &refresh)
{
    accessTokens.insert(access);
    refreshTokens.insert(refresh);
}

bool FakeOAuth::isValidBearer(const QByteArray &authorization) const
{
    return authorization.startsWith("Bearer ") && accessTokens.contains(QString::fromLatin1(authorization.mid(7)));
}

bool FakeOAuth::parseForm(const QByteArray &body, QMap<QString, QString> &out)
{
    // Only what a form encoder may leave unescaped.
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9._~*+%=&-]*$"));
    if (!allowed.match(QString::fromLatin1(body)).hasMatch())
        return false;
    for (const QByteArray &pair : body.split('&')) {
        const int eq = pair.indexOf('=');
        if (eq <= 0)
            return false;
        auto decode = [](QByteArray s) { return QString::fromUtf8(QByteArray::fromPercentEncoding(s.replace('+', ' '))); };
        const QString key = decode(pair.left(eq));
        if (out.contains(key))
            return false;
        out.insert(key, decode(pair.mid(eq + 1)));
    }
    return true;
}

void FakeOAuth::oauthError(FakeHttpService::Request &r, int status, const QString &error)
{
    setAnswer(r, status, QJsonDocument(QJsonObject{{"error", error}}).toJson(QJsonDocument::Compact), "application/json");
}

void FakeOAuth::authorize(FakeHttpService::Request &r)
{
    if (bSignInForm && r.method == QLatin1String("POST")) {
        // The form: what the page was asked with, and the button pressed.
        QMap<QString, QString> form;
        if (!parseForm(r.body, form)) {
            setAnswer(r, 400, "invalid form", "text/html");
            return;
        }
        QUrlQuery q;
        for (auto it = form.begin(); it != form.end(); ++it)
            q.addQueryItem(it.key(), QString::fromLatin1(QUrl::toPercentEncoding(it.value())));
        if (!form.contains("allow")) {
            const QString redirect = form.value("redirect_uri");
            QByteArray location = redirect.toUtf8() + "?error=access_denied&error_description=The+user+declined";
            if (form.contains("state"))
                location += "&state=" + QUrl::toPercentEncoding(form.value("state"));
            setAnswer(r, 302, QByteArray(), "text/html");
            r.answerHeaders.append({"Location", location});
            return;
        }
        redirectWithCode(r, q);
        if (r.status == 302) {
            // The browser stays signed in: the next visit is not asked again.
            const QString session = QStringLiteral("s%1").arg(nNext++);
            sessions.insert(session);
            r.answerHeaders.append({"Set-Cookie", "session=" + session.toLatin1() + "; Path=/; Max-Age=86400"});
        }
        return;
    }
    bool remembered = false;
    for (const QByteArray &cookie : r.header("cookie").split(';')) {
        const QByteArray pair = cookie.trimmed();
        remembered = remembered || (pair.startsWith("session=") && sessions.contains(QString::fromLatin1(pair.mid(8))));
    }
    if (bSignInForm && r.method == QLatin1String("GET") && !remembered) {
        ++nSignInForms;
        QByteArray page = "<!DOCTYPE html><html><head><title>Sign in</title></head><body>"
                          "<form method=\"POST\" action=\"" + r.path.toUtf8() + "\">";
        for (const auto &item : r.query.queryItems(QUrl::FullyDecoded))
            page += "<input type=\"hidden\" name=\"" + item.first.toHtmlEscaped().toUtf8() + "\" value=\""
                    + item.second.toHtmlEscaped().replace('"', QLatin1String("&quot;")).toUtf8() + "\">";
        page += "<input name=\"login\" id=\"login\"><input type=\"password\" name=\"passwd\">"
                "<button type=\"submit\" id=\"allow\" name=\"allow\" value=\"1\">Allow</button>"
                "<button type=\"submit\" id=\"deny\" name=\"deny\" value=\"1\">Cancel</button>"
                "</form></body></html>";
        setAnswer(r, 200, page, "text/html; charset=utf-8");
        return;
    }
    redirectWithCode(r, r.query);
}

void FakeOAuth::redirectWithCode(FakeHttpService::Request &r, const QUrlQuery &q)
{
    const QString redirect = q.queryItemValue("redirect_uri", QUrl::FullyDecoded);
    const QUrl redirectUrl(redirect);
    const QStringList scopes = q.queryItemValue("scope", QUrl::FullyDecoded).split(' ');
    bool scopesOk = true;
    for (const QString &s : requiredScopes)
        scopesOk = scopesOk && scopes.contains(s);
    const QString challenge = q.queryItemValue("code_challenge");
    if ((r.method != QLatin1String("GET") && !bSignInForm) || q.queryItemValue("client_id") != clientId
        || q.queryItemValue("response_type") != QLatin1String("code") || !scopesOk
        || redirectUrl.scheme() != QLatin1String("http") || redirectUrl.port() <= 0
        || (redirectUrl.host() != QLatin1String("localhost") && redirectUrl.host() != QLatin1String("127.0.0.1"))
        || q.queryItemValue("code_challenge_method") != QLatin1String("S256") || challenge.size() != 43) {
        setAnswer(r, 400, "invalid sign-in request", "text/html");
        return;
    }
    const QString code = QStringLiteral("code-%1").arg(nNext++) + QStringLiteral("/x+y"); // characters to encode
    codes.insert(code, {redirect, challenge});
    QByteArray location = redirect.toUtf8() + "?code=" + QUrl::toPercentEncoding(code);
    if (q.hasQueryItem("state"))
        location += "&state=" + QUrl::toPercentEncoding(q.queryItemValue("state", QUrl::FullyDecoded));
    location += "&scope=granted";
    setAnswer(r, 302, QByteArray(), "text/html");
    r.answerHeaders.append({"Location", location});
}

void FakeOAuth::issue(FakeHttpService::Request &r, bool bWithRefresh)
{
    if (bAnswerWithoutAccessToken) {
        setAnswer(r, 200, "{\"token_type\":\"Bearer\"}", "application/json");
        return;
    }
    strLastAccess = QStringLiteral("access-%1").arg(nNext++);
    accessTokens.insert(strLastAccess);
    QJsonObject o{{"access_token", strLastAccess}, {"expires_in", nLifetime}, {"token_type", "Bearer"}};
    if (bWithRefresh) {
        strLastRefresh = QStringLiteral("refresh-%1").arg(nNext++);
        refreshTokens.insert(strLastRefresh);
        o.insert("refresh_token", strLastRefresh);
    }
    setAnswer(r, 200, QJsonDocument(o).toJson(QJsonDocument::Compact), "application/json");
}

void FakeOAuth::token(FakeHttpService::Request &r)
{
    QMap<QString, QString> form;
    if (r.method != QLatin1String("POST") || r.header("content-type") != "application/x-www-form-urlencoded"
        || !parseForm(r.body, form)) {
        oauthError(r, 400, "invalid_request");
        return;
    }
    if (form.value("client_id") != clientId) {
        oauthError(r, 400, "invalid_client");
        return;
    }
    // A public client (installed application) must not send a secret; a
    // confidential one must send the right one.
    if (bPublicClient ? form.contains("client_secret") : form.value("client_secret") != clientSecret) {
        oauthError(r, 401, "invalid_client");
        return;
    }
    const QString grant = form.value("grant_type");
    if (grant == QLatin1String("authorization_code")) {
        const QString code = form.value("code");
        if (!codes.contains(code)) {
            oauthError(r, 400, "invalid_grant");
            return;
        }
        const Grant g = codes.take(code); // one use
        const QByteArray verifier = form.value("code_verifier").toLatin1();
        const QByteArray challenge = QCryptographicHash::hash(verifier, QCryptographicHash::Sha256)
                                         .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
        if (form.value("redirect_uri") != g.redirectUri || verifier.size() < 43 || verifier.size() > 128
            || QString::fromLatin1(challenge) != g.challenge) {
            oauthError(r, 400, "invalid_grant");
            return;
        }
        issue(r, true);
        return;
    }
    if (grant == QLatin1String("refresh_token")) {
        const QString refresh = form.value("refresh_token");
        if (!refreshTokens.contains(refresh)) {
            oauthError(r, 400, "invalid_grant");
            return;
        }
        if (bRotateRefresh)
            refreshTokens.remove(refresh);
        issue(r, bRotateRefresh);
        return;
    }
    oauthError(r, 400, "unsupported_grant_type");
}
