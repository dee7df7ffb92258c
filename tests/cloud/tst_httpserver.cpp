// The loopback redirect listener, driven by raw sockets as a browser or
// anything else on this machine would drive it.
#include "cloud/dropbox/dropboxauthorization.h"
#include "cloud/httpserver.h"
#include "cloudtestenv.h"
#include "testsupport.h"

#include <QNetworkInterface>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <memory>

namespace {
// Sends bytes (in pieces, if given several) and collects everything until the
// server closes the connection.
struct Exchange
{
    QByteArray answer;
    bool closed = false;
};

Exchange exchange(quint16 port, const QList<QByteArray> &pieces, const QHostAddress &address = QHostAddress::LocalHost)
{
    Exchange result;
    QTcpSocket socket;
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&]() { result.answer += socket.readAll(); });
    socket.connectToHost(address, port);
    if (!QTest::qWaitFor([&]() { return socket.state() == QAbstractSocket::ConnectedState; }, 5000))
        return result;
    for (const QByteArray &piece : pieces) {
        socket.write(piece);
        socket.flush();
        QTest::qWait(20);
    }
    result.closed = QTest::qWaitFor([&]() { return socket.state() == QAbstractSocket::UnconnectedState; }, 5000);
    result.answer += socket.readAll();
    return result;
}

Exchange get(quint16 port, const QByteArray &target)
{
    return exchange(port, {"GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: test\r\n\r\n"});
}

QByteArray bodyOf(const QByteArray &answer)
{
    const int end = answer.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : answer.mid(end + 4);
}

QByteArray headOf(const QByteArray &answer)
{
    const int end = answer.indexOf("\r\n\r\n");
    return end < 0 ? answer : answer.left(end + 2);
}

QByteArray emptyAnswerPattern()
{
    return "HTTP/1.1 200 OK\r\nDate: ";
}
} // namespace

class TestHttpServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void redirectUrlRules();
    void indexPageAndFraming();
    void tokenRoundTripGivesVerdictPages();
    void twoTokenRequestsGiveTwoVerdicts();
    void otherPathsGetTheEmptyAnswer();
    void otherServicesOnlyGetEmptyAnswers();
    void requestLineSplitAcrossReads();
    void zeroByteConnectionIsClosedQuietly();
    void junkAndOversizeDoNotStopTheServer();
    void manyIdleConnectionsDoNotStopTheServer();
    void listensOnLoopbackOnly();
    void heldPortIsNoListener_data();
    void heldPortIsNoListener();
    void signInThroughTheListener_data();
    void signInThroughTheListener();

private:
    std::unique_ptr<HttpServer> server;
    quint16 port = 0;
};

void TestHttpServer::initTestCase()
{
    QVERIFY(setUpCloudConfig({}));
}

void TestHttpServer::init()
{
    server.reset(new HttpServer(4));
    QVERIFY(server->setRedirectURL("http://127.0.0.1:0/cloud"));
    QVERIFY(server->startListening());
    port = server->serverPort();
    QVERIFY(port != 0);
}

void TestHttpServer::cleanup()
{
    server.reset();
}

void TestHttpServer::redirectUrlRules()
{
    HttpServer s(4);
    QVERIFY(!s.setRedirectURL("http://127.0.0.1/cloud"));        // no port
    QVERIFY(!s.setRedirectURL("http://0.0.0.0:53511/cloud"));    // every interface
    QVERIFY(!s.setRedirectURL("http://192.0.2.7:53511/cloud"));  // another machine
    QVERIFY(!s.setRedirectURL("http://example.org:53511/cloud"));
    QVERIFY(s.setRedirectURL("http://127.0.0.1:53511/cloud"));
    QVERIFY(s.setRedirectURL("http://localhost:53511/cloud"));
    QVERIFY(s.setRedirectURL("http://[::1]:53511/cloud"));
}

