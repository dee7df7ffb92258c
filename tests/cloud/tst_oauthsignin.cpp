// Google Drive and OneDrive sign-in against the fake services: the form
// encoding and PKCE pair they share, token storage and expiry, the
// authorization address, both ways the redirect comes back (the web view's
// address, the desktop browser's request to the loopback listener), and what
// is refused.
#include "cloud/google/googleauthorization.h"
#include "cloud/onedrive/onedriveauthorization.h"
#include "cloudtestenv.h"
#include "fakes/fakegoogle.h"
#include "fakes/fakegraph.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
// Runs f with a fresh authorization object of the service.
template <class F>
void withAuth(int service, F f)
{
    if (service == CloudGoogleDrive) {
        GoogleAuthorization auth;
        f(auth);
    } else {
        OneDriveAuthorization auth;
        f(auth);
    }
}

QStringList formKeys(const QByteArray &body)
{
    QStringList keys;
    for (const QByteArray &pair : body.split('&'))
        keys << QString::fromLatin1(pair.left(pair.indexOf('=')));
    return keys;
}

QString queryValue(const QString &address, const QString &name)
{
    return QUrlQuery(QUrl(address)).queryItemValue(name, QUrl::FullyDecoded);
}

// What the service's login page sends the browser to once the user agreed.
QUrl loginRedirect(const QString &authorizeUrl)
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request{QUrl(authorizeUrl)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    if (!QTest::qWaitFor([&]() { return reply->isFinished(); }, 5000))
        return QUrl();
    return QUrl::fromEncoded(reply->rawHeader("Location"));
}

QByteArray getFromListener(quint16 port, const QUrl &redirect)
{
    const QByteArray target = redirect.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    return rawExchange(port, "GET " + target + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
}

void storeTokens(int service, const QString &access, const QString &refresh, qint64 expiry)
{
    OAuthTokens tokens(service);
    tokens.saveAccessToken(access);
    tokens.storeRefreshToken(refresh);
    tokens.saveExpiresIn(expiry);
}
} // namespace

class TestOAuthSignIn : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void formBody_data();
    void formBody();
    void pkcePair();
    void expiry_data();
    void expiry();
    void tokenAnswers_data();
    void tokenAnswers();
    void authorizeAddress_data();
    void authorizeAddress();
    void signIn_data();
    void signIn();
    void webViewRedirectRefused_data();
    void webViewRedirectRefused();
    void listenerTakesOnlyItsOwnRedirect();
    void clientSecretRules_data();
    void clientSecretRules();
    void refreshRequest_data();
    void refreshRequest();
    void systemBrowserChoice_data();
    void systemBrowserChoice();

private:
    bool configure(const QMap<QString, QString> &extra = {});
    FakeHttpService &fakeOf(int service) { return service == CloudGoogleDrive ? *google : static_cast<FakeHttpService &>(*graph); }
    FakeOAuth &oauthOf(int service) { return service == CloudGoogleDrive ? google->oauth : graph->oauth; }
    static QString tokenPath(int service)
    {
        return service == CloudGoogleDrive ? QStringLiteral("/o/oauth2/token") : QStringLiteral("/common/oauth2/v2.0/token");
    }
    std::unique_ptr<FakeGoogle> google;
    std::unique_ptr<FakeGraph> graph;
    quint16 port = 0;
};

