#include "fakes/fakehttpendpoint.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace {
const int kMaxHead = 65536;

QByteArray reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 413: return "Payload Too Large";
    case 415: return "Unsupported Media Type";
    case 431: return "Request Header Fields Too Large";
    default: return "Status";
    }
}
} // namespace

QString FakeHttpEndpoint::Request::path() const
{
    return QUrl::fromEncoded(target).path();
}

QUrlQuery FakeHttpEndpoint::Request::query() const
{
    return QUrlQuery(QUrl::fromEncoded(target));
}

FakeHttpEndpoint::FakeHttpEndpoint(Handler handler, QObject *parent)
    : QObject(parent)
    , handler(std::move(handler))
{
}

FakeHttpEndpoint::~FakeHttpEndpoint() = default;

bool FakeHttpEndpoint::start()
{
    server = new QTcpServer(this);
    if (!server->listen(QHostAddress::LocalHost, 0))
        return false;
    connect(server, &QTcpServer::newConnection, this, &FakeHttpEndpoint::onNewConnection);
    return true;
}

quint16 FakeHttpEndpoint::port() const
{
    return server ? server->serverPort() : 0;
}

QString FakeHttpEndpoint::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void FakeHttpEndpoint::onNewConnection()
{
    while (server->hasPendingConnections()) {
        QTcpSocket *socket = server->nextPendingConnection();
        buffers.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket]() {
            buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void FakeHttpEndpoint::onReadable(QTcpSocket *socket)
{
    if (!buffers.contains(socket))
        return;
    QByteArray &buffer = buffers[socket];
    buffer += socket->readAll();
    for (;;) {
        const int headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            if (buffer.size() > kMaxHead) {
                write(socket, Answer{431, "text/plain", "head too large", {}, false});
                socket->disconnectFromHost();
            }
            return;
        }
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        Request request;
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const qint64 length = request.headers.value("content-length", "0").toLongLong();
        if (requestLine.size() != 3 || length < 0 || length > kMaxBody) {
            write(socket, Answer{length > kMaxBody ? 413 : 400, "text/plain", "bad request", {}, false});
            socket->disconnectFromHost();
            return;
        }
        if (buffer.size() < headEnd + 4 + length)
            return;
        request.body = buffer.mid(headEnd + 4, int(length));
        buffer.remove(0, headEnd + 4 + int(length));
        const Answer answer = handler(request);
        if (answer.hold) {
            held.append({QPointer<QTcpSocket>(socket), request});
            return; // one request at a time per client; nothing more is read until then
        }
        if (answer.reset) {
            socket->abort();
            return;
        }
        if (answer.hang) {
            // Stop reading as well, as a stalled peer would.
            buffers.remove(socket);
            disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
            return;
        }
        write(socket, answer);
    }
}

void FakeHttpEndpoint::releaseHeld()
{
    const auto waiting = held;
    held.clear();
    for (const auto &entry : waiting) {
        if (!entry.first || entry.first->state() != QAbstractSocket::ConnectedState)
            continue; // the client gave up on it
        write(entry.first, handler(entry.second));
        if (entry.first->bytesAvailable())
            onReadable(entry.first);
    }
}

int FakeHttpEndpoint::heldCount() const
{
    int n = 0;
    for (const auto &entry : held)
        n += (entry.first && entry.first->state() == QAbstractSocket::ConnectedState) ? 1 : 0;
    return n;
}

void FakeHttpEndpoint::write(QTcpSocket *socket, const Answer &answer)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason(answer.status) + "\r\n";
    head += "Content-Type: " + answer.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    for (const auto &h : answer.headers)
        head += h.first + ": " + h.second + "\r\n";
    socket->write(head + "\r\n" + answer.body);
    socket->flush();
}