void TestHttpServer::indexPageAndFraming()
{
    QFile page(":/ui/res/dropbox_index.html");
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QByteArray index = page.readAll();
    QCOMPARE(index.size(), 297);
    QVERIFY(index.contains("\"/token?url_with_fragment=\" + encodeURIComponent(document.location.href)"));
    QVERIFY(index.contains("// Append fragment as query string so that server can receive it."));

    // The browser asks for /cloud (the fragment stays with it); two blanks after the method still match.
    for (const QByteArray &line : {QByteArray("GET /cloud HTTP/1.1"), QByteArray("GET  /cloud HTTP/1.1")}) {
        const Exchange e = exchange(port, {line + "\r\nHost: 127.0.0.1:53511\r\n\r\n"});
        QVERIFY(e.closed);
        QVERIFY2(e.answer.startsWith("HTTP/1.1 200 OK\r\nDate: "), e.answer.constData());
        const QRegularExpression date("^HTTP/1\\.1 200 OK\\r\\nDate: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d "
                                      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} \\d\\d:\\d\\d:\\d\\d GMT\\r\\n"
                                      "Content-Type: text/html; charset=\"utf-8\"\\r\\nConnection: close\\r\\nContent-Length: 297\\r\\n$");
        QVERIFY2(date.match(QString::fromLatin1(headOf(e.answer))).hasMatch(), e.answer.constData());
        QCOMPARE(bodyOf(e.answer), index);
    }
}

void TestHttpServer::tokenRoundTripGivesVerdictPages()
{
    QStringList seen;
    bool verdict = true;
    connect(server.get(), &HttpServer::verificationToken, this,
            [&](const QString &url) { seen << url; return verdict; }, Qt::DirectConnection);
    QSignalSpy finished(server.get(), &HttpServer::verificationFinish);

    const QString address = QString::fromUtf8("http://127.0.0.1:53511/cloud#access_token=sl.AB-c_d&token_type=bearer"
                                              "&state=1d0e&uid=12&account_id=dbid%3AAAH&note=Sc\xc3\xa4n");
    const QByteArray query = QUrl::toPercentEncoding(address);
    Exchange e = get(port, "/token?url_with_fragment=" + query);
    QCOMPARE(seen, QStringList{address});
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QByteArray body = bodyOf(e.answer);
    QVERIFY(e.answer.contains("Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n"));
    QVERIFY(body.contains("<title>Lumerith V2</title>"));
    // The application icon, inline: a PNG starts with these Base64 characters.
    QVERIFY(body.contains("data:image/png;base64, iVBORw0KGgo"));
    QVERIFY(body.contains("successfully obtained an Authorization Token to access your Dropbox account"));
    QVERIFY(!body.contains("%1") && !body.contains("%3"));

    verdict = false;
    e = get(port, "/token?url_with_fragment=" + QUrl::toPercentEncoding("http://127.0.0.1:53511/cloud#error=x"));
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toBool(), false);
    QVERIFY(bodyOf(e.answer).contains("Lumerith V2 failed to obtain an Authorization Token"));
}

void TestHttpServer::twoTokenRequestsGiveTwoVerdicts()
{
    // Nothing connected: the verdict is false, and still a page is sent.
    QSignalSpy finished(server.get(), &HttpServer::verificationFinish);
    get(port, "/token?url_with_fragment=a");
    get(port, "/token?url_with_fragment=b");
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
}

void TestHttpServer::otherPathsGetTheEmptyAnswer()
{
    QSignalSpy token(server.get(), &HttpServer::verificationToken);
    for (const QByteArray &request : {QByteArray("GET /favicon.ico HTTP/1.1\r\n\r\n"),
                                      QByteArray("get /cloud HTTP/1.1\r\n\r\n"),
                                      QByteArray("POST /token?url_with_fragment=x HTTP/1.1\r\n\r\n"),
                                      QByteArray("GET\r\n\r\n")}) {
        const Exchange e = exchange(port, {request});
        QVERIFY(e.closed);
        QVERIFY2(e.answer.startsWith(emptyAnswerPattern()), request.constData());
        QVERIFY2(e.answer.endsWith("Content-Type: text/html; charset=\"utf-8\"\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"),
                 e.answer.constData());
    }
    QCOMPARE(token.count(), 0);
}

void TestHttpServer::otherServicesOnlyGetEmptyAnswers()
{
    HttpServer google(1);
    QVERIFY(google.setRedirectURL("http://localhost:0/cloud"));
    QVERIFY(google.startListening());
    QSignalSpy token(&google, &HttpServer::verificationToken);
    QSignalSpy finished(&google, &HttpServer::verificationFinish);
    const Exchange e = exchange(google.serverPort(), {"GET /token?url_with_fragment=http%3A%2F%2Fx HTTP/1.1\r\n\r\n"});
    QVERIFY(e.answer.endsWith("Content-Length: 0\r\n\r\n"));
    const Exchange code = exchange(google.serverPort(), {"GET /cloud?code=4/abc&scope=x HTTP/1.1\r\n\r\n"});
    QVERIFY(code.answer.endsWith("Content-Length: 0\r\n\r\n"));
    QCOMPARE(token.count(), 0);
    QCOMPARE(finished.count(), 0);
}