bool TestOAuthSignIn::configure(const QMap<QString, QString> &extra)
{
    QMap<QString, QString> values{{"GoogleAccountsHost", google->base("accounts")},
                                  {"MicrosoftLoginHost", graph->base("login")},
                                  {"GoogleClientId", "fake-client"},
                                  {"GoogleClientSecret", "fake-secret"},
                                  {"OneDriveClientId", "fake-client"},
                                  {"OneDriveClientSecret", "fake-secret"},
                                  {"RedirectPort", QString::number(port)}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        values.insert(it.key(), it.value());
    return setUpCloudConfig(values);
}

void TestOAuthSignIn::init()
{
    google.reset(new FakeGoogle);
    graph.reset(new FakeGraph);
    QVERIFY(google->start() && graph->start());
    port = freeLoopbackPort();
    QVERIFY(configure());
    OAuthTokens(CloudGoogleDrive).clear();
    OAuthTokens(CloudOneDrive).clear();
}

void TestOAuthSignIn::formBody_data()
{
    QTest::addColumn<QVariantMap>("params");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("reserved characters") << QVariantMap{{"client_secret", "a&b=c+d e/f%"}}
                                         << QByteArray("client_secret=a%26b%3Dc%2Bd%20e%2Ff%25");
    QTest::newRow("unreserved stay, UTF-8 escaped") << QVariantMap{{"k", QString::fromUtf8("A-z_0.9~\xc3\xa4")}}
                                                    << QByteArray("k=A-z_0.9~%C3%A4");
    QTest::newRow("keys in order, empty value") << QVariantMap{{"b", "1"}, {"a", ""}} << QByteArray("a=&b=1");
}

void TestOAuthSignIn::formBody()
{
    QFETCH(QVariantMap, params);
    QFETCH(QByteArray, body);
    QMap<QString, QString> map;
    for (auto it = params.begin(); it != params.end(); ++it)
        map.insert(it.key(), it.value().toString());
    QCOMPARE(buildEncodedFormBody(map), body);
    QCOMPARE(GoogleAuthorization::buildFormBody(map), body);
}

void TestOAuthSignIn::pkcePair()
{
    // The worked example of RFC 7636 (appendix B).
    QCOMPARE(pkceChallenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
             QString("E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"));
    const PkcePair a = makePkcePair(), b = makePkcePair();
    QVERIFY(QRegularExpression("^[A-Za-z0-9_-]{43}$").match(a.verifier).hasMatch());
    QCOMPARE(a.challenge, pkceChallenge(a.verifier));
    QVERIFY(a.verifier != b.verifier);
}

void TestOAuthSignIn::expiry_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<qint64>("expiry"); // relative to now; 0: never stored
    QTest::addColumn<bool>("expired");
    QTest::addColumn<bool>("tokenGiven");
    QTest::newRow("google, never signed in") << int(CloudGoogleDrive) << qint64(0) << true << false;
    QTest::newRow("google, 300 s left") << int(CloudGoogleDrive) << qint64(300) << true << false;
    QTest::newRow("google, 301 s left") << int(CloudGoogleDrive) << qint64(301) << false << true;
    QTest::newRow("onedrive, 300 s left") << int(CloudOneDrive) << qint64(300) << true << true;
    QTest::newRow("onedrive, an hour left") << int(CloudOneDrive) << qint64(3600) << false << true;
}

void TestOAuthSignIn::expiry()
{
    QFETCH(int, service);
    QFETCH(qint64, expiry);
    QFETCH(bool, expired);
    QFETCH(bool, tokenGiven);
    storeTokens(service, "tok", "ref", expiry == 0 ? 0 : OAuthTokens::now() + expiry);
    withAuth(service, [&](auto &auth) {
        QCOMPARE(auth.isTokenExpired(), expired);
        QCOMPARE(auth.accessToken(), tokenGiven ? QString("tok") : QString());
    });
}

void TestOAuthSignIn::tokenAnswers_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<bool>("exchange");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("access");
    QTest::addColumn<QString>("refresh");
    QTest::addColumn<bool>("newExpiry");
    const QByteArray both = R"({"access_token":"a2","expires_in":3599,"refresh_token":"r2"})";
    const QByteArray accessOnly = R"({"access_token":"a2","expires_in":3599})";
    QTest::newRow("google exchange") << int(CloudGoogleDrive) << true << both << 0 << "a2" << "r2" << true;
    QTest::newRow("google exchange without refresh token clears it")
        << int(CloudGoogleDrive) << true << accessOnly << 0 << "a2" << "" << true;
    QTest::newRow("google refresh keeps refresh token") << int(CloudGoogleDrive) << false << accessOnly << 0 << "a2" << "r1" << true;
    QTest::newRow("onedrive refresh, rotated") << int(CloudOneDrive) << false << both << 0 << "a2" << "r2" << true;
    QTest::newRow("onedrive refresh, not rotated") << int(CloudOneDrive) << false << accessOnly << 0 << "a2" << "r1" << true;
    QTest::newRow("no access token") << int(CloudOneDrive) << true << QByteArray(R"({"refresh_token":"r2"})") << -200
                                     << "a1" << "r1" << false;
    QTest::newRow("not JSON") << int(CloudGoogleDrive) << false << QByteArray("<html>") << -200 << "a1" << "r1" << false;
}

