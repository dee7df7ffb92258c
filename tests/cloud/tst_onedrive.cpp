// OneDrive folders and uploads against the fake service: the breadth-wise
// listing with its pages, the tree and paths of personal and work accounts,
// folder creation, the upload session's fragments and the empty file, what
// each refusal means, and the refresh that goes first.
#include "cloud/cloudservice.h"
#include "cloud/onedrive/onedrivefile.h"
#include "cloud/onedrive/onedrivefolder.h"
#include "cloudtestenv.h"
#include "fakes/fakegraph.h"

#include <QSignalSpy>
#include <QTest>
#include <QTreeWidgetItem>

#include <memory>

class TestOneDrive : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void joinPathRules_data();
    void joinPathRules();
    void listingTreeAndPaths_data();
    void listingTreeAndPaths();
    void failedListingReportsOnce();
    void createFolder();
    void upload_data();
    void upload();
    void uploadRefused_data();
    void uploadRefused();

private:
    std::unique_ptr<FakeGraph> fake;
    QString dir;
};

void TestOneDrive::init()
{
    dir = emptyScratchDir("onedrive");
    fake.reset(new FakeGraph);
    QVERIFY(fake->start());
    QVERIFY(setUpCloudConfig({{"MicrosoftLoginHost", fake->base("login")},
                              {"MicrosoftGraphHost", fake->base("graph")},
                              {"OneDriveClientId", "fake-client"},
                              {"OneDriveClientSecret", "fake-secret"}}));
    fake->oauth.addTokens("token-1", "refresh-1");
    storeOAuthTokens(CloudOneDrive, "token-1", "refresh-1");
}

void TestOneDrive::cleanup()
{
    fake.reset();
}

void TestOneDrive::joinPathRules_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("bare folder, name with slash") << "Scan" << "/a.jpg" << "/Scan/a.jpg";
    QTest::newRow("slashes both ends") << "/Scan/2026/" << "a.jpg" << "/Scan/2026/a.jpg";
    QTest::newRow("no name") << "/Scan" << "/" << "";
}

void TestOneDrive::joinPathRules()
{
    QFETCH(QString, dir);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(joinPath(dir, name), path);
}

void TestOneDrive::listingTreeAndPaths_data()
{
    QTest::addColumn<int>("pageSize");
    QTest::addColumn<bool>("work");
    QTest::newRow("personal account, pages of two") << 2 << false;
    QTest::newRow("work account, one page each") << 200 << true;
}

void TestOneDrive::listingTreeAndPaths()
{
    QFETCH(int, pageSize);
    QFETCH(bool, work);
    fake->setPageSize(pageSize);
    fake->setWorkAccount(work);
    const QString scan = fake->addFolder("Scan");
    const QString year = fake->addFolder(QString::fromUtf8("2026 Dezember ä"), scan);
    fake->addFile("page.jpg", scan);
    for (int i = 0; i < 5; ++i)
        fake->addFolder(QStringLiteral("Sub%1").arg(i), year);
    fake->addFolder("Docs");
    fake->addFile("notes.txt");
    // A folder listed without its id can be neither chosen nor listed; its
    // children were asked for as the root's, and the listing began again.
    const QString damaged = fake->addFolder("Damaged");
    fake->addFolder("Inner", damaged);
    fake->setListedWithoutId(damaged);

    OneDriveFolder folder;
    QSignalSpy done(&folder, &OneDriveFolder::finishedDownloadFolder);
    QCOMPARE(folder.listAllFolders(), 0);
    QTRY_COMPARE(done.count(), 1);
    QTest::qWait(50);
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), 0);
    QCOMPARE(done.at(0).at(1).toInt(), int(CloudOneDrive));
    QCOMPARE(folder.folderList().size(), 1 + 2 + 1 + 5); // root, top level, year, subfolders
    QCOMPARE(folder.rootFolderId(), fake->rootId());

    QTreeWidgetItem top;
    folder.fillFolderTree(&top);
    QCOMPARE(childTitles(&top), (QStringList{"Scan", "Docs"}));
    QCOMPARE(childTitles(top.child(0)), QStringList{QString::fromUtf8("2026 Dezember ä")});
    QCOMPARE(top.child(0)->child(0)->childCount(), 5);

    QString id, path;
    QVERIFY(folder.findFolder("scan", id, path));
    QCOMPARE(id, scan);
    QCOMPARE(path, QString("Scan"));
    id = fake->itemAt(QString::fromUtf8("/Scan/2026 Dezember ä/Sub3")).id;
    QVERIFY(folder.findFolder(QString(), id, path));
    QCOMPARE(path, QString::fromUtf8("/Scan/2026 Dezember ä/Sub3"));
    id = fake->rootId();
    QVERIFY(folder.findFolder(QString(), id, path));
    QCOMPARE(path, QString("/"));
    // A stale identifier: only an exact name counts.
    id = "gone";
    QVERIFY(!folder.findFolder("docs", id, path));
    QVERIFY(folder.findFolder("Docs", id, path));
}

