// Dropbox folders against the fake service: paged listing, lookups, the
// tree, folder creation and the failure codes.
#include "cloud/dropbox/dropboxauthorization.h"
#include "cloud/dropbox/dropboxfolder.h"
#include "cloud/requesttimeout.h"
#include "cloudtestenv.h"
#include "fakes/fakedropbox.h"

#include <QSignalSpy>
#include <QTest>
#include <QTreeWidgetItem>

#include <memory>

namespace {
QList<int> codes(const QSignalSpy &spy)
{
    QList<int> list;
    for (const QList<QVariant> &args : spy)
        list << args.at(0).toInt();
    return list;
}

// Names of the children of an item, with their ids, depth first.
QStringList describe(const QTreeWidgetItem *item, const QString &indent = QString())
{
    QStringList lines;
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem *child = item->child(i);
        lines << indent + child->text(0);
        lines += describe(child, indent + "  ");
    }
    return lines;
}
} // namespace

class TestDropboxFolder : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void threePagesGiveOneResult();
    void findFolder();
    void fillFolderTree();
    void createFolderAtTopAndInside();
    void createFolderFailures();
    void notSignedIn();
    void rejectedTokenMeansSignInAgain_data();
    void rejectedTokenMeansSignInAgain();
    void malformedPagesAreErrors_data();
    void malformedPagesAreErrors();
    void oddEntriesKeepTheTreeFinite();
    void cancelAndTimeout();

private:
    std::unique_ptr<FakeDropbox> fake;
};

void TestDropboxFolder::init()
{
    fake.reset(new FakeDropbox);
    QVERIFY(fake->start());
    // Same ports are not guaranteed; point the configuration at this instance.
    QVERIFY(setUpCloudConfig({{"DropboxApiHost", fake->apiBase()}, {"DropboxContentHost", fake->contentBase()}}));
    storeDropboxToken("fake-token");
    fake->setPageSize(2);
    fake->addFolder("/Scan");
    fake->addFolder("/Scan/2026");
    fake->addFolder("/Photos");
    fake->addFile("/Photos/cat.jpg", "meow");
    fake->addFolder("/Scan/2026/Dec");
}

void TestDropboxFolder::threePagesGiveOneResult()
{
    DropboxFolder folder;
    QSignalSpy done(&folder, &DropboxFolder::finishedDownloadFolder);
    QCOMPARE(folder.listAllFolders(), false);
    QTRY_COMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), 0);
    QCOMPARE(done.at(0).at(1).toInt(), 4);
    QTest::qWait(50);
    QCOMPARE(done.count(), 1);

    const QList<FakeDropbox::Request> requests = fake->requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.at(0).path, QString("/2/files/list_folder"));
    QCOMPARE(requests.at(0).json().value("recursive").toBool(), true);
    QCOMPARE(requests.at(0).json().value("path").toString(), QString(""));
    QCOMPARE(requests.at(1).path, QString("/2/files/list_folder/continue"));
    QCOMPARE(requests.at(2).path, QString("/2/files/list_folder/continue"));

    QStringList paths;
    for (const DropboxFolderEntry &e : folder.folderList()) {
        QCOMPARE(e.tag, QString("folder"));
        QVERIFY(e.id.startsWith("id:"));
        paths << e.pathDisplay;
    }
    paths.sort();
    QCOMPARE(paths, (QStringList{"/Photos", "/Scan", "/Scan/2026", "/Scan/2026/Dec"}));

    // A second listing replaces the first rather than adding to it.
    fake->clearRequests();
    folder.listAllFolders();
    QTRY_COMPARE(done.count(), 2);
    QCOMPARE(folder.folderList().size(), 4);
}

void TestDropboxFolder::findFolder()
{
    DropboxFolder folder;
    QSignalSpy done(&folder, &DropboxFolder::finishedDownloadFolder);
    folder.listAllFolders();
    QTRY_COMPARE(done.count(), 1);

    QString id = "/", path;
    QVERIFY(folder.findFolder(QString(), id, path));
    QCOMPARE(path, QString("/"));
    id = "Dropbox";
    QVERIFY(folder.findFolder(QString(), id, path));
    QCOMPARE(path, QString("/"));

    id.clear();
    QVERIFY(folder.findFolder("scan/2026", id, path));
    QCOMPARE(path, QString("/Scan/2026"));
    const QString found = id;
    QVERIFY(found.startsWith("id:"));
    path.clear();
    QVERIFY(folder.findFolder(QString(), id, path));
    QCOMPARE(path, QString("/Scan/2026"));

    id.clear();
    QVERIFY(folder.findFolder(QString(), id, path));
    QCOMPARE(path, QString("/"));
    id.clear();
    QVERIFY(!folder.findFolder("/Nowhere", id, path));
    id = "id:unknown";
    QVERIFY(!folder.findFolder(QString(), id, path));
}