void TestOAuthSignIn::tokenAnswers()
{
    QFETCH(int, service);
    QFETCH(bool, exchange);
    QFETCH(QByteArray, answer);
    QFETCH(int, code);
    QFETCH(QString, access);
    QFETCH(QString, refresh);
    QFETCH(bool, newExpiry);
    storeTokens(service, "a1", "r1", 5);
    withAuth(service, [&](auto &auth) {
        QSignalSpy done(&auth, &std::decay_t<decltype(auth)>::authenticationFinished);
        if (exchange) {
            auth.saveRefreshToken(answer);
            QCOMPARE(done.count(), 1);
            QCOMPARE(done.at(0).at(0).toInt(), code);
        } else {
            QCOMPARE(auth.saveToken(answer), code);
            QCOMPARE(done.count(), 0);
        }
        QCOMPARE(OAuthTokens(service).accessToken(), access);
        QCOMPARE(auth.refreshToken(), refresh);
        if (newExpiry)
            QVERIFY(qAbs(auth.expiresIn() - (OAuthTokens::now() + 3599)) <= 1);
        else
            QCOMPARE(auth.expiresIn(), qint64(5));
    });
}

void TestOAuthSignIn::authorizeAddress_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QStringList>("items"); // the leading query items, name=value
    QTest::newRow("google") << int(CloudGoogleDrive) << "/o/oauth2/auth"
                            << QStringList{"access_type=offline", "response_type=code", "client_id=fake-client",
                                           "redirect_uri=http://localhost:%1/cloud",
                                           "scope=https://www.googleapis.com/auth/drive"};
    QTest::newRow("onedrive") << int(CloudOneDrive) << "/common/oauth2/v2.0/authorize"
                              << QStringList{"client_id=fake-client", "scope=Files.ReadWrite offline_access",
                                             "response_type=code", "redirect_uri=http://localhost:%1/cloud"};
}

void TestOAuthSignIn::authorizeAddress()
{
    QFETCH(int, service);
    QFETCH(QString, endpoint);
    QFETCH(QStringList, items);
    withAuth(service, [&](auto &auth) {
        const QString address = auth.buildAuthorizeUrl();
        QCOMPARE(QUrl(address).path(), endpoint);
        const auto query = QUrlQuery(QUrl(address)).queryItems(QUrl::FullyDecoded);
        QStringList got;
        for (const auto &item : query)
            got << item.first + "=" + item.second;
        items << "state=" + queryValue(address, "state") << "code_challenge=" + queryValue(address, "code_challenge")
              << "code_challenge_method=S256";
        QCOMPARE(got, items.replaceInStrings("%1", QString::number(port)));
        QCOMPARE(queryValue(address, "code_challenge").size(), 43);
        const QString again = auth.buildAuthorizeUrl();
        QVERIFY(queryValue(again, "state") != queryValue(address, "state"));
        QVERIFY(queryValue(again, "code_challenge") != queryValue(address, "code_challenge"));
    });
}

void TestOAuthSignIn::signIn_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<bool>("browser");
    QTest::addColumn<QStringList>("exchangeKeys");
    const QStringList keys{"client_id", "client_secret", "code", "code_verifier", "grant_type", "redirect_uri"};
    QTest::newRow("google, web view") << int(CloudGoogleDrive) << false << (keys + QStringList{"scope"});
    QTest::newRow("google, desktop browser") << int(CloudGoogleDrive) << true << (keys + QStringList{"scope"});
    QTest::newRow("onedrive, web view") << int(CloudOneDrive) << false << keys;
    QTest::newRow("onedrive, desktop browser") << int(CloudOneDrive) << true << keys;
}

