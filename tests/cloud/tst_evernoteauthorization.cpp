// Evernote sign-in against a fake service that verifies OAuth 1.0a
// PLAINTEXT signatures, timestamps and nonces: both legs, the redirect check,
// what is stored, and that no secret reaches a log line.
#include "cloud/evernote/evernoteauthorization.h"
#include "cloudtestenv.h"
#include "testsupport.h"
#include "fakes/fakeevernote.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
// What the login page's web view does: open the page and follow the service
// to the address it redirects to.
QUrl approve(const QString &page)
{
    QNetworkAccessManager network;
    QNetworkRequest request{QUrl(page)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(network.get(request));
    QSignalSpy done(reply.get(), &QNetworkReply::finished);
    done.wait(10000);
    return QUrl::fromEncoded(reply->rawHeader("Location"));
}
} // namespace

class TestEvernoteAuthorization : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void signInStoresAccount();
    void signIn_data();
    void signIn();
    void temporaryTokenForm_data();
    void temporaryTokenForm();
    void redirectCheck_data();
    void redirectCheck();
    void busyRedirectPort();

private:
    QString firstLeg(EvernoteAuthorization &auth, int expectedCode = 0);

    std::unique_ptr<FakeEvernote> fake;
    quint16 redirectPort = 0;
    QtMessageHandler previousHandler = nullptr;
};

void TestEvernoteAuthorization::init()
{
    fake.reset(new FakeEvernote);
    QVERIFY(fake->start());
    redirectPort = freeLoopbackPort();
    QVERIFY(setUpCloudConfig({{"EvernoteHost", fake->base()}, {"RedirectPort", QString::number(redirectPort)}}));
    g_log.clear();
    previousHandler = qInstallMessageHandler(captureLog);
}

void TestEvernoteAuthorization::cleanup()
{
    qInstallMessageHandler(previousHandler);
    fake.reset();
}

QString TestEvernoteAuthorization::firstLeg(EvernoteAuthorization &auth, int expectedCode)
{
    QSignalSpy page(&auth, &EvernoteAuthorization::generateTemporaryToken);
    auth.requestTemporaryToken();
    if (!page.wait(10000) || page.first().at(0).toInt() != expectedCode)
        return QStringLiteral("<no page>");
    return page.first().at(1).toString();
}

void TestEvernoteAuthorization::signInStoresAccount()
{
    EvernoteAuthorization auth;
    const QString page = firstLeg(auth);
    QVERIFY2(page.startsWith(fake->base() + "/OAuth.action?oauth_token=lumerith."), qPrintable(page));
    // The page gets the token pair alone, never the secret after it.
    QVERIFY(!page.contains("secret") && !page.contains('&'));

    const QUrl redirect = approve(page);
    QVERIFY(redirect.toString().startsWith(auth.redirectUri() + "?oauth_token="));
    QSignalSpy finished(&auth, &EvernoteAuthorization::authenticationFinished);
    QCOMPARE(auth.getAuthorizationCode(redirect), 0);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().at(0).toInt(), 0);
    QVERIFY2(fake->refusals().isEmpty(), qPrintable(fake->refusals().join(',')));

    QCOMPARE(auth.accessToken(), fake->accessToken());
    QCOMPARE(auth.expiresIn(), fake->tokenExpiresMs() / 1000);
    QCOMPARE(auth.noteStoreUrl(), fake->noteStoreUrl());
    QCOMPARE(auth.userShard(), QString("s1"));
    QCOMPARE(auth.userId(), QString("123456"));
    QCOMPARE(auth.webApiUrlPrefix(), fake->base() + "/shard/s1/");
    // Both legs carry the first leg's nonce (legal: the token differs).
    QCOMPARE(fake->oauthNonces().size(), 2);
    QCOMPARE(fake->oauthNonces().at(0), fake->oauthNonces().at(1));
    QCOMPARE(auth.nonce(false), fake->oauthNonces().at(0));

    const QString verifier = QUrlQuery(redirect).queryItemValue("oauth_verifier");
    const QString temporary = QUrlQuery(redirect).queryItemValue("oauth_token");
    for (const QString &line : qAsConst(g_log)) {
        for (const QString &secret : {fake->accessToken(), verifier, temporary, QString("tsec-4711"), QString("5d0f1e93ab7c2e68")})
            QVERIFY2(!line.contains(secret), qPrintable("secret in log: " + line));
    }
}

void TestEvernoteAuthorization::signIn_data()
{
    QTest::addColumn<QString>("serviceSecret");
    QTest::addColumn<QString>("clientSecret");
    QTest::addColumn<QString>("temporarySecret");
    QTest::addColumn<bool>("tamperVerifier");
    QTest::addColumn<QString>("noteStore");
    QTest::addColumn<int>("pageCode");
    QTest::addColumn<int>("finishCode");
    QTest::addColumn<QString>("refusal");

    const QString shipped = "5d0f1e93ab7c2e68";
    QTest::newRow("empty temporary secret") << shipped << shipped << "" << false << "" << 0 << 0 << "";
    QTest::newRow("secrets needing encoding") << "s3cr&t+/=x" << "s3cr&t+/=x" << "t$ec ret%" << false << "" << 0 << 0 << "";
    QTest::newRow("wrong consumer secret") << "other" << shipped << "" << false << "" << -200 << 0 << "signature_invalid";
    QTest::newRow("tampered verifier") << shipped << shipped << "x" << true << "" << 0 << -206 << "verifier_invalid";
    // A note store the client would never send the token to is no sign-in.
    QTest::newRow("note store in clear text elsewhere")
        << shipped << shipped << "" << false << "http://notes.example.com/shard/s1/notestore" << 0 << -206 << "";
    QTest::newRow("note store unreadable") << shipped << shipped << "" << false << QString::fromLatin1("\0https://x", 10) << 0 << -206 << "";
}

