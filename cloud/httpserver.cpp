#include "cloud/httpserver.h"

#include "app/globals.h"
#include "app/redact.h"
#include "cloud/cloudservice.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QLocale>
#include <QNetworkProxy>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>
#include <QUrl>

namespace {
// What the token address is matched against; the port is that of the
// registered redirect, whatever port the listener was given.
const char kLoopbackBase[] = "http://127.0.0.1:53511";

QByteArray readResource(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QByteArray httpDate()
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(QDateTime::currentDateTimeUtc(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1();
}
} // namespace

HttpServer::HttpServer(int nCloudService, QObject *parent)
    : QObject(parent)
    , nCloudService(nCloudService)
{
    initModuleResources();
}

HttpServer::~HttpServer()
{
    stopListening();
}

bool HttpServer::setRedirectURL(const QString &url)
{
    qDebug() << "HttpServer::setRedirectURL";
    const QUrl redirect(url);
    nPort = redirect.port(-1);
    if (nPort < 0) {
        qDebug() << "invalid local port";
        return false;
    }
    strPath = redirect.path(QUrl::FullyDecoded);
    const QString host = redirect.host(QUrl::FullyDecoded);
    if (host == QLatin1String("localhost")) {
        // Both loopbacks, never every interface: only this machine may answer a sign-in.
        hostAddress = QHostAddress(QHostAddress::LocalHost);
        bBothLoopbacks = true;
    } else {
        const QHostAddress address(host);
        if (address.isNull() || !address.isLoopback()) {
            qWarning() << "not a loopback address:" << host;
            return false;
        }
        hostAddress = address;
        bBothLoopbacks = false;
    }
    qDebug() << "local host address:" << (bBothLoopbacks ? QStringLiteral("127.0.0.1 and ::1") : hostAddress.toString())
             << "port:" << nPort;
    return true;
}

QTcpServer *HttpServer::listenOn(const QHostAddress &address, quint16 port, QAbstractSocket::SocketError *error)
{
    auto *server = new QTcpServer(this);
    server->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    connect(server, &QTcpServer::newConnection, this, &HttpServer::newConnection);
    if (!server->listen(address, port)) {
        qDebug() << server->errorString();
        if (error)
            *error = server->serverError();
        delete server;
        return nullptr;
    }
    return server;
}

bool HttpServer::startListening()
{
    stopListening();
    if (nPort < 0)
        return false;
    // A port that another program holds would hand it the redirect, and with
    // it the sign-in: then there is no listener at all.
    tcpServer = listenOn(hostAddress, quint16(nPort));
    if (!tcpServer)
        return false;
    if (bBothLoopbacks) {
        // Same port on ::1; a machine without IPv6 keeps the IPv4 listener.
        QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError;
        tcpServerIPv6 = listenOn(QHostAddress(QHostAddress::LocalHostIPv6), tcpServer->serverPort(), &error);
        if (!tcpServerIPv6 && error == QAbstractSocket::AddressInUseError) {
            stopListening();
            return false;
        }
    }
    return true;
}

void HttpServer::stopListening()
{
    for (QTcpServer **server : {&tcpServer, &tcpServerIPv6}) {
        if (*server) {
            (*server)->close();
            // Later: this may run inside a signal of one of its connections.
            (*server)->deleteLater();
            *server = nullptr;
        }
    }
}

bool HttpServer::isListening() const
{
    return (tcpServer && tcpServer->isListening()) || (tcpServerIPv6 && tcpServerIPv6->isListening());
}

quint16 HttpServer::serverPort() const
{
    if (tcpServer && tcpServer->isListening())
        return tcpServer->serverPort();
    if (tcpServerIPv6 && tcpServerIPv6->isListening())
        return tcpServerIPv6->serverPort();
    return 0;
}

QList<QHostAddress> HttpServer::listeningAddresses() const
{
    QList<QHostAddress> addresses;
    for (QTcpServer *server : {tcpServer, tcpServerIPv6}) {
        if (server && server->isListening())
            addresses << server->serverAddress();
    }
    return addresses;
}

void HttpServer::setIdleTimeout(int ms)
{
    nIdleTimeoutMs = ms > 0 ? ms : 10000;
}

void HttpServer::newConnection()
{
    auto *server = qobject_cast<QTcpServer *>(sender());
    if (!server)
        return;
    while (server->hasPendingConnections()) {
        QTcpSocket *socket = server->nextPendingConnection();
        if (!socket)
            break;
        // Connections belong to this object, not to a listener that may be
        // replaced while they are served.
        socket->setParent(this);
        if (connections.size() >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connections.insert(socket, Connection());
        connect(socket, &QTcpSocket::readyRead, this, &HttpServer::clientRequest);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() { dropConnection(socket); });
        connect(socket, &QObject::destroyed, this, [this, socket]() { connections.remove(socket); });
        auto *idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, this, [this, socket]() {
            socket->abort();
            dropConnection(socket);
        });
        idle->start(nIdleTimeoutMs);
    }
}

void HttpServer::dropConnection(QTcpSocket *socket)
{
    connections.remove(socket);
    socket->deleteLater();
}

void HttpServer::clientRequest()
{
    qDebug() << "HttpServer::clientRequest";
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (!socket)
        return;
    auto it = connections.find(socket);
    if (it == connections.end()) {
        socket->readAll();
        return;
    }
    if (it->bAnswered) {
        // One answer per connection; the rest of the request is not needed.
        socket->readAll();
        return;
    }

    const QByteArray data = socket->read(kMaxRequestBytes + 1 - it->buffer.size());
    if (data.isEmpty() && it->buffer.isEmpty()) {
        // Nothing came: nothing to answer.
        it->bAnswered = true;
        socket->disconnectFromHost();
        return;
    }
    it->buffer += data;
    const int lineEnd = it->buffer.indexOf('\n');
    if (lineEnd < 0) {
        if (it->buffer.size() > kMaxRequestBytes) {
            qDebug() << "Request line too long";
            it->bAnswered = true;
            socket->abort();
            dropConnection(socket);
        }
        // Otherwise wait for the rest of a request line split across reads.
        return;
    }
    if (lineEnd > kMaxRequestBytes) {
        qDebug() << "Request line too long";
        it->bAnswered = true;
        socket->abort();
        dropConnection(socket);
        return;
    }

    QByteArray line = it->buffer.left(lineEnd);
    if (line.endsWith('\r'))
        line.chop(1);
    it->bAnswered = true;
    it->buffer.clear();
    socket->readAll();

    QPointer<HttpServer> self(this);
    QPointer<QTcpSocket> guard(socket);
    if (nCloudService == CloudDropbox)
        parseDropboxRequest(QString::fromUtf8(line), socket);
    else if (bCodeRedirects)
        parseCodeRedirect(QString::fromUtf8(line), socket);
    else
        sendEmptyAnswer(socket);
    if (self && guard)
        socket->disconnectFromHost();
}

void HttpServer::parseDropboxRequest(const QString &request, QTcpSocket *socket)
{
    qDebug() << "HttpServer::parseDropboxRequest";
    // Method, target, version separated by blanks; runs of blanks count as one.
    const QStringList parts = request.split(QRegularExpression(QStringLiteral("[ \\t]+")), Qt::SkipEmptyParts);
    if (parts.size() < 2 || parts.at(0) != QLatin1String("GET")) {
        sendEmptyAnswer(socket);
        return;
    }
    const QString address = QLatin1String(kLoopbackBase) + parts.at(1);
    qDebug() << redactSecrets(address);

    if (address.startsWith(QLatin1String(kLoopbackBase) + QLatin1String("/cloud"))) {
        sendIndexPage(socket);
        return;
    }
    if (!address.startsWith(QLatin1String(kLoopbackBase) + QLatin1String("/token"))) {
        sendEmptyAnswer(socket);
        return;
    }

    const QUrl url(address, QUrl::TolerantMode);
    QString query = url.query(QUrl::FullyEncoded);
    query.remove(QStringLiteral("url_with_fragment="));
    // The script sent the address with encodeURIComponent, that is UTF-8.
    answerVerdict(QString::fromUtf8(QByteArray::fromPercentEncoding(query.toLatin1())), socket);
}

void HttpServer::answerVerdict(const QString &address, QTcpSocket *socket)
{
    QPointer<HttpServer> self(this);
    QPointer<QTcpSocket> guard(socket);
    const bool bVerdict = emit verificationToken(address);
    if (!self)
        return;
    if (guard)
        sendResultPage(socket, bVerdict);
    emit verificationFinish(bVerdict);
}

void HttpServer::parseCodeRedirect(const QString &request, QTcpSocket *socket)
{
    qDebug() << "HttpServer::parseCodeRedirect";
    const QStringList parts = request.split(QRegularExpression(QStringLiteral("[ \\t]+")), Qt::SkipEmptyParts);
    // Only the redirect path with a query is the service's answer; a site
    // icon or a bare visit gets the empty answer.
    const QString target = parts.value(1);
    const bool bRedirect = parts.size() >= 2 && parts.at(0) == QLatin1String("GET")
                           && target.startsWith(strPath + QLatin1Char('?')) && !strPath.isEmpty();
    if (!bRedirect) {
        sendEmptyAnswer(socket);
        return;
    }
    answerVerdict(QStringLiteral("http://localhost:%1").arg(nPort) + target, socket);
}

void HttpServer::sendIndexPage(QTcpSocket *socket)
{
    sendAnswer(socket, readResource(QStringLiteral(":/ui/res/dropbox_index.html")));
}

void HttpServer::sendResultPage(QTcpSocket *socket, bool bSuccess)
{
    QString page;
    QFile file(QStringLiteral(":/ui/res/auth_result.html"));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        in.setCodec("UTF-8");
        page = in.readAll();
    }
    const QString icon = QString::fromLatin1(readResource(QStringLiteral(":/ui/images/icon_128.png")).toBase64());
    QString text = tr("Lumerith V2 failed to obtain an Authorization Token");
    if (bSuccess) {
        switch (nCloudService) {
        case CloudGoogleDrive:
            text = tr("Lumerith V2 successfully obtained an Authorization Token to access your Google account");
            break;
        case CloudOneDrive:
            text = tr("Lumerith V2 successfully obtained an Authorization Token to access the OneDrive in your account");
            break;
        default:
            text = tr("Lumerith V2 successfully obtained an Authorization Token to access your Dropbox account");
            break;
        }
    }
    // One pass over the template, so a "%" in a text is never substituted again.
    page = page.arg(tr("Lumerith V2"), icon, text);
    sendAnswer(socket, page.toUtf8());
}

void HttpServer::sendEmptyAnswer(QTcpSocket *socket)
{
    sendAnswer(socket, QByteArray());
}

void HttpServer::sendAnswer(QTcpSocket *socket, const QByteArray &body)
{
    QByteArray answer;
    answer += "HTTP/1.1 200 OK\r\n";
    answer += "Date: " + httpDate() + "\r\n";
    answer += "Content-Type: text/html; charset=\"utf-8\"\r\n";
    // Each connection gets one answer and is then closed; say so, so that a
    // browser does not try to send its next request on it.
    answer += "Connection: close\r\n";
    answer += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    answer += body;
    socket->write(answer);
    socket->flush();
}