void TestDropboxFolder::fillFolderTree()
{
    DropboxFolder folder;
    QSignalSpy done(&folder, &DropboxFolder::finishedDownloadFolder);
    folder.listAllFolders();
    QTRY_COMPARE(done.count(), 1);

    QTreeWidgetItem root;
    folder.fillFolderTree(&root);
    QCOMPARE(describe(&root), (QStringList{"Photos", "Scan", "  2026", "    Dec"}));
    QString id, path;
    folder.findFolder("/Scan/2026/Dec", id, path);
    QCOMPARE(root.child(1)->child(0)->child(0)->data(0, Qt::UserRole).toString(), id);
}

void TestDropboxFolder::createFolderAtTopAndInside()
{
    DropboxFolder folder;
    QSignalSpy listed(&folder, &DropboxFolder::finishedDownloadFolder);
    QSignalSpy created(&folder, &DropboxFolder::finishedCreateFolder);
    folder.listAllFolders();
    QTRY_COMPARE(listed.count(), 1);

    QCOMPARE(folder.createFolder("/", QString::fromUtf8("Scän")), 0);
    QTRY_COMPARE(created.count(), 1);
    QCOMPARE(created.at(0).at(0).toInt(), 0);
    QCOMPARE(created.at(0).at(1).toInt(), 4);
    QCOMPARE(created.at(0).at(2).toString(), QString::fromUtf8("/Scän"));
    const QString newId = created.at(0).at(3).toString();
    QVERIFY(fake->hasFolder(QString::fromUtf8("/Scän")));
    QCOMPARE(FakeDropbox::argOf(fake->requests().last()).value("autorename").toBool(), false);

    // Known at once, without a new listing.
    QString path;
    QString id = newId;
    QVERIFY(folder.findFolder(QString(), id, path));
    QCOMPARE(path, QString::fromUtf8("/Scän"));

    id.clear();
    folder.findFolder("/Scan/2026", id, path);
    QCOMPARE(folder.createFolder(id, "Inner"), 0);
    QTRY_COMPARE(created.count(), 2);
    QCOMPARE(created.at(1).at(2).toString(), QString("/Scan/2026/Inner"));
    QVERIFY(fake->hasFolder("/Scan/2026/Inner"));
}

void TestDropboxFolder::createFolderFailures()
{
    DropboxFolder folder;
    QSignalSpy listed(&folder, &DropboxFolder::finishedDownloadFolder);
    QSignalSpy created(&folder, &DropboxFolder::finishedCreateFolder);
    folder.listAllFolders();
    QTRY_COMPARE(listed.count(), 1);

    // An existing folder: the service's conflict.
    QCOMPARE(folder.createFolder("/", "scan"), 0);
    QTRY_COMPARE(created.count(), 1);
    QCOMPARE(created.at(0).at(0).toInt(), -205);
    QVERIFY(created.at(0).at(2).toString().isEmpty());
    // An unknown parent: nothing is sent, no signal.
    fake->clearRequests();
    QCOMPARE(folder.createFolder("id:gone", "X"), -205);
    QTest::qWait(50);
    QCOMPARE(created.count(), 1);
    QVERIFY(fake->requests().isEmpty());
}

void TestDropboxFolder::notSignedIn()
{
    storeDropboxToken("   ");
    DropboxFolder folder;
    QSignalSpy listed(&folder, &DropboxFolder::finishedDownloadFolder);
    QCOMPARE(folder.listAllFolders(), true);
    QCOMPARE(codes(listed), QList<int>{-200});
    QCOMPARE(folder.createFolder("/", "X"), -200);
    QCOMPARE(codes(listed), (QList<int>{-200, -200}));
    QVERIFY(fake->requests().isEmpty());
}

void TestDropboxFolder::rejectedTokenMeansSignInAgain_data()
{
    QTest::addColumn<bool>("expired");
    QTest::addColumn<bool>("create");
    QTest::newRow("listing, unknown token") << false << false;
    QTest::newRow("listing, expired token") << true << false;
    QTest::newRow("new folder, expired token") << true << true;
}

void TestDropboxFolder::rejectedTokenMeansSignInAgain()
{
    QFETCH(bool, expired);
    QFETCH(bool, create);
    if (expired)
        fake->setTokenExpired(true);
    else
        storeDropboxToken("someone-else");
    DropboxFolder folder;
    QSignalSpy listed(&folder, &DropboxFolder::finishedDownloadFolder);
    QSignalSpy created(&folder, &DropboxFolder::finishedCreateFolder);
    if (create)
        QCOMPARE(folder.createFolder("/", "New"), 0);
    else
        folder.listAllFolders();
    QSignalSpy &result = create ? created : listed;
    QTRY_COMPARE(result.count(), 1);
    QCOMPARE(result.at(0).at(0).toInt(), -200);
    QCOMPARE(fake->requests().at(0).status, 401);
    // The user is told to sign in again, and is not signed in any more.
    QVERIFY(DropboxAuthorization().accessToken().isEmpty());
}

