// Dropbox sign-in: the authorization address, the state check and what a
// redirect fragment stores.
#include "cloud/dropbox/dropboxauthorization.h"
#include "cloudtestenv.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QUrlQuery>

namespace {
QString stored(const char *key)
{
    return readHexValue(configFile().uiConfigFile(), QString::fromLatin1(key));
}

QUrl redirect(const QString &fragment)
{
    return QUrl("http://127.0.0.1:53511/cloud#" + fragment);
}
} // namespace

class TestDropboxAuthorization : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void authorizeUrl();
    void goodRedirectStoresTokenTypeAndAccount();
    void namesAndBearerCompareCaseInsensitively();
    void plantedTokenStoresNothing_data();
    void plantedTokenStoresNothing();
    void heldPortEndsTheSignIn_data();
    void heldPortEndsTheSignIn();
    void errorDescriptionFailsAndStoresNothing();
    void tokenWithoutValueStoresNothing();
    void valuesAreStoredAsHexText();
};

void TestDropboxAuthorization::initTestCase()
{
    QVERIFY(setUpCloudConfig({{"DropboxWebHost", "http://127.0.0.1:8080"}}));
}

void TestDropboxAuthorization::init()
{
    UserSettings settings(configFile().uiConfigFile());
    settings.remove("dropbox");
}

void TestDropboxAuthorization::authorizeUrl()
{
    DropboxAuthorization auth;
    const QString address = auth.buildAuthorizeUrl();
    const QUrl url(address);
    QCOMPARE(url.scheme() + "://" + url.authority() + url.path(), QString("http://127.0.0.1:8080/oauth2/authorize"));
    const QList<QPair<QString, QString>> items = QUrlQuery(url).queryItems();
    QCOMPARE(items.size(), 5);
    QCOMPARE(items.at(0), qMakePair(QString("client_id"), QString("q3vzm8x1rtwk0pd")));
    QCOMPARE(items.at(1), qMakePair(QString("disable_signup"), QString("true")));
    QCOMPARE(items.at(2), qMakePair(QString("response_type"), QString("token")));
    QCOMPARE(items.at(3).first, QString("state"));
    QCOMPARE(items.at(4), qMakePair(QString("redirect_uri"), QString("http://127.0.0.1:53511/cloud")));
    // Pretty form: the redirect address is readable in it.
    QVERIFY(address.endsWith("redirect_uri=http://127.0.0.1:53511/cloud"));

    const QString state = items.at(3).second;
    QVERIFY(QRegularExpression("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$").match(state).hasMatch());
    QCOMPARE(auth.currentState(false), state);
    auth.buildAuthorizeUrl();
    QVERIFY(auth.currentState(false) != state);
}

void TestDropboxAuthorization::goodRedirectStoresTokenTypeAndAccount()
{
    DropboxAuthorization auth;
    auth.buildAuthorizeUrl();
    const QString state = auth.currentState(false);
    QCOMPARE(auth.finishedTokenReply(redirect("access_token=sl.ABC-1_2&token_type=bearer&state=" + state
                                              + "&uid=998&account_id=dbid%3AAAH4&team_id=dbtid%3AX")),
             0);
    QCOMPARE(auth.accessToken(), QString("sl.ABC-1_2"));
    QCOMPARE(stored("dropbox/TokenType"), QString("Bearer"));
    QCOMPARE(stored("dropbox/AccountId"), QString("dbid:AAH4"));
    QCOMPARE(stored("dropbox/TeamId"), QString("dbtid:X"));
}

void TestDropboxAuthorization::namesAndBearerCompareCaseInsensitively()
{
    DropboxAuthorization auth;
    auth.buildAuthorizeUrl();
    QCOMPARE(auth.finishedTokenReply(redirect("ACCESS_TOKEN=t2&Token_Type=BEARER&State=" + auth.currentState(false))), 0);
    QCOMPARE(auth.accessToken(), QString("t2"));
    QCOMPARE(stored("dropbox/TokenType"), QString("Bearer"));

    init();
    QCOMPARE(auth.finishedTokenReply(redirect("access_token=t3&token_type=mac&state=" + auth.currentState(false))), 0);
    QVERIFY(stored("dropbox/TokenType").isEmpty());
}