void TestHttpServer::requestLineSplitAcrossReads()
{
    const Exchange e = exchange(port, {"GE", "T /cl", "oud HTTP/1.1\r", "\nHost: x\r\n\r\n"});
    QVERIFY(e.closed);
    QCOMPARE(bodyOf(e.answer).size(), 297);
}

void TestHttpServer::zeroByteConnectionIsClosedQuietly()
{
    server->setIdleTimeout(300);
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        QTRY_COMPARE(socket.state(), QAbstractSocket::ConnectedState);
        socket.disconnectFromHost();
    }
    // Connected, silent: dropped after the idle time without an answer.
    const Exchange silent = exchange(port, {});
    QVERIFY(silent.closed);
    QVERIFY(silent.answer.isEmpty());
    QCOMPARE(bodyOf(get(port, "/cloud").answer).size(), 297);
}

void TestHttpServer::junkAndOversizeDoNotStopTheServer()
{
    server->setIdleTimeout(500);
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 131 + 7) & 0xff);
    QByteArray noBreak(HttpServer::kMaxRequestBytes + 100, 'A');
    const QByteArray hugeLine = "GET /token?url_with_fragment=" + QByteArray(200000, 'x') + " HTTP/1.1\r\n\r\n";

    // Binary junk with line breaks is a request line like any other: the empty answer.
    Exchange e = exchange(port, {binary + "\r\n\r\n"});
    QVERIFY(e.closed);
    QVERIFY(e.answer.endsWith("Content-Length: 0\r\n\r\n"));
    // Too long without a line break, and a huge request line: dropped without an answer.
    e = exchange(port, {noBreak});
    QVERIFY(e.closed);
    QVERIFY(e.answer.isEmpty());
    QSignalSpy token(server.get(), &HttpServer::verificationToken);
    e = exchange(port, {hugeLine});
    QVERIFY(e.closed);
    QCOMPARE(token.count(), 0);
    // Half a request: dropped after the idle time.
    e = exchange(port, {"GET /clo"});
    QVERIFY(e.closed);
    QVERIFY(e.answer.isEmpty());
    // Invalid UTF-8 in an otherwise good request line.
    e = exchange(port, {"GET /cloud\xff\xfe HTTP/1.1\r\n\r\n"});
    QCOMPARE(bodyOf(e.answer).size(), 297);

    QCOMPARE(bodyOf(get(port, "/cloud").answer).size(), 297);
}

void TestHttpServer::manyIdleConnectionsDoNotStopTheServer()
{
    server->setIdleTimeout(400);
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < HttpServer::kMaxConnections + 20; ++i) {
        idle.emplace_back(new QTcpSocket);
        idle.back()->connectToHost(QHostAddress::LocalHost, port);
    }
    QTRY_VERIFY(std::all_of(idle.begin(), idle.end(), [](const std::unique_ptr<QTcpSocket> &s) {
        return s->state() == QAbstractSocket::ConnectedState || s->state() == QAbstractSocket::UnconnectedState;
    }));
    // The idle ones are dropped in time; a well-formed request is answered.
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(idle.begin(), idle.end(), [](const std::unique_ptr<QTcpSocket> &s) {
        return s->state() == QAbstractSocket::UnconnectedState;
    }), 5000);
    QCOMPARE(bodyOf(get(port, "/cloud").answer).size(), 297);
}

void TestHttpServer::listensOnLoopbackOnly()
{
    HttpServer s(1);
    QVERIFY(s.setRedirectURL("http://localhost:0/cloud"));
    QVERIFY(s.startListening());
    const QList<QHostAddress> bound = s.listeningAddresses();
    QVERIFY(!bound.isEmpty());
    for (const QHostAddress &a : bound)
        QVERIFY2(a.isLoopback(), qPrintable(a.toString()));
    QVERIFY(bound.contains(QHostAddress(QHostAddress::LocalHost)));

    // Every address of this machine that is not loopback is refused.
    int tried = 0;
    for (const QHostAddress &a : QNetworkInterface::allAddresses()) {
        if (a.isLoopback() || a.isLinkLocal())
            continue;
        ++tried;
        QTcpSocket socket;
        socket.connectToHost(a, s.serverPort());
        QTRY_VERIFY(socket.state() == QAbstractSocket::UnconnectedState || socket.state() == QAbstractSocket::ConnectedState);
        QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(socket.error() == QAbstractSocket::ConnectionRefusedError
                || socket.error() == QAbstractSocket::NetworkError);
    }
    qInfo() << "non-loopback addresses tried:" << tried;
    const Exchange e = exchange(s.serverPort(), {"GET /cloud HTTP/1.1\r\n\r\n"});
    QVERIFY(e.answer.endsWith("Content-Length: 0\r\n\r\n"));
}

