// Pure rules of the cloud plumbing: configuration of hosts and keys, service
// identifiers, Dropbox paths, header escaping and the error-code tables.
#include "cloud/cloudconfig.h"
#include "cloud/cloudservice.h"
#include "cloud/dropbox/dropboxapi.h"
#include "cloudtestenv.h"

#include <QJsonDocument>
#include <QTest>
#include <QTreeWidgetItem>

class TestCloudBasics : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void hostsComeFromConfiguration();
    void unsafeHostsFallBack();
    void keysComeFromConfiguration();
    void serviceIdentifiers();
    void folderItemConvention();
    void buildDropboxPath_data();
    void buildDropboxPath();
    void apiArgIsAscii();
    void apiArgEscapesEveryNonAsciiCharacter();
    void uploadErrorCodes();
    void folderErrorCodes();
    void shippedConfigurationNamesTheRealServices();
};

void TestCloudBasics::initTestCase()
{
    QVERIFY(setUpCloudConfig({{"DropboxApiHost", "http://127.0.0.1:4711/"},
                              {"DropboxContentHost", "http://localhost:4712"},
                              {"DropboxWebHost", "http://192.0.2.10"},
                              {"GoogleApiHost", "ftp://www.example.org"},
                              {"MicrosoftGraphHost", "https://graph.example.org:8443/prefix"},
                              {"OneDriveClientId", "my-own-registration"},
                              {"EvernoteConsumerSecret", "a,b, c"},
                              {"GoogleClientSecret", ""}}));
}

void TestCloudBasics::hostsComeFromConfiguration()
{
    QCOMPARE(cloudHost(CloudHost::DropboxApi), QString("http://127.0.0.1:4711"));
    QCOMPARE(cloudUrl(CloudHost::DropboxApi, "/2/files/list_folder"), QUrl("http://127.0.0.1:4711/2/files/list_folder"));
    QCOMPARE(cloudUrl(CloudHost::DropboxContent, "/2/files/upload_session/start"),
             QUrl("http://localhost:4712/2/files/upload_session/start"));
    QCOMPARE(cloudUrl(CloudHost::MicrosoftGraph, "/v1.0/me/drive/root"),
             QUrl("https://graph.example.org:8443/prefix/v1.0/me/drive/root"));
    // Absent keys give the real services.
    QCOMPARE(cloudHost(CloudHost::GoogleAccounts), QString("https://accounts.google.com"));
    QCOMPARE(cloudHost(CloudHost::MicrosoftLogin), QString("https://login.microsoftonline.com"));
    QCOMPARE(cloudHost(CloudHost::Evernote), QString("https://www.evernote.com"));
}

void TestCloudBasics::unsafeHostsFallBack()
{
    // Clear-text HTTP to another machine would expose the token; other schemes make no sense.
    QCOMPARE(cloudHost(CloudHost::DropboxWeb), QString("https://www.dropbox.com"));
    QCOMPARE(cloudHost(CloudHost::GoogleApi), QString("https://www.googleapis.com"));
    QVERIFY(isAcceptableCloudHost(QUrl("http://[::1]:99")));
    QVERIFY(!isAcceptableCloudHost(QUrl("https://user:pw@example.org")));
    QVERIFY(!isAcceptableCloudHost(QUrl("https://example.org/?q=1")));
}

void TestCloudBasics::keysComeFromConfiguration()
{
    QCOMPARE(cloudKey(CloudKey::OneDriveClientId), QString("my-own-registration"));
    QCOMPARE(cloudKey(CloudKey::DropboxAppKey), QString("q3vzm8x1rtwk0pd"));
    // An empty value does not wipe out the shipped one.
    QCOMPARE(cloudKey(CloudKey::GoogleClientSecret), QString("Zt4kPq9Lm2Xw7Rb5Nc8Vy1_D"));
    QCOMPARE(cloudKey(CloudKey::OneDriveClientSecret), QString("Rk7pQ2!xvbNe4HsTJm93-%)"));
    QCOMPARE(cloudKey(CloudKey::EvernoteConsumerKey), QString("tam-vek"));
    // A comma is part of the value, not a list separator.
    QCOMPARE(cloudKey(CloudKey::EvernoteConsumerSecret), QString("a,b, c"));
}