void TestEvernoteAuthorization::signIn()
{
    QFETCH(QString, serviceSecret);
    QFETCH(QString, clientSecret);
    QFETCH(QString, temporarySecret);
    QFETCH(bool, tamperVerifier);
    QFETCH(QString, noteStore);
    QFETCH(int, pageCode);
    QFETCH(int, finishCode);
    QFETCH(QString, refusal);

    QVERIFY(setUpCloudConfig({{"EvernoteHost", fake->base()}, {"EvernoteConsumerSecret", clientSecret}}));
    fake->setConsumer("tam-vek", serviceSecret);
    fake->setTemporarySecret(temporarySecret);
    fake->setGrantedNoteStore(noteStore);
    EvernoteAuthorization auth;
    auth.saveAccessToken("earlier-token");

    const QString page = firstLeg(auth, pageCode);
    if (pageCode != 0) {
        QCOMPARE(page, QString());
        // A failed leg clears what an earlier sign-in stored.
        QCOMPARE(auth.accessToken(), QString());
    } else {
        QUrl redirect = approve(page);
        if (tamperVerifier) {
            QUrlQuery query(redirect);
            query.removeQueryItem("oauth_verifier");
            query.addQueryItem("oauth_verifier", "FORGED");
            redirect.setQuery(query);
        }
        QSignalSpy finished(&auth, &EvernoteAuthorization::authenticationFinished);
        QCOMPARE(auth.getAuthorizationCode(redirect), 0);
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first().at(0).toInt(), finishCode);
        // What the service refused clears the earlier sign-in; an answer this
        // client refuses stores nothing at all.
        const QString kept = refusal.isEmpty() ? QStringLiteral("earlier-token") : QString();
        QCOMPARE(auth.accessToken(), finishCode == 0 ? fake->accessToken() : kept);
    }
    QCOMPARE(fake->refusals().join(','), refusal);
}

void TestEvernoteAuthorization::temporaryTokenForm_data()
{
    // As the service writes the token in its answer; empty: not accepted.
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("onPage");
    QTest::newRow("encoded") << QByteArray("en.a%2Bb-c_d~e") << "en.a%2Bb-c_d~e";
    QTest::newRow("zero byte") << QByteArray("en.a\0b", 6) << "";
    QTest::newRow("blank") << QByteArray("en.a b") << "";
    QTest::newRow("fragment mark") << QByteArray("en.a#b") << "";
    QTest::newRow("broken escape") << QByteArray("en.a%2") << "";
}

void TestEvernoteAuthorization::temporaryTokenForm()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, onPage);
    fake->setRawTemporaryToken(raw);
    EvernoteAuthorization auth;
    // The login page is opened with the token exactly as given, or not at all.
    const QString page = firstLeg(auth, onPage.isEmpty() ? -200 : 0);
    QCOMPARE(page, onPage.isEmpty() ? QString() : fake->base() + "/OAuth.action?oauth_token=" + onPage);
}

void TestEvernoteAuthorization::redirectCheck_data()
{
    // {T}: the temporary token of this sign-in; {R}: the redirect address.
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("code");
    QTest::newRow("login page") << "{B}/OAuth.action?oauth_token={T}" << -204;
    QTest::newRow("redirect without token") << "{R}?error=1" << -204;
    QTest::newRow("longer path") << "{R}x?oauth_token={T}&oauth_verifier=V" << -204;
    QTest::newRow("declined") << "{R}?oauth_token={T}" << -200;
    QTest::newRow("another sign-in") << "{R}?oauth_token=other&oauth_verifier=V" << -200;
    QTest::newRow("ours") << "{R}?oauth_token={T}&oauth_verifier=V&sandbox_lnb=false" << 0;
}

void TestEvernoteAuthorization::redirectCheck()
{
    QFETCH(QString, address);
    QFETCH(int, code);
    EvernoteAuthorization auth;
    const QString page = firstLeg(auth);
    const QString token = QUrlQuery(QUrl(page)).queryItemValue("oauth_token");
    address.replace("{T}", token).replace("{R}", auth.redirectUri()).replace("{B}", fake->base());
    QCOMPARE(auth.getAuthorizationCode(QUrl(address)), code);
    // Only an accepted redirect starts the second leg.
    QSignalSpy finished(&auth, &EvernoteAuthorization::authenticationFinished);
    QCOMPARE(finished.wait(code == 0 ? 10000 : 200), code == 0);
}

void TestEvernoteAuthorization::busyRedirectPort()
{
    EvernoteAuthorization auth;
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, redirectPort));
    QVERIFY(!auth.startRedirectServer());
    holder.close();
    QVERIFY(auth.startRedirectServer());
    QVERIFY(auth.server().isListening());
    auth.stopRedirectServer();
    QVERIFY(!auth.server().isListening());
}

QTEST_MAIN(TestEvernoteAuthorization)
#include "tst_evernoteauthorization.moc"