void TestDropboxAuthorization::plantedTokenStoresNothing_data()
{
    QTest::addColumn<int>("addresses");  // authorization addresses built before the redirect
    QTest::addColumn<QString>("state");  // "first": that of the first address; "upper": the current one in capitals
    QTest::newRow("no state") << 1 << QString();
    QTest::newRow("state of an earlier address") << 2 << "first";
    QTest::newRow("state in other letter case") << 1 << "upper";
    QTest::newRow("before any address") << 0 << "";
}

void TestDropboxAuthorization::plantedTokenStoresNothing()
{
    QFETCH(int, addresses);
    QFETCH(QString, state);
    DropboxAuthorization auth;
    auth.saveAccessToken("mine");
    QString first;
    for (int i = 0; i < addresses; ++i) {
        auth.buildAuthorizeUrl();
        if (i == 0)
            first = auth.currentState(false);
    }
    if (state == "first")
        state = first;
    else if (state == "upper")
        state = auth.currentState(false).toUpper();
    const QString fragment = "access_token=theirs&token_type=bearer&account_id=dbid%3AEVE&team_id=T"
                             + (state.isNull() ? QString() : "&state=" + state);
    QCOMPARE(auth.finishedTokenReply(redirect(fragment)), -200);
    QCOMPARE(auth.accessToken(), QString("mine"));
    QVERIFY(stored("dropbox/AccountId").isEmpty());
    QVERIFY(stored("dropbox/TeamId").isEmpty());
    QVERIFY(stored("dropbox/TokenType").isEmpty());
}

void TestDropboxAuthorization::heldPortEndsTheSignIn_data()
{
    QTest::addColumn<QString>("heldOn");
    QTest::newRow("127.0.0.1 held") << "127.0.0.1";
    QTest::newRow("every address held") << "0.0.0.0";
}

void TestDropboxAuthorization::heldPortEndsTheSignIn()
{
    QFETCH(QString, heldOn);
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress(heldOn), 0));
    const QString port = QString::number(other.serverPort());
    QVERIFY(setUpCloudConfig({{"DropboxWebHost", "http://127.0.0.1:8080"}, {"RedirectPort", port}}));
    DropboxAuthorization auth;
    QVERIFY(!auth.startRedirectServer());
    QVERIFY(!auth.server().isListening());
    other.close();
    QVERIFY(auth.startRedirectServer());
    QCOMPARE(QString::number(auth.server().serverPort()), port);
}

void TestDropboxAuthorization::errorDescriptionFailsAndStoresNothing()
{
    DropboxAuthorization auth;
    auth.buildAuthorizeUrl();
    QCOMPARE(auth.finishedTokenReply(redirect("error=access_denied&error_description=The+user+chose+not+to+give+access"
                                              "&state=" + auth.currentState(false))),
             -200);
    QVERIFY(auth.accessToken().isEmpty());
    QVERIFY(stored("dropbox/AccountId").isEmpty());
    QVERIFY(stored("dropbox/TokenType").isEmpty());
}

void TestDropboxAuthorization::tokenWithoutValueStoresNothing()
{
    DropboxAuthorization auth;
    auth.saveAccessToken("earlier");
    auth.buildAuthorizeUrl();
    QCOMPARE(auth.finishedTokenReply(redirect("access_token&state=" + auth.currentState(false))), 0);
    QCOMPARE(auth.accessToken(), QString("earlier"));
    // Values behind a second "=" are ignored.
    QCOMPARE(auth.finishedTokenReply(redirect("access_token=a=b&state=" + auth.currentState(false))), 0);
    QCOMPARE(auth.accessToken(), QString("a"));
}

void TestDropboxAuthorization::valuesAreStoredAsHexText()
{
    DropboxAuthorization auth;
    auth.saveAccessToken("abc");
    QSettings raw(configFile().uiConfigFile(), QSettings::IniFormat);
    QCOMPARE(raw.value("dropbox/AccessToken").toString(), QString("616263"));
    // Tokens live in a file only its owner may read.
    QCOMPARE(QFile::permissions(configFile().uiConfigFile()) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}

QTEST_MAIN(TestDropboxAuthorization)
#include "tst_dropboxauthorization.moc"