void TestCloudBasics::serviceIdentifiers()
{
    QCOMPARE(cloudServiceFromSetting(0), int(CloudGoogleDrive));
    QCOMPARE(cloudServiceFromSetting(7), int(CloudGoogleDrive));
    QCOMPARE(cloudServiceFromSetting(-3), int(CloudGoogleDrive));
    QCOMPARE(cloudServiceFromSetting(4), int(CloudDropbox));
    QCOMPARE(cloudServiceFromSetting(5), int(CloudSharePoint));
    QCOMPARE(cloudServiceName(1), QString("GoogleDrive"));
    QCOMPARE(cloudServiceName(5), QString("SharePoint Online"));
    QCOMPARE(cloudSettingsPrefix(4), QString("dropbox/"));
    QVERIFY(cloudSettingsPrefix(5).isEmpty());
    QCOMPARE(cloudRedirectUri(4), QString("http://127.0.0.1:53511/cloud"));
    QCOMPARE(cloudRedirectUri(2), QString("http://localhost:53511/cloud"));
    // Another registered port moves every redirect; a privileged or bad one does not.
    QVERIFY(setUpCloudConfig({{"RedirectPort", "40123"}}));
    QCOMPARE(cloudRedirectUri(4), QString("http://127.0.0.1:40123/cloud"));
    QCOMPARE(cloudRedirectUri(3), QString("http://localhost:40123/cloud"));
    for (const char *bad : {"80", "70000", "x"}) {
        QVERIFY(setUpCloudConfig({{"RedirectPort", bad}}));
        QCOMPARE(cloudRedirectPort(), quint16(53511));
    }
    QVERIFY(setUpCloudConfig({}));
}

void TestCloudBasics::folderItemConvention()
{
    QTreeWidgetItem root;
    QTreeWidgetItem *child = addCloudFolderItem(&root, "Scan", "id:abc");
    QCOMPARE(root.childCount(), 1);
    QCOMPARE(child->text(0), QString("Scan"));
    QCOMPARE(child->data(0, Qt::UserRole).toString(), QString("id:abc"));
    QCOMPARE(cloudFolderItemId(child), QString("id:abc"));
}

void TestCloudBasics::buildDropboxPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("empty folder") << "" << "page.jpg" << "/page.jpg";
    QTest::newRow("bare folder, slashed name") << "Scan" << "/page.jpg" << "/Scan/page.jpg";
    QTest::newRow("root") << "/" << "page.jpg" << "/page.jpg";
    QTest::newRow("trailing slash") << "/Scan/2026/" << "page.jpg" << "/Scan/2026/page.jpg";
    QTest::newRow("empty name") << "/Scan" << "" << "";
    QTest::newRow("slash as name") << "/Scan" << "/" << "";
}

void TestCloudBasics::buildDropboxPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(::buildDropboxPath(folder, name), path);
}

void TestCloudBasics::apiArgIsAscii()
{
    const QJsonObject commit{{"path", QString::fromUtf8("/Scän/Scän_20261207_101500.jpg")}, {"mode", "add"}};
    const QByteArray header = dropboxApiArg(QJsonObject{{"commit", commit}, {"cursor", QJsonObject{{"offset", 52428800}}}});
    for (char c : header)
        QVERIFY2(uchar(c) >= 0x20 && uchar(c) <= 0x7E, header.constData());
    QCOMPARE(header, QByteArray("{\"commit\":{\"mode\":\"add\",\"path\":\"/Sc\\u00e4n/Sc\\u00e4n_20261207_101500.jpg\"},"
                                "\"cursor\":{\"offset\":52428800}}"));
    // A JSON reader gets the original name back.
    QCOMPARE(QJsonDocument::fromJson(header).object().value("commit").toObject().value("path").toString(),
             QString::fromUtf8("/Scän/Scän_20261207_101500.jpg"));
}

