// Google Drive folders and uploads against the fake service: paged listings,
// the tree and paths, folder creation, the resumable upload's headers and
// bytes, what each refusal means, and the refresh that goes first.
#include "cloud/cloudservice.h"
#include "cloud/google/googlefile.h"
#include "cloud/google/googlefolder.h"
#include "cloud/requesttimeout.h"
#include "cloudtestenv.h"
#include "fakes/fakegoogle.h"

#include <QSignalSpy>
#include <QTest>
#include <QTreeWidgetItem>

#include <memory>

class TestGoogleDrive : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listing_data();
    void listing();
    void treeAndPaths();
    void createFolder_data();
    void createFolder();
    void upload_data();
    void upload();
    void uploadRefused_data();
    void uploadRefused();
    void tokenRefreshedFirst_data();
    void tokenRefreshedFirst();
    void cancelAndTimeout_data();
    void cancelAndTimeout();

private:
    std::unique_ptr<FakeGoogle> fake;
    QString dir;
};

void TestGoogleDrive::init()
{
    dir = emptyScratchDir("google");
    fake.reset(new FakeGoogle);
    QVERIFY(fake->start());
    QVERIFY(setUpCloudConfig({{"GoogleAccountsHost", fake->base("accounts")},
                              {"GoogleApiHost", fake->base("api")},
                              {"GoogleClientId", "fake-client"},
                              {"GoogleClientSecret", "fake-secret"}}));
    fake->oauth.addTokens("token-1", "refresh-1");
    storeOAuthTokens(CloudGoogleDrive, "token-1", "refresh-1");
}

void TestGoogleDrive::cleanup()
{
    fake.reset();
}

void TestGoogleDrive::listing_data()
{
    QTest::addColumn<int>("folders");
    QTest::addColumn<QList<int>>("pageSizes");
    QTest::addColumn<int>("requests");
    QTest::newRow("1200 folders in three pages") << 1200 << QList<int>{} << 3;
    QTest::newRow("short and empty pages before the last") << 5 << QList<int>{2, 0, 1} << 4;
    QTest::newRow("no folders") << 0 << QList<int>{} << 1;
}

void TestGoogleDrive::listing()
{
    QFETCH(int, folders);
    QFETCH(QList<int>, pageSizes);
    QFETCH(int, requests);
    for (int i = 0; i < folders; ++i)
        fake->addFolder(QStringLiteral("F%1").arg(i));
    fake->setPageSizes(pageSizes);
    GoogleFolder folder;
    QSignalSpy done(&folder, &GoogleFolder::finishedDownloadFolder);
    QCOMPARE(folder.listAllFolders(), 0);
    QTRY_COMPARE(done.count(), 1);
    QTest::qWait(20);
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), 0);
    QCOMPARE(done.at(0).at(1).toInt(), int(CloudGoogleDrive));
    QCOMPARE(folder.folderList().size(), folders);
    const auto pages = fake->requests("/drive/v2/files");
    QCOMPARE(pages.size(), requests);
    for (const auto &page : pages)
        QCOMPARE(page.status, 200);
}

void TestGoogleDrive::treeAndPaths()
{
    const QString a = fake->addFolder("A");
    const QString b = fake->addFolder("B", a);
    fake->addFolder("C");
    fake->addSharedFolder("Shared");
    GoogleFolder folder;
    QSignalSpy done(&folder, &GoogleFolder::finishedDownloadFolder);
    folder.listAllFolders();
    QTRY_COMPARE(done.count(), 1);
    QCOMPARE(folder.folderList().size(), 3); // the shared folder has no place in the tree

    QTreeWidgetItem top;
    folder.fillFolderTree(&top);
    QCOMPARE(childTitles(&top), (QStringList{"A", "C"}));
    QCOMPARE(childTitles(top.child(0)), QStringList{"B"});
    QCOMPARE(cloudFolderItemId(top.child(0)->child(0)), b);

    QString id = b, path;
    QVERIFY(folder.findFolder("B", id, path));
    QCOMPARE(path, QString("/A/B"));
    id = folder.rootFolderId();
    QVERIFY(folder.findFolder(QString(), id, path));
    QCOMPARE(path, QString("/"));
    id.clear();
    QVERIFY(folder.findFolder("A", id, path));
    QCOMPARE(id, a);
    id.clear();
    QVERIFY(!folder.findFolder("B", id, path)); // only top-level folders by name
}