void TestOAuthSignIn::signIn()
{
    QFETCH(int, service);
    QFETCH(bool, browser);
    QFETCH(QStringList, exchangeKeys);
    withAuth(service, [&](auto &auth) {
        QSignalSpy done(&auth, &std::decay_t<decltype(auth)>::authenticationFinished);
        auth.setSystemBrowser(browser);
        QVERIFY(auth.startRedirectServer());
        const QUrl redirect = loginRedirect(auth.buildAuthorizeUrl());
        QVERIFY2(redirect.toString().startsWith(auth.redirectUri()), qPrintable(redirect.toString()));
        if (browser) {
            const QByteArray page = getFromListener(port, redirect);
            QVERIFY2(page.contains("successfully obtained an Authorization Token"), page.constData());
        } else {
            // The listener leaves the web view's redirect to the dialog.
            QVERIFY(getFromListener(port, redirect).endsWith("Content-Length: 0\r\n\r\n"));
            QCOMPARE(done.count(), 0);
            QCOMPARE(auth.getAuthorizationCode(redirect), 0);
        }
        QTRY_COMPARE(done.count(), 1);
        QCOMPARE(done.at(0).at(0).toInt(), 0);
        const OAuthTokens tokens(service);
        QCOMPARE(tokens.accessToken(), oauthOf(service).lastAccessToken());
        QCOMPARE(tokens.refreshToken(), oauthOf(service).lastRefreshToken());
        QVERIFY(!tokens.isTokenExpired());
        const auto exchanges = fakeOf(service).requests(tokenPath(service));
        QCOMPARE(exchanges.size(), 1);
        QCOMPARE(formKeys(exchanges.at(0).body), exchangeKeys);
    });
}

void TestOAuthSignIn::webViewRedirectRefused_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<QString>("query"); // %s: this sign-in's state
    QTest::newRow("no query") << int(CloudGoogleDrive) << "";
    QTest::newRow("error only") << int(CloudGoogleDrive) << "?error=access_denied&state=%s";
    QTest::newRow("error description and a code") << int(CloudOneDrive) << "?code=abc&error_description=denied";
    QTest::newRow("no code") << int(CloudOneDrive) << "?state=%s&scope=x";
    QTest::newRow("another sign-in's state") << int(CloudGoogleDrive) << "?code=abc&state=other";
}

void TestOAuthSignIn::webViewRedirectRefused()
{
    QFETCH(int, service);
    QFETCH(QString, query);
    withAuth(service, [&](auto &auth) {
        const QString state = queryValue(auth.buildAuthorizeUrl(), "state");
        QCOMPARE(auth.getAuthorizationCode(QUrl(auth.redirectUri() + query.replace("%s", state))), -200);
        QTest::qWait(50);
        QVERIFY(fakeOf(service).requests().isEmpty());
    });
}

void TestOAuthSignIn::listenerTakesOnlyItsOwnRedirect()
{
    GoogleAuthorization auth;
    auth.setSystemBrowser(true);
    QSignalSpy done(&auth, &GoogleAuthorization::authenticationFinished);
    QVERIFY(auth.startRedirectServer());
    const QString state = queryValue(auth.buildAuthorizeUrl(), "state");
    auto get = [&](const QByteArray &target) {
        return rawExchange(port, "GET " + target + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
    };

    QVERIFY(get("/favicon.ico").endsWith("Content-Length: 0\r\n\r\n"));
    // Anything else on this machine may knock: a foreign state gets the failure page and nothing else.
    QVERIFY(get("/cloud?code=stolen&state=forged").contains("failed to obtain an Authorization Token"));
    QVERIFY(get("/cloud?code=stolen").contains("failed to obtain"));
    QTest::qWait(50);
    QCOMPARE(done.count(), 0);
    // The user refused: the sign-in is over.
    QVERIFY(get("/cloud?error=access_denied&state=" + state.toLatin1()).contains("failed to obtain"));
    QTRY_COMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), -200);
    // The state served once.
    QVERIFY(get("/cloud?code=late&state=" + state.toLatin1()).contains("failed to obtain"));
    QTest::qWait(50);
    QCOMPARE(done.count(), 1);
    QVERIFY(google->requests().isEmpty());
    QVERIFY(OAuthTokens(CloudGoogleDrive).accessToken().isEmpty());
}

void TestOAuthSignIn::clientSecretRules_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<QString>("configuredSecret");
    QTest::addColumn<bool>("publicClient");
    QTest::addColumn<QString>("serviceSecret");
    QTest::addColumn<int>("result");
    QTest::newRow("onedrive mobile and desktop, empty secret") << int(CloudOneDrive) << "" << true << "" << 0;
    QTest::newRow("onedrive mobile and desktop, secret sent") << int(CloudOneDrive) << "fake-secret" << true << "" << -200;
    QTest::newRow("onedrive web, wrong secret") << int(CloudOneDrive) << "other" << false << "fake-secret" << -200;
    QTest::newRow("google, secret needing escapes") << int(CloudGoogleDrive) << "s&e+c= r%t/" << false << "s&e+c= r%t/" << 0;
}