void TestCloudBasics::apiArgEscapesEveryNonAsciiCharacter()
{
    // DEL, a CJK character and one beyond U+FFFF (a surrogate pair).
    const QString name = QString::fromUtf8("a\x7f\xe6\x97\xa5\xf0\x9f\x93\x84");
    const QByteArray header = dropboxApiArg(QJsonObject{{"n", name}});
    QCOMPARE(header, QByteArray("{\"n\":\"a\\u007f\\u65e5\\ud83d\\udcc4\"}"));
    QCOMPARE(QJsonDocument::fromJson(header).object().value("n").toString(), name);
    // Escapes the JSON writer makes itself are left alone.
    QCOMPARE(dropboxApiArg(QJsonObject{{"n", "a\"b\\c\n"}}), QByteArray("{\"n\":\"a\\\"b\\\\c\\n\"}"));
}

void TestCloudBasics::uploadErrorCodes()
{
    const QByteArray full = R"({"error_summary": "path/insufficient_space/..", "error": {".tag": "path"}})";
    const QByteArray offset = R"({"error_summary": "incorrect_offset/..", "error": {".tag": "incorrect_offset", "correct_offset": 5}})";
    QCOMPARE(dropboxUploadErrorCode(QNetworkReply::OperationCanceledError, 0, -212, {}), -212);
    QCOMPARE(dropboxUploadErrorCode(QNetworkReply::OperationCanceledError, 0, 0, {}), -6);
    QCOMPARE(dropboxUploadErrorCode(QNetworkReply::ContentConflictError, 409, 0, full), -211);
    QCOMPARE(dropboxUploadErrorCode(QNetworkReply::ContentConflictError, 409, 0, QByteArray()), -211);
    // A session error is not a full account.
    QCOMPARE(dropboxUploadErrorCode(QNetworkReply::ContentConflictError, 409, 0, offset), -210);
    QCOMPARE(dropboxUploadErrorCode(QNetworkReply::AuthenticationRequiredError, 401, 0, {}), -210);
    QCOMPARE(dropboxUploadErrorCode(QNetworkReply::ConnectionRefusedError, 0, 0, {}), -210);
}

void TestCloudBasics::folderErrorCodes()
{
    QCOMPARE(dropboxListErrorCode(QNetworkReply::OperationCanceledError, -212), -203);
    QCOMPARE(dropboxListErrorCode(QNetworkReply::OperationCanceledError, 0), -6);
    QCOMPARE(dropboxListErrorCode(QNetworkReply::ContentConflictError, 0), -206);
    QCOMPARE(dropboxCreateFolderErrorCode(QNetworkReply::OperationCanceledError, -212), -203);
    QCOMPARE(dropboxCreateFolderErrorCode(QNetworkReply::OperationCanceledError, 0), -6);
    QCOMPARE(dropboxCreateFolderErrorCode(QNetworkReply::ContentConflictError, 0), -205);
}

void TestCloudBasics::shippedConfigurationNamesTheRealServices()
{
    const QString source = qEnvironmentVariable("LUMERITH_SOURCE_DIR");
    if (source.isEmpty())
        QSKIP("LUMERITH_SOURCE_DIR is set by CTest");
    QVERIFY(configFile().init(source + "/app"));
    QSettings shipped(source + "/app/MFPCFG.INI", QSettings::IniFormat);
    for (CloudHost role : {CloudHost::DropboxWeb, CloudHost::DropboxApi, CloudHost::DropboxContent, CloudHost::GoogleAccounts,
                           CloudHost::GoogleApi, CloudHost::MicrosoftLogin, CloudHost::MicrosoftGraph, CloudHost::Evernote}) {
        QVERIFY2(shipped.contains("CLOUD/" + cloudHostKey(role)), qPrintable(cloudHostKey(role)));
        QCOMPARE(cloudHost(role), cloudHostDefault(role));
    }
    for (CloudKey key : {CloudKey::DropboxAppKey, CloudKey::GoogleClientId, CloudKey::GoogleClientSecret,
                         CloudKey::OneDriveClientId, CloudKey::OneDriveClientSecret, CloudKey::EvernoteConsumerKey,
                         CloudKey::EvernoteConsumerSecret}) {
        QVERIFY2(shipped.contains("CLOUD/" + cloudKeyName(key)), qPrintable(cloudKeyName(key)));
        QCOMPARE(cloudKey(key), cloudKeyDefault(key));
    }
}

QTEST_MAIN(TestCloudBasics)
#include "tst_cloudbasics.moc"
