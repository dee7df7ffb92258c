// Dropbox uploads against the fake service: the chunk sequence at the chunk
// boundaries, the bytes that arrive, names outside ASCII, and the failure,
// cancel and time-out codes.
#include "cloud/dropbox/dropboxauthorization.h"
#include "cloud/dropbox/dropboxfile.h"
#include "cloud/requesttimeout.h"
#include "cloudtestenv.h"
#include "fakes/fakedropbox.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
const qint64 kChunk = 52428800;

struct Step
{
    QString path;
    qint64 offset; // -1: none (start)
    qint64 size;
    bool operator==(const Step &o) const { return path == o.path && offset == o.offset && size == o.size; }
};

QList<Step> stepsOf(const QList<FakeDropbox::Request> &requests)
{
    QList<Step> steps;
    for (const FakeDropbox::Request &r : requests) {
        const QJsonObject cursor = FakeDropbox::argOf(r).value("cursor").toObject();
        steps << Step{r.path.mid(QString("/2/files/upload_session/").size()),
                      cursor.isEmpty() ? -1 : qint64(cursor.value("offset").toDouble()), r.bodySize};
    }
    return steps;
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

namespace QTest {
template <>
inline char *toString(const Step &s)
{
    return qstrdup(s.path.toLatin1() + "@" + QByteArray::number(s.offset) + "+" + QByteArray::number(s.size));
}
} // namespace QTest

class TestDropboxFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void chunkSequence_data();
    void chunkSequence();
    void fileThatShrinksFinishesEmpty();
    void nameOutsideAsciiArrivesIntact();
    void sameNameTwiceIsRenamed();
    void fullAccount();
    void refusedBeforeSending();
    void rejectedTokenMeansSignInAgain();
    void finishThatIsNoFileFails_data();
    void finishThatIsNoFileFails();
    void cancelGivesMinusSix();
    void stalledTransferTimesOut();
    void slowButSteadyTransferCompletes();

private:
    std::unique_ptr<FakeDropbox> fake;
    QString dir;
};

void TestDropboxFile::init()
{
    dir = emptyScratchDir("uploads");
    fake.reset(new FakeDropbox);
    QVERIFY(fake->start());
    QVERIFY(setUpCloudConfig({{"DropboxApiHost", fake->apiBase()}, {"DropboxContentHost", fake->contentBase()}}));
    storeDropboxToken("fake-token");
}

void TestDropboxFile::cleanup()
{
    fake.reset();
}

void TestDropboxFile::chunkSequence_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QList<Step>>("steps");
    QTest::newRow("empty") << qint64(0) << QList<Step>{{"start", -1, 0}, {"finish", 0, 0}};
    QTest::newRow("small") << qint64(1000) << QList<Step>{{"start", -1, 1000}, {"finish", 1000, 0}};
    QTest::newRow("one chunk") << kChunk << QList<Step>{{"start", -1, kChunk}, {"finish", kChunk, 0}};
    QTest::newRow("one chunk and a byte") << kChunk + 1 << QList<Step>{{"start", -1, kChunk}, {"finish", kChunk, 1}};
    QTest::newRow("two chunks") << 2 * kChunk << QList<Step>{{"start", -1, kChunk}, {"finish", kChunk, kChunk}};
    QTest::newRow("120 MiB") << qint64(120) * 1024 * 1024
                             << QList<Step>{{"start", -1, kChunk},
                                            {"append_v2", kChunk, kChunk},
                                            {"finish", 2 * kChunk, qint64(20) * 1024 * 1024}};
}

void TestDropboxFile::chunkSequence()
{
    QFETCH(qint64, size);
    QFETCH(QList<Step>, steps);
    const QString path = dir + "/page_0001.jpg";
    QVERIFY(writePatternFile(path, size));

    DropboxFile file;
    QCOMPARE(uploadAndWait(file, "/Scan", path), 0);
    QCOMPARE(stepsOf(fake->requests()), steps);
    for (const FakeDropbox::Request &r : fake->requests()) {
        QCOMPARE(r.status, 200);
        QCOMPARE(r.role, QString("content"));
    }
    const QJsonObject commit = FakeDropbox::argOf(fake->requests().last()).value("commit").toObject();
    QCOMPARE(commit.value("path").toString(), QString("/Scan/page_0001.jpg"));
    QCOMPARE(commit.value("mode").toString(), QString("add"));
    QCOMPARE(commit.value("autorename").toBool(), true);
    QCOMPARE(commit.value("mute").toBool(), false);

    const FakeDropbox::File stored = fake->file("/Scan/page_0001.jpg");
    QCOMPARE(stored.size, size);
    QCOMPARE(stored.md5, md5Of(path));
    QFile local(path);
    QVERIFY(local.open(QIODevice::ReadOnly));
    QVERIFY(stored.data == local.readAll());
}

void TestDropboxFile::fileThatShrinksFinishesEmpty()
{
    const QString path = dir + "/shrinking.jpg";
    QVERIFY(writePatternFile(path, kChunk + 4096));
    // Cut the file while the first chunk's answer is on its way.
    connect(fake.get(), &FakeDropbox::requestFinished, this, [path](const QString &, const QString &p) {
        if (p.endsWith("/start"))
            QFile::resize(path, 1000);
    });
    DropboxFile file;
    QCOMPARE(uploadAndWait(file, "/", path), 0);
    QCOMPARE(stepsOf(fake->requests()), (QList<Step>{{"start", -1, kChunk}, {"finish", kChunk, 0}}));
    QCOMPARE(fake->file("/shrinking.jpg").size, kChunk);
}

