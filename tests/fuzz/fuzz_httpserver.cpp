// The sign-in listener's request handling: whatever a local client sends,
// in pieces, reaches the listener through one end of a socket pair, and the
// other end reads what it answers.
//
// Input: one letter for the listener ("d" Dropbox, whose redirect checks
// go to the sign-in's own check; any other byte a listener of another
// service), then the bytes sent, with "\n%%\n" between pieces that arrive
// in separate reads. "{state}" in the bytes stands for the sign-in's state.
#include "cloud/dropbox/dropboxauthorization.h"
#include "cloud/httpserver.h"
#include "fuzz/cannednetwork.h"
#include "fuzz/fuzzdriver.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTcpSocket>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// What the other end of the pair read, until the listener closed it.
QByteArray drain(int fd, bool *closed)
{
    QByteArray answer;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            answer.append(buffer, int(n));
            continue;
        }
        if (n == 0)
            *closed = true;
        return answer;
    }
}

// One answer: a status line, the framing headers and exactly Content-Length bytes.
void checkAnswer(const QByteArray &answer)
{
    if (answer.isEmpty())
        return;
    fuzzCheck(answer.startsWith("HTTP/1.1 200 OK\r\n"), "an answer starts with its status line");
    const int headEnd = answer.indexOf("\r\n\r\n");
    fuzzCheck(headEnd > 0, "an answer has a complete head");
    const QByteArray head = answer.left(headEnd);
    const int at = head.indexOf("\r\nContent-Length: ");
    fuzzCheck(at > 0, "an answer gives its length");
    const int lengthEnd = head.indexOf("\r\n", at + 2);
    const QByteArray length = head.mid(at + 18, lengthEnd < 0 ? -1 : lengthEnd - at - 18);
    fuzzCheck(length.toInt() == answer.size() - headEnd - 4, "one answer per connection, as long as it says");
}
} // namespace

void setUpTarget()
{
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool dropbox = data[0] == 'd';
    restoreSignIns();
    CannedNetwork::setAnswers({});

    DropboxAuthorization authorization;
    std::unique_ptr<HttpServer> other;
    HttpServer *server = &authorization.server();
    if (dropbox) {
        // As the login dialog wires it.
        QObject::connect(&authorization, &DropboxAuthorization::verificationToken, &authorization,
                         [&authorization](const QString &url) { return authorization.finishedTokenReply(QUrl(url)) == 0; },
                         Qt::DirectConnection);
        authorization.buildAuthorizeUrl();
    } else {
        other.reset(new HttpServer(3));
        server = other.get();
    }
    server->setIdleTimeout(2000);

    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return 0;
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    auto *socket = new QTcpSocket;
    fuzzCheck(socket->setSocketDescriptor(fds[0]), "a socket of the pair is taken");
    QPointer<QTcpSocket> served(socket);
    server->serveConnection(socket);

    QByteArray input = fuzzBytes(data + 1, size - 1);
    input.replace("{state}", authorization.currentState(false).toLatin1());
    QByteArray answer;
    bool closed = false;
    int from = 0;
    while (!closed) {
        const int at = input.indexOf("\n%%\n", from);
        const QByteArray piece = input.mid(from, at < 0 ? -1 : at - from);
        // The listener reads what it can; a full pair buffer is as far as a client gets.
        if (!piece.isEmpty())
            ::send(fds[1], piece.constData(), size_t(piece.size()), MSG_NOSIGNAL);
        QCoreApplication::processEvents();
        answer += drain(fds[1], &closed);
        if (at < 0)
            break;
        from = at + 4;
    }
    // The client has said all it will.
    ::shutdown(fds[1], SHUT_WR);
    fuzzWaitFor([&]() {
        answer += drain(fds[1], &closed);
        return closed;
    }, "the listener closes every connection");
    ::close(fds[1]);
    checkAnswer(answer);
    // The socket is gone with the connection.
    fuzzWaitFor([&]() { return served.isNull(); }, "a closed connection is released");
    return 0;
}
