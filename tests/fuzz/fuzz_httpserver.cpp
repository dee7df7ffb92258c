// The sign-in listener's request handling: whatever a local client sends,
// in pieces, reaches the listener through one end of a socket pair, and the
// other end reads what it answers.
//
// Input: one letter for the listener ("d" Dropbox, whose token addresses go
// to the sign-in's own check; "g" Google Drive in the desktop's browser,
// whose code redirects go to its sign-in; any other byte a listener that
// gives every request the empty answer), then the bytes sent, with "\n%%\n"
// between pieces that arrive in separate reads. "{state}" in the bytes
// stands for the sign-in's state.
#include "cloud/dropbox/dropboxauthorization.h"
#include "cloud/google/googleauthorization.h"
#include "cloud/httpserver.h"
#include "fuzz/cannednetwork.h"
#include "fuzz/fuzzdriver.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

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
    restoreSignIns();
    CannedNetwork::setAnswers({});

    // As the login dialogs wire them.
    DropboxAuthorization dropbox;
    GoogleAuthorization google;
    HttpServer other(3);
    HttpServer *server = &other;
    QString state;
    if (data[0] == 'd') {
        QObject::connect(&dropbox, &DropboxAuthorization::verificationToken, &dropbox,
                         [&dropbox](const QString &url) { return dropbox.finishedTokenReply(QUrl(url)) == 0; },
                         Qt::DirectConnection);
        dropbox.buildAuthorizeUrl();
        state = dropbox.currentState(false);
        server = &dropbox.server();
    } else if (data[0] == 'g') {
        state = QUrlQuery(QUrl(google.buildAuthorizeUrl())).queryItemValue(QStringLiteral("state"));
        server = &google.server();
        server->setAnswerCodeRedirects(true);
        server->setRedirectURL(google.redirectUri());
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
    input.replace("{state}", state.toLatin1());
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