void TestDropboxFile::nameOutsideAsciiArrivesIntact()
{
    const QString name = QString::fromUtf8("Scän_20261207_101500.jpg");
    const QString path = dir + "/" + name;
    QVERIFY(writePatternFile(path, 5000));
    DropboxFile file;
    QCOMPARE(uploadAndWait(file, QString::fromUtf8("/Scän"), path), 0);
    // The header went out as ASCII (the fake refuses anything else) and means the same name.
    QVERIFY(fake->requests().last().header("dropbox-api-arg").contains("Sc\\u00e4n"));
    QVERIFY(fake->hasFile(QString::fromUtf8("/Scän/") + name));
    QCOMPARE(fake->file(QString::fromUtf8("/Scän/") + name).md5, md5Of(path));
}

void TestDropboxFile::sameNameTwiceIsRenamed()
{
    const QString path = dir + "/page.pdf";
    QVERIFY(writePatternFile(path, 100));
    DropboxFile file;
    QCOMPARE(uploadAndWait(file, "Scan", path), 0);
    QCOMPARE(uploadAndWait(file, "Scan", path), 0);
    QVERIFY(fake->hasFile("/Scan/page.pdf"));
    QVERIFY(fake->hasFile("/Scan/page (1).pdf"));
}

void TestDropboxFile::fullAccount()
{
    const QString path = dir + "/full.jpg";
    QVERIFY(writePatternFile(path, 3000));
    fake->setAccountFull(true);
    DropboxFile file;
    QCOMPARE(uploadAndWait(file, "/", path), -211);
    QCOMPARE(fake->requests().last().status, 409);
    QVERIFY(!fake->hasFile("/full.jpg"));
}

void TestDropboxFile::refusedBeforeSending()
{
    DropboxFile file;
    QSignalSpy done(&file, &DropboxFile::finishedCreateFile);
    QCOMPARE(file.createFile("/", dir + "/missing.jpg", 1), -201);
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), -201);
    QCOMPARE(done.at(0).at(1).toString(), dir + "/missing.jpg");

    storeDropboxToken(" \t ");
    QVERIFY(writePatternFile(dir + "/a.jpg", 10));
    QCOMPARE(file.createFile("/", dir + "/a.jpg", 1), -200);
    QCOMPARE(done.count(), 2);
    QCOMPARE(done.at(1).at(0).toInt(), -200);
    QVERIFY(fake->requests().isEmpty());
}

void TestDropboxFile::rejectedTokenMeansSignInAgain()
{
    fake->setTokenExpired(true);
    QVERIFY(writePatternFile(dir + "/a.jpg", 10));
    DropboxFile file;
    QCOMPARE(uploadAndWait(file, "/", dir + "/a.jpg"), -200);
    QCOMPARE(fake->requests().last().status, 401);
    QVERIFY(DropboxAuthorization().accessToken().isEmpty());
}

void TestDropboxFile::finishThatIsNoFileFails_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("a proxy's page") << QByteArray("<html><body>Welcome to the hotel network</body></html>");
    QTest::newRow("negative size") << QByteArray(R"({"id": "id:9", "name": "a.jpg", "size": -1})");
    QTest::newRow("fewer bytes than sent") << QByteArray(R"({"id": "id:9", "name": "a.jpg", "size": 9})");
    QTest::newRow("no id") << QByteArray(R"({"name": "a.jpg", "size": 10})");
}

void TestDropboxFile::finishThatIsNoFileFails()
{
    QFETCH(QByteArray, answer);
    QVERIFY(writePatternFile(dir + "/a.jpg", 10));
    fake->setCannedFinishAnswer(answer);
    DropboxFile file;
    QCOMPARE(uploadAndWait(file, "/", dir + "/a.jpg"), -210);
}

void TestDropboxFile::cancelGivesMinusSix()
{
    const QString path = dir + "/big.jpg";
    QVERIFY(writePatternFile(path, 8 * 1024 * 1024));
    fake->setHang(true);
    DropboxFile file;
    QSignalSpy done(&file, &DropboxFile::finishedCreateFile);
    QCOMPARE(file.createFile("/", path, 1), 0);
    QTRY_VERIFY(fake->openConnections() > 0);
    QTest::qWait(200);
    file.abortAllReplies();
    QTRY_COMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), -6);
}

void TestDropboxFile::stalledTransferTimesOut()
{
    const QString path = dir + "/stall.jpg";
    QVERIFY(writePatternFile(path, 8 * 1024 * 1024));
    fake->setHang(true);
    ScopedCloudRequestTimeout shortTimeout(700);
    DropboxFile file;
    QCOMPARE(uploadAndWait(file, "/", path, 1, 10000), -212);
    QCOMPARE(file.errorCode(), -212);
}

void TestDropboxFile::slowButSteadyTransferCompletes()
{
    // About 3 s in all at 4 MB/s, while no pause comes near the time-out. The
    // client's socket takes up to a few MB at once on loopback, so the rate is
    // chosen to drain that well within the time-out at the end.
    const QString path = dir + "/slow.jpg";
    const qint64 size = 12 * 1024 * 1024;
    QVERIFY(writePatternFile(path, size));
    fake->setSlowRead(200 * 1024);
    ScopedCloudRequestTimeout shortTimeout(2000);
    DropboxFile file;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(uploadAndWait(file, "/", path, 1, 30000), 0);
    QVERIFY2(clock.elapsed() > 2000, "the transfer must outlast the time-out to show anything");
    QCOMPARE(fake->file("/slow.jpg").md5, md5Of(path));
}

QTEST_MAIN(TestDropboxFile)
#include "tst_dropboxfile.moc"