void TestDropboxFolder::malformedPagesAreErrors_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("requests");
    QTest::newRow("not JSON") << QByteArray("<html>maintenance</html>") << 1;
    // More pages but no cursor: would start over for ever.
    QTest::newRow("more without cursor") << QByteArray(R"({"entries": [], "has_more": true})") << 1;
    QTest::newRow("entries not a list") << QByteArray(R"({"entries": {"a": 1}, "has_more": false})") << 1;
    QTest::newRow("no entries") << QByteArray(R"({"cursor": "c", "has_more": false})") << 1;
    QTest::newRow("cursor repeats") << QByteArray(R"({"entries": [], "cursor": "same", "has_more": true})") << 2;
    QTest::newRow("never ends") << QByteArray(R"({"entries": [], "cursor": "c{n}", "has_more": true})") << 5;
}

void TestDropboxFolder::malformedPagesAreErrors()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, requests);
    DropboxFolder folder;
    folder.setPageLimit(5);
    QSignalSpy listed(&folder, &DropboxFolder::finishedDownloadFolder);
    fake->setCannedListAnswer(answer);
    folder.listAllFolders();
    QTRY_COMPARE(listed.count(), 1);
    // A failed listing, not an empty account, and no request after it.
    QCOMPARE(listed.at(0).at(0).toInt(), -206);
    QTest::qWait(50);
    QCOMPARE(fake->requests().size(), requests);
    QCOMPARE(listed.count(), 1);
}

void TestDropboxFolder::oddEntriesKeepTheTreeFinite()
{
    // A path without "/", one that is its own parent's name, a file, a
    // deleted item and a path given twice (the later entry takes the earlier
    // one's place). The tree stays finite and shows each real folder once.
    DropboxFolder folder;
    QSignalSpy listed(&folder, &DropboxFolder::finishedDownloadFolder);
    fake->setCannedListAnswer(R"({"entries": [
        {".tag": "folder", "name": "odd", "path_lower": "odd", "path_display": "odd", "id": "id:1"},
        {".tag": "Folder", "name": "a", "path_lower": "/a", "path_display": "/A", "id": "id:2"},
        {".tag": "folder", "name": "", "path_lower": "", "path_display": "", "id": "id:3"},
        {".tag": "file", "name": "f", "path_lower": "/a/f", "path_display": "/A/f", "id": "id:4"},
        {".tag": "deleted", "name": "d", "path_lower": "/d", "path_display": "/d"},
        {".tag": "folder", "name": "a2", "path_lower": "/a", "path_display": "/A", "id": "id:5"},
        {".tag": "folder", "name": "b", "path_lower": "/a/b", "path_display": "/A/b", "id": "id:6"}],
        "cursor": "c", "has_more": false})");
    folder.listAllFolders();
    QTRY_COMPARE(listed.count(), 1);
    QCOMPARE(listed.at(0).at(0).toInt(), 0);
    QCOMPARE(folder.folderList().size(), 4);
    QTreeWidgetItem root;
    folder.fillFolderTree(&root);
    QCOMPARE(describe(&root), (QStringList{"a2", "  b"}));
}

void TestDropboxFolder::cancelAndTimeout()
{
    fake->setHang(true);
    {
        DropboxFolder folder;
        QSignalSpy listed(&folder, &DropboxFolder::finishedDownloadFolder);
        folder.listAllFolders();
        QTRY_COMPARE(fake->requests().size() + fake->openConnections() > 0, true);
        QTest::qWait(100);
        folder.abortAllReplies();
        QTRY_COMPARE(listed.count(), 1);
        QCOMPARE(listed.at(0).at(0).toInt(), -6);
    }
    ScopedCloudRequestTimeout shortTimeout(500);
    DropboxFolder folder;
    QSignalSpy listed(&folder, &DropboxFolder::finishedDownloadFolder);
    QSignalSpy created(&folder, &DropboxFolder::finishedCreateFolder);
    folder.listAllFolders();
    QTRY_COMPARE_WITH_TIMEOUT(listed.count(), 1, 5000);
    QCOMPARE(listed.at(0).at(0).toInt(), -203);
    QCOMPARE(folder.errorCode(), -212);
    folder.createFolder("/", "X");
    QTRY_COMPARE_WITH_TIMEOUT(created.count(), 1, 5000);
    QCOMPARE(created.at(0).at(0).toInt(), -203);
}

QTEST_MAIN(TestDropboxFolder)
#include "tst_dropboxfolder.moc"