void TestGoogleDrive::createFolder_data()
{
    QTest::addColumn<bool>("underRoot");
    QTest::newRow("under the root: no parents") << true;
    QTest::newRow("under a folder: one parent") << false;
}

void TestGoogleDrive::createFolder()
{
    QFETCH(bool, underRoot);
    const QString parent = underRoot ? QString("root") : fake->addFolder("Docs");
    GoogleFolder folder;
    QSignalSpy done(&folder, &GoogleFolder::finishedCreateFolder);
    QCOMPARE(folder.createFolder(parent, QString::fromUtf8("Scän")), 0);
    QTRY_COMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), 0);
    QCOMPARE(done.at(0).at(2).toString(), QString::fromUtf8("Scän"));
    const QString id = done.at(0).at(3).toString();
    const QJsonObject sent = fake->requests("/drive/v2/files").last().json();
    QCOMPARE(sent.contains("parents"), !underRoot);
    QCOMPARE(fake->item(id).parents, QStringList{underRoot ? fake->rootId() : parent});
    QCOMPARE(folder.folderList().last().id, id);
}

void TestGoogleDrive::upload_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("mime");
    QTest::addColumn<QByteArray>("range");
    QTest::newRow("JPEG") << qint64(1000) << 1 << "image/jpeg" << QByteArray("bytes 0-999/1000");
    QTest::newRow("TIFF") << qint64(70000) << 3 << "image/tiff" << QByteArray("bytes 0-69999/70000");
    QTest::newRow("PDF, several MiB") << qint64(6 * 1048576 + 3) << 4 << "application/pdf"
                                      << QByteArray("bytes 0-6291458/6291459");
    QTest::newRow("unknown type sends no MIME type") << qint64(10) << 0 << "" << QByteArray("bytes 0-9/10");
    QTest::newRow("empty file") << qint64(0) << 1 << "image/jpeg" << QByteArray("bytes */0");
}

void TestGoogleDrive::upload()
{
    QFETCH(qint64, size);
    QFETCH(int, type);
    QFETCH(QString, mime);
    QFETCH(QByteArray, range);
    const QString path = dir + "/page_0001.bin";
    QVERIFY(writePatternFile(path, size));
    GoogleFile file;
    QCOMPARE(uploadAndWait(file, "root", path, type), 0);

    const auto sessions = fake->requests("/upload/drive/v2/files");
    QCOMPARE(sessions.size(), 2);
    const FakeHttpService::Request open = sessions.at(0), put = sessions.at(1);
    QCOMPARE(open.header("x-upload-content-length"), QByteArray::number(size));
    QCOMPARE(QString::fromLatin1(open.header("x-upload-content-type")), mime);
    QCOMPARE(open.json().value("mimeType").toString(), mime);
    QCOMPARE(open.json().value("title").toString(), QString("page_0001.bin"));
    QCOMPARE(put.header("content-range"), range);
    const FakeGoogle::Item stored = fake->itemsTitled("page_0001.bin").value(0);
    QCOMPARE(stored.size, size);
    QCOMPARE(stored.md5, md5Of(path));
}

void TestGoogleDrive::uploadRefused_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("tokenRejected");
    QTest::addColumn<int>("code");
    QTest::newRow("storage full") << "storageQuotaExceeded" << false << -211;
    QTest::newRow("quota exceeded") << "quotaExceeded" << false << -211;
    QTest::newRow("rate limit") << "userRateLimitExceeded" << false << -210;
    QTest::newRow("read-only folder") << "insufficientFilePermissions" << false << -210;
    QTest::newRow("token rejected") << "" << true << -210;
}