void TestOAuthSignIn::clientSecretRules()
{
    QFETCH(int, service);
    QFETCH(QString, configuredSecret);
    QFETCH(bool, publicClient);
    QFETCH(QString, serviceSecret);
    QFETCH(int, result);
    QVERIFY(configure({{service == CloudGoogleDrive ? "GoogleClientSecret" : "OneDriveClientSecret", configuredSecret}}));
    oauthOf(service).bPublicClient = publicClient;
    oauthOf(service).clientSecret = serviceSecret;
    storeTokens(service, "old-access", "old-refresh", 5);
    withAuth(service, [&](auto &auth) {
        QSignalSpy done(&auth, &std::decay_t<decltype(auth)>::authenticationFinished);
        QCOMPARE(auth.getAuthorizationCode(loginRedirect(auth.buildAuthorizeUrl())), 0);
        QTRY_COMPARE(done.count(), 1);
        QCOMPARE(done.at(0).at(0).toInt(), result);
    });
    const OAuthTokens tokens(service);
    if (result == 0) {
        QCOMPARE(tokens.accessToken(), oauthOf(service).lastAccessToken());
    } else if (service == CloudOneDrive) {
        // A failed exchange forgets the old sign-in, so the next upload asks for a new one.
        QVERIFY(tokens.accessToken().isEmpty());
        QVERIFY(tokens.refreshToken().isEmpty());
    }
}

void TestOAuthSignIn::refreshRequest_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("google") << int(CloudGoogleDrive) << "fake-secret"
                            << QStringList{"client_id", "client_secret", "grant_type", "refresh_token"};
    QTest::newRow("onedrive") << int(CloudOneDrive) << "fake-secret"
                              << QStringList{"client_id", "client_secret", "grant_type", "redirect_uri", "refresh_token"};
    QTest::newRow("onedrive without secret") << int(CloudOneDrive) << ""
                                             << QStringList{"client_id", "grant_type", "redirect_uri", "refresh_token"};
}

void TestOAuthSignIn::refreshRequest()
{
    QFETCH(int, service);
    QFETCH(QString, secret);
    QFETCH(QStringList, keys);
    QVERIFY(configure({{service == CloudGoogleDrive ? "GoogleClientSecret" : "OneDriveClientSecret", secret}}));
    withAuth(service, [&](auto &auth) {
        QNetworkRequest request;
        QByteArray body;
        QCOMPARE(auth.getRefreshTokenRequest(request, body), -200); // nothing stored
        storeTokens(service, "a", "r/1+2", 0);
        QCOMPARE(auth.getRefreshTokenRequest(request, body), 0);
        QCOMPARE(request.url().path(), tokenPath(service));
        QCOMPARE(request.header(QNetworkRequest::ContentTypeHeader).toString(), QString("application/x-www-form-urlencoded"));
        QCOMPARE(formKeys(body), keys);
        QMap<QString, QString> form;
        QVERIFY(FakeOAuth::parseForm(body, form));
        QCOMPARE(form.value("refresh_token"), QString("r/1+2"));
        QCOMPARE(form.value("grant_type"), QString("refresh_token"));
    });
}

void TestOAuthSignIn::systemBrowserChoice_data()
{
    QTest::addColumn<int>("service");
    QTest::addColumn<QString>("value"); // null: key absent
    QTest::addColumn<bool>("browser");
    QTest::newRow("google by default") << int(CloudGoogleDrive) << QString() << true;
    QTest::newRow("google switched off") << int(CloudGoogleDrive) << "0" << false;
    QTest::newRow("onedrive by default") << int(CloudOneDrive) << QString() << false;
    QTest::newRow("onedrive switched on") << int(CloudOneDrive) << "yes" << true;
}

void TestOAuthSignIn::systemBrowserChoice()
{
    QFETCH(int, service);
    QFETCH(QString, value);
    QFETCH(bool, browser);
    QMap<QString, QString> extra;
    if (!value.isNull())
        extra.insert(service == CloudGoogleDrive ? "GoogleSystemBrowser" : "OneDriveSystemBrowser", value);
    QVERIFY(configure(extra));
    QCOMPARE(cloudUsesSystemBrowser(service), browser);
    withAuth(service, [&](auto &auth) { QCOMPARE(auth.usesSystemBrowser(), browser); });
}

QTEST_MAIN(TestOAuthSignIn)
#include "tst_oauthsignin.moc"