void TestOneDrive::failedListingReportsOnce()
{
    for (int i = 0; i < 4; ++i)
        fake->addFolder(QStringLiteral("F%1").arg(i), fake->addFolder(QStringLiteral("Top%1").arg(i)));
    fake->scriptAnswer("GET", "/v1.0/me/drive/items/ITEM!3", 500, "{}");
    OneDriveFolder folder;
    QSignalSpy done(&folder, &OneDriveFolder::finishedDownloadFolder);
    folder.listAllFolders();
    QTRY_COMPARE(done.count(), 1);
    QTest::qWait(200);
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), -206);
    QCOMPARE(folder.pendingRequestCount(), 0);
}

void TestOneDrive::createFolder()
{
    const QString docs = fake->addFolder("Docs");
    OneDriveFolder folder;
    QSignalSpy done(&folder, &OneDriveFolder::finishedCreateFolder);
    QCOMPARE(folder.createFolder(docs, "Scan"), 0);
    QTRY_COMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), 0);
    QCOMPARE(done.at(0).at(2).toString(), QString("Scan"));
    QCOMPARE(done.at(0).at(3).toString(), fake->itemAt("/Docs/Scan").id);
    QCOMPARE(folder.folderList().size(), 1);
    // The name is taken now: creating it again fails rather than renaming.
    folder.createFolder(docs, "scan");
    QTRY_COMPARE(done.count(), 2);
    QCOMPARE(done.at(1).at(0).toInt(), -205);
}

void TestOneDrive::upload_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QStringList>("ranges"); // of the fragments, in order
    const qint64 mib = 1048576;
    QTest::newRow("12 MiB in three fragments")
        << 12 * mib << QStringList{"bytes 0-5242879/12582912", "bytes 5242880-10485759/12582912", "bytes 10485760-12582911/12582912"};
    QTest::newRow("exactly one fragment") << qint64(5242880) << QStringList{"bytes 0-5242879/5242880"};
    QTest::newRow("small") << qint64(1000) << QStringList{"bytes 0-999/1000"};
    QTest::newRow("empty file, no session") << qint64(0) << QStringList{};
}

void TestOneDrive::upload()
{
    QFETCH(qint64, size);
    QFETCH(QStringList, ranges);
    fake->addFolder("Scan");
    const QString path = dir + QString::fromUtf8("/Scän 1.jpg");
    QVERIFY(writePatternFile(path, size));
    OneDriveFile file;
    QCOMPARE(uploadAndWait(file, "Scan", path), 0);
    QStringList sent;
    for (const auto &r : fake->requests("/up/"))
        sent << QString::fromLatin1(r.header("content-range"));
    QCOMPARE(sent, ranges);
    QCOMPARE(fake->requests("/v1.0/me/drive/items/root:/Scan/").size(), 1); // the session, or the content itself
    const FakeGraph::Item stored = fake->itemAt(QString::fromUtf8("/Scan/Scän 1.jpg"));
    QVERIFY(!stored.id.isEmpty());
    QCOMPARE(stored.size, size);
    QCOMPARE(stored.md5, md5Of(path));
    // The same name again is renamed by the service, not refused.
    QCOMPARE(uploadAndWait(file, "/Scan/", path), 0);
    QCOMPARE(fake->childNames(fake->itemAt("/Scan").id).size(), 2);
}

void TestOneDrive::uploadRefused_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("signedOut");
    QTest::newRow("drive full") << "full" << -211 << false;
    QTest::newRow("empty file, drive full") << "full-empty" << -211 << false;
    QTest::newRow("no such folder") << "folder" << -210 << false;
    QTest::newRow("page file deleted") << "deleted" << -201 << false;
    QTest::newRow("token rejected") << "token" << -210 << false;
    QTest::newRow("refresh token revoked") << "revoked" << -200 << true;
    QTest::newRow("refresh answer without access token") << "unusable" << -200 << false;
    QTest::newRow("token refreshed first, rotated") << "refresh" << 0 << false;
}

void TestOneDrive::uploadRefused()
{
    QFETCH(QString, fault);
    QFETCH(int, code);
    QFETCH(bool, signedOut);
    fake->addFolder("Scan");
    fake->setDriveFull(fault.startsWith("full"));
    OAuthTokens tokens(CloudOneDrive);
    if (fault == "token")
        fake->oauth.expireAccessTokens();
    if (fault == "revoked" || fault == "unusable" || fault == "refresh") {
        tokens.saveExpiresIn(OAuthTokens::now() + 200);
        fake->oauth.bRotateRefresh = true;
        fake->oauth.bAnswerWithoutAccessToken = fault == "unusable";
        if (fault == "revoked")
            fake->oauth.revokeRefreshTokens();
    }
    const QString path = dir + "/a.jpg";
    if (fault != "deleted")
        QVERIFY(writePatternFile(path, fault == "full-empty" ? 0 : 6 * 1048576));
    OneDriveFile file;
    QCOMPARE(uploadAndWait(file, fault == "folder" ? "/Missing" : "/Scan", path), code);
    QCOMPARE(tokens.accessToken().isEmpty() && tokens.refreshToken().isEmpty(), signedOut);
    if (fault == "refresh") {
        QCOMPARE(fake->requests().first().path, QString("/common/oauth2/v2.0/token"));
        QCOMPARE(tokens.refreshToken(), fake->oauth.lastRefreshToken());
        QCOMPARE(fake->itemAt("/Scan/a.jpg").md5, md5Of(path));
    }
}

QTEST_MAIN(TestOneDrive)
#include "tst_onedrive.moc"