void TestGoogleDrive::uploadRefused()
{
    QFETCH(QString, reason);
    QFETCH(bool, tokenRejected);
    QFETCH(int, code);
    fake->setUploadRefusal(reason);
    if (tokenRejected)
        fake->oauth.expireAccessTokens();
    QVERIFY(writePatternFile(dir + "/a.jpg", 100));
    GoogleFile file;
    QCOMPARE(uploadAndWait(file, "root", dir + "/a.jpg"), code);
    QCOMPARE(fake->requests().last().status, tokenRejected ? 401 : 403);
    QVERIFY(fake->itemsTitled("a.jpg").isEmpty());
}

void TestGoogleDrive::tokenRefreshedFirst_data()
{
    QTest::addColumn<QString>("refresh");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("signedOut");
    QTest::newRow("expiring in 200 s") << "answered" << true << 0 << false;
    QTest::newRow("refresh token revoked") << "revoked" << true << -200 << true;
    QTest::newRow("answer without access token") << "unusable" << true << -200 << false;
    QTest::newRow("nothing to refresh with") << "none" << true << -200 << true;
    QTest::newRow("deleted page file") << "answered" << false << -201 << false;
}

void TestGoogleDrive::tokenRefreshedFirst()
{
    QFETCH(QString, refresh);
    QFETCH(bool, fileExists);
    QFETCH(int, code);
    QFETCH(bool, signedOut);
    OAuthTokens tokens(CloudGoogleDrive);
    tokens.saveExpiresIn(OAuthTokens::now() + 200);
    if (refresh == "revoked")
        fake->oauth.revokeRefreshTokens();
    fake->oauth.bAnswerWithoutAccessToken = refresh == "unusable";
    if (refresh == "none")
        tokens.clear();
    if (fileExists)
        QVERIFY(writePatternFile(dir + "/a.jpg", 100));
    GoogleFile file;
    QCOMPARE(uploadAndWait(file, "root", dir + "/a.jpg"), code);
    QCOMPARE(tokens.accessToken().isEmpty() && tokens.refreshToken().isEmpty(), signedOut);
    if (refresh == "answered" && fileExists) {
        // The refresh went first, and the new token carried the upload.
        const auto all = fake->requests();
        QCOMPARE(all.size(), 3);
        QCOMPARE(all.at(0).path, QString("/o/oauth2/token"));
        QCOMPARE(all.at(2).header("authorization"), "Bearer " + fake->oauth.lastAccessToken().toLatin1());
        QCOMPARE(tokens.refreshToken(), QString("refresh-1"));
    }
}

void TestGoogleDrive::cancelAndTimeout_data()
{
    QTest::addColumn<bool>("listing");
    QTest::addColumn<bool>("timeout");
    QTest::addColumn<int>("code");
    QTest::newRow("upload cancelled") << false << false << -6;
    QTest::newRow("upload timed out") << false << true << -212;
    QTest::newRow("listing cancelled") << true << false << -6;
    QTest::newRow("listing timed out") << true << true << -203;
}

void TestGoogleDrive::cancelAndTimeout()
{
    QFETCH(bool, listing);
    QFETCH(bool, timeout);
    QFETCH(int, code);
    fake->setHang(true);
    ScopedCloudRequestTimeout shortTimeout(timeout ? 500 : 60000);
    QVERIFY(writePatternFile(dir + "/a.jpg", 100));
    GoogleFolder folder;
    GoogleFile file;
    QSignalSpy listed(&folder, &GoogleFolder::finishedDownloadFolder);
    QSignalSpy uploaded(&file, &GoogleFile::finishedCreateFile);
    QSignalSpy &done = listing ? listed : uploaded;
    CloudManager &manager = listing ? static_cast<CloudManager &>(folder) : file;
    QCOMPARE(listing ? folder.listAllFolders() : file.createFile("root", dir + "/a.jpg", 1), 0);
    QTRY_VERIFY(fake->openConnections() > 0);
    if (!timeout)
        manager.abortAllReplies();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
    QCOMPARE(done.at(0).at(0).toInt(), code);
}

QTEST_MAIN(TestGoogleDrive)
#include "tst_googledrive.moc"