void TestHttpServer::heldPortIsNoListener_data()
{
    QTest::addColumn<QString>("redirectHost");
    QTest::addColumn<QString>("heldOn");
    QTest::newRow("127.0.0.1 held") << "127.0.0.1" << "127.0.0.1";
    QTest::newRow("localhost, 127.0.0.1 held") << "localhost" << "127.0.0.1";
    QTest::newRow("localhost, ::1 held") << "localhost" << "::1";
}

void TestHttpServer::heldPortIsNoListener()
{
    QFETCH(QString, redirectHost);
    QFETCH(QString, heldOn);
    QTcpServer other;
    if (!other.listen(QHostAddress(heldOn), 0))
        QSKIP("no such loopback address here");
    HttpServer s(1);
    QVERIFY(s.setRedirectURL(QStringLiteral("http://%1:%2/cloud").arg(redirectHost).arg(other.serverPort())));
    // Whoever holds the port would be handed the redirect: no listener at all.
    QVERIFY(!s.startListening());
    QVERIFY(!s.isListening());
    QVERIFY(s.listeningAddresses().isEmpty());
}

void TestHttpServer::signInThroughTheListener_data()
{
    QTest::addColumn<int>("slowClients");
    QTest::newRow("alone") << 0;
    // Other local clients hold more connections than the listener has
    // places, each sending a request line one byte at a time.
    QTest::newRow("beside 40 slow clients") << 40;
}

void TestHttpServer::signInThroughTheListener()
{
    QFETCH(int, slowClients);
    // Every message as the call sites wrote it, before the log handler's own filter.
    g_log.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    // What the login dialog wires up: the authorization's verdict signal to
    // the check of the redirect address.
    storeDropboxToken(QString());
    DropboxAuthorization auth;
    connect(&auth, &DropboxAuthorization::verificationToken, &auth,
            [&auth](const QString &url) { return auth.finishedTokenReply(QUrl(url)) == 0; }, Qt::DirectConnection);
    QSignalSpy finished(&auth, &DropboxAuthorization::verificationFinish);
    const QUrl authorize(auth.buildAuthorizeUrl());
    const QString state = QUrlQuery(authorize).queryItemValue("state");
    QVERIFY(auth.server().setRedirectURL("http://127.0.0.1:0/cloud"));
    QVERIFY(auth.server().startListening());
    const quint16 p = auth.server().serverPort();

    std::vector<std::unique_ptr<QTcpSocket>> slow;
    for (int i = 0; i < slowClients; ++i) {
        slow.emplace_back(new QTcpSocket);
        slow.back()->connectToHost(QHostAddress::LocalHost, p);
    }
    QTimer trickle;
    connect(&trickle, &QTimer::timeout, this, [&slow]() {
        for (const auto &s : slow)
            s->write("a");
    });
    trickle.start(50);
    auto holding = [&slow]() {
        return std::count_if(slow.begin(), slow.end(), [](const std::unique_ptr<QTcpSocket> &s) {
            return s->state() == QAbstractSocket::ConnectedState;
        });
    };
    if (slowClients > 0)
        QTest::qWait(auth.server().evictionGraceMs() + 300); // they have held their places a while

    // The browser: the redirect without its fragment, then what the page script asks for.
    QCOMPARE(bodyOf(get(p, "/cloud").answer).size(), 297);
    const QString redirect = "http://127.0.0.1:53511/cloud#access_token=sl.token-1&token_type=bearer&state=" + state
                             + "&uid=12345&account_id=dbid%3AAAH4f99";
    const Exchange e = get(p, "/token?url_with_fragment=" + QUrl::toPercentEncoding(redirect));
    QVERIFY(bodyOf(e.answer).contains("successfully obtained"));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(auth.accessToken(), QString("sl.token-1"));
    QCOMPARE(readHexValue(configFile().uiConfigFile(), "dropbox/AccountId"), QString("dbid:AAH4f99"));
    // Done while they still hold the listener, not after their deadline freed it.
    if (slowClients > 0)
        QVERIFY(holding() > 0);
    qInstallMessageHandler(previous);
    // The token travelled through the listener and the check; no line named it.
    QVERIFY(g_log.size() > 3);
    for (const QString &message : qAsConst(g_log))
        QVERIFY2(!message.contains("sl.token-1"), qPrintable(message));
}

QTEST_MAIN(TestHttpServer)
#include "tst_httpserver.moc"
