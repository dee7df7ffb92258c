// The Evernote client driven through the cloud worker thread, as the dialogs
// drive it, against a fake note store on the same Thrift interface: listing,
// the tree and lookups, notebooks, notes, the service's error answers, junk,
// cancel and time-out.
#include "cloud/cloudthread.h"
#include "cloud/evernote/evernoteauthorization.h"
#include "cloud/evernote/evernotemanager.h"
#include "cloud/requesttimeout.h"
#include "cloudtestenv.h"
#include "fakes/fakeevernote.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QTest>
#include <QTreeWidgetItem>
#include <QtEndian>

#include <functional>
#include <memory>

namespace {
struct Outcome
{
    QString signal; // the result signals emitted, in order
    QVariantList args;
};

// One operation on its own CloudThread, the way the dialogs run it.
Outcome runOperation(EvernoteManager &manager, int op, const QString &arg1 = QString(), const QString &arg2 = QString(),
                     int nArg = 0, const std::function<void(CloudThread &)> &whileRunning = nullptr)
{
    CloudThread thread;
    thread.setOperation(&manager, op, arg1, arg2, nArg);
    Outcome out;
    const auto record = [&out](const char *name) {
        return [&out, name](auto... args) {
            out.signal += (out.signal.isEmpty() ? "" : ",") + QString(name);
            out.args = {QVariant::fromValue(args)...};
        };
    };
    QObject::connect(&thread, &CloudThread::finishedDownloadFolder, &thread, record("list"), Qt::DirectConnection);
    QObject::connect(&thread, &CloudThread::finishedCreateFolder, &thread, record("folder"), Qt::DirectConnection);
    QObject::connect(&thread, &CloudThread::finishedCreateFile, &thread, record("file"), Qt::DirectConnection);
    QObject::connect(&thread, &CloudThread::finishedRequestUserInfo, &thread, record("user"), Qt::DirectConnection);
    thread.start();
    if (whileRunning)
        whileRunning(thread);
    QDeadlineTimer deadline(60000);
    while (!thread.isFinished() && !deadline.hasExpired())
        QTest::qWait(5);
    thread.wait();
    return out;
}

QStringList calledMethods(const FakeEvernote &fake)
{
    QStringList methods;
    for (const FakeEvernote::Call &call : fake.calls())
        methods << call.method;
    return methods;
}

QStringList childTexts(const QTreeWidgetItem *item)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(0) + "=" + item->child(i)->data(0, Qt::UserRole).toString();
    return texts;
}

// A strict message header is version (4 bytes), name length (4), name,
// sequence id (4); this writes another name or id into an answer.
QByteArray withHeader(const QByteArray &answer, QByteArray name, qint32 seqid)
{
    const qint32 length = qFromBigEndian<qint32>(answer.constData() + 4);
    if (name.isEmpty())
        name = answer.mid(8, length);
    QByteArray head(8, 0);
    qToBigEndian<qint32>(name.size(), head.data() + 4);
    QByteArray id(4, 0);
    qToBigEndian<qint32>(seqid, id.data());
    return answer.left(4) + head.mid(4) + name + id + answer.mid(8 + length + 4);
}

std::function<QByteArray(QByteArray)> junk(const QString &kind)
{
    if (kind == "html")
        return [](QByteArray) { return QByteArray("<html><body><h1>502 Bad Gateway</h1></body></html>"); };
    if (kind == "empty")
        return [](QByteArray) { return QByteArray(); };
    if (kind == "truncated")
        return [](QByteArray a) { return a.left(a.size() - 3); };
    if (kind == "other sequence id")
        return [](QByteArray a) { return withHeader(a, QByteArray(), 7); };
    return [](QByteArray a) { return withHeader(a, "getSyncState", 0); };
}
} // namespace

class TestEvernote : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listingBuildsTree();
    void lookups_data();
    void lookups();
    void listingSpansChunks();
    void createNotebook_data();
    void createNotebook();
    void uploadBuildsNote_data();
    void uploadBuildsNote();
    void uploadFailures_data();
    void uploadFailures();
    void junkAnswers_data();
    void junkAnswers();
    void cancelAndTimeout_data();
    void cancelAndTimeout();
    void otherOperations();

private:
    void signIn();

    std::unique_ptr<FakeEvernote> fake;
    QString pagePath;
};

void TestEvernote::init()
{
    fake.reset(new FakeEvernote);
    QVERIFY(fake->start());
    QVERIFY(setUpCloudConfig({{"EvernoteHost", fake->base()}}));
    signIn();
    pagePath = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/Scan_20261207_101500.jpg";
    QVERIFY(writePatternFile(pagePath, 300 * 1024 + 7));
}

void TestEvernote::cleanup()
{
    fake.reset();
    QFile::remove(pagePath);
}

void TestEvernote::signIn()
{
    EvernoteAuthorization auth;
    auth.saveAccessToken(fake->accessToken());
    auth.saveNoteStoreUrl(fake->noteStoreUrl());
    auth.saveExpiresIn(fake->tokenExpiresMs() / 1000);
}

void TestEvernote::listingBuildsTree()
{
    const edam::Notebook scan = fake->addNotebook("Scan");
    const edam::Notebook work = fake->addNotebook("Work", "Office");
    const edam::Notebook home = fake->addNotebook("Home", "Private");
    const edam::Notebook draft = fake->addNotebook("Drafts", "Office");
    const edam::Notebook archive = fake->addNotebook("Archive");
    EvernoteManager manager;
    const Outcome outcome = runOperation(manager, RequestListFolders);
    QCOMPARE(outcome.signal, QString("list"));
    QCOMPARE(outcome.args, QVariantList({0, 3}));

    QTreeWidgetItem root;
    root.setData(0, Qt::UserRole, manager.rootFolderId());
    manager.fillFolderTree(&root);
    const auto id = [](const edam::Notebook &nb) { return QString::fromStdString(nb.guid); };
    QCOMPARE(childTexts(&root), QStringList({"Scan=" + id(scan), "Archive=" + id(archive), "Office=Office", "Private=Private"}));
    QCOMPARE(childTexts(root.child(2)), QStringList({"Work=" + id(work), "Drafts=" + id(draft)}));
    QCOMPARE(childTexts(root.child(3)), QStringList({"Home=" + id(home)}));
}

void TestEvernote::lookups_data()
{
    // Keys in braces stand for the guid of that notebook.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("resultName");
    QTest::addColumn<QString>("resultGuid");
    QTest::addColumn<QString>("stack");
    QTest::newRow("name in another case") << "scan" << "" << true << "scan" << "{Scan}" << "";
    QTest::newRow("stack name is no notebook") << "Office" << "" << false << "Office" << "" << "";
    QTest::newRow("by guid") << "" << "{Work}" << true << "Work" << "{Work}" << "Office";
    QTest::newRow("stack item") << "Office" << "Office" << false << "Office" << "Office" << "Office";
    QTest::newRow("top item") << "Notebooks" << "Notebooks" << false << "Notebooks" << "Notebooks" << "";
}

void TestEvernote::lookups()
{
    QFETCH(QString, name);
    QFETCH(QString, key);
    QFETCH(bool, found);
    QFETCH(QString, resultName);
    QFETCH(QString, resultGuid);
    QFETCH(QString, stack);
    QMap<QString, QString> guids;
    for (const edam::Notebook &nb : {fake->addNotebook("Scan"), fake->addNotebook("Work", "Office")})
        guids.insert("{" + QString::fromStdString(nb.name) + "}", QString::fromStdString(nb.guid));
    key = guids.value(key, key);
    resultGuid = guids.value(resultGuid, resultGuid);
    EvernoteManager manager;
    QCOMPARE(runOperation(manager, RequestListFolders).args, QVariantList({0, 3}));

    QString path;
    QCOMPARE(manager.findFolder(name, key, path), found);
    QCOMPARE(name, resultName);
    QCOMPARE(key, resultGuid);
    QCOMPARE(path, found ? guids.key(resultGuid).mid(1).chopped(1) : QString());
    QCOMPARE(manager.stackFor(key), stack);
}

void TestEvernote::listingSpansChunks()
{
    for (int i = 0; i < 120; ++i)
        fake->addNotebook(QString("Notebook %1").arg(i, 3, 10, QChar('0')));
    // A later change that is no notebook: the last chunk comes back empty, without a high USN.
    fake->bumpUpdateCount();
    EvernoteManager manager;
    QCOMPARE(runOperation(manager, RequestListFolders).args, QVariantList({0, 3}));
    QCOMPARE(manager.notebookList().size(), 120);
    QCOMPARE(manager.notebookList().last().name, QString("Notebook 119"));
    QList<QPair<int, int>> chunks;
    for (const FakeEvernote::Call &call : fake->calls()) {
        if (call.method == "getFilteredSyncChunk")
            chunks << qMakePair(call.afterUSN, call.maxEntries);
    }
    QCOMPARE(chunks, (QList<QPair<int, int>>{{0, 50}, {50, 50}, {100, 50}, {120, 50}}));
}

void TestEvernote::createNotebook_data()
{
    QTest::addColumn<QString>("stack");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("outside a stack") << "" << "Receipts" << 0;
    QTest::newRow("in a stack") << "Office" << "Invoices" << 0;
    QTest::newRow("name taken, other case") << "" << "scan" << -205;
    QTest::newRow("name with blanks around") << "" << " Pad " << -205;
}

void TestEvernote::createNotebook()
{
    QFETCH(QString, stack);
    QFETCH(QString, name);
    QFETCH(int, code);
    fake->addNotebook("Scan");
    EvernoteManager manager;
    QCOMPARE(runOperation(manager, RequestListFolders).args, QVariantList({0, 3}));
    const Outcome outcome = runOperation(manager, RequestCreateFolder, stack, name);
    QCOMPARE(outcome.signal, QString("folder"));
    QCOMPARE(outcome.args.mid(0, 2), QVariantList({code, 3}));
    if (code != 0) {
        QCOMPARE(fake->notebooks().size(), 1);
        return;
    }
    const edam::Notebook created = fake->notebooks().last();
    QCOMPARE(outcome.args.mid(2), QVariantList({name, QString::fromStdString(created.guid)}));
    QCOMPARE(QString::fromStdString(created.stack), stack);
    QCOMPARE(created.__isset.stack, !stack.isEmpty());
    // Shown without a new listing, under its stack.
    QString guid, path;
    QVERIFY(manager.findFolder(name, guid, path));
    QCOMPARE(manager.stackFor(guid), stack);
}

void TestEvernote::uploadBuildsNote_data()
{
    QTest::addColumn<int>("imageType");
    QTest::addColumn<QString>("mime");
    QTest::newRow("JPEG") << 1 << "image/jpeg";
    QTest::newRow("TIFF") << 3 << "image/tiff";
    QTest::newRow("PDF") << 4 << "application/pdf";
    QTest::newRow("other") << 2 << "application/octet-stream";
}

void TestEvernote::uploadBuildsNote()
{
    QFETCH(int, imageType);
    QFETCH(QString, mime);
    const QString guid = QString::fromStdString(fake->addNotebook("Scan").guid);
    QFile file(pagePath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QByteArray md5 = QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();

    EvernoteManager manager;
    const Outcome outcome = runOperation(manager, RequestUploadData, guid, pagePath, imageType);
    QCOMPARE(outcome.signal, QString("file"));
    QCOMPARE(outcome.args, QVariantList({0, pagePath, QString()}));

    QCOMPARE(fake->notes().size(), 1);
    const edam::Note note = fake->notes().first();
    QCOMPARE(QString::fromStdString(note.title), QString("Scan_20261207_101500.jpg"));
    QCOMPARE(QString::fromStdString(note.notebookGuid), guid);
    QCOMPARE(QByteArray::fromStdString(note.content),
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE en-note SYSTEM \"http://xml.evernote.com/pub/enml2.dtd\">"
             "<en-note><en-media hash=\"" + md5 + "\" type=\"" + mime.toLatin1() + "\"/></en-note>");
    QCOMPARE(QString::fromStdString(note.attributes.sourceApplication), QString("Lumerith V2"));
    QVERIFY(qAbs(note.created - QDateTime::currentMSecsSinceEpoch()) < 60000 && note.updated == note.created);
    QCOMPARE(int(note.resources.size()), 1);
    const edam::Resource &resource = note.resources.front();
    QCOMPARE(QByteArray::fromStdString(resource.data.body), bytes);
    QCOMPARE(QString::fromStdString(resource.mime), mime);
    QCOMPARE(QString::fromStdString(resource.attributes.fileName), QString("Attachment"));
}

void TestEvernote::uploadFailures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("calls");
    const QStringList checked{"getSyncState", "createNote"};
    QTest::newRow("monthly quota") << "quota" << -217 << checked;
    QTest::newRow("note too large") << "size" << -218 << checked;
    QTest::newRow("unknown notebook") << "notebook" << -210 << checked;
    QTest::newRow("page file gone") << "file" << -201 << QStringList{"getSyncState"};
    QTest::newRow("expired by the service's clock") << "clock" << -200 << QStringList{"getSyncState"};
    QTest::newRow("expired, service says so") << "expired" << -200 << QStringList{"getSyncState"};
    QTest::newRow("revoked token") << "revoked" << -200 << QStringList{"getSyncState"};
    QTest::newRow("not signed in") << "signed out" << -200 << QStringList();
    QTest::newRow("note store in clear text elsewhere") << "clear text" << -200 << QStringList();
}

void TestEvernote::uploadFailures()
{
    QFETCH(QString, fault);
    QFETCH(int, code);
    QFETCH(QStringList, calls);
    QString guid = QString::fromStdString(fake->addNotebook("Scan").guid);
    EvernoteAuthorization auth;
    if (fault == "quota")
        fake->setMonthlyQuota(100 * 1024);
    else if (fault == "size")
        fake->setNoteSizeLimit(100 * 1024);
    else if (fault == "notebook")
        guid = "00000000-dead-4000-8000-000000000000";
    else if (fault == "file")
        QFile::remove(pagePath);
    else if (fault == "clock")
        fake->setServiceTimeMs((auth.expiresIn() + 60) * 1000);
    else if (fault == "expired")
        fake->setTokenExpired(true);
    else if (fault == "revoked")
        auth.saveAccessToken("S=s1:U=1:E=old");
    else if (fault == "signed out")
        auth.saveAccessToken(QString());
    else if (fault == "clear text")
        auth.saveNoteStoreUrl("http://notes.example.com/shard/s1/notestore");

    EvernoteManager manager;
    QCOMPARE(runOperation(manager, RequestUploadData, guid, pagePath, 1).args, QVariantList({code, pagePath, QString()}));
    QCOMPARE(calledMethods(*fake), calls);
    QVERIFY(fake->notes().isEmpty());
}

void TestEvernote::junkAnswers_data()
{
    QTest::addColumn<int>("op");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("code");
    QTest::newRow("token check, error page") << 4 << "getSyncState" << "html" << -200;
    QTest::newRow("token check, truncated") << 4 << "getSyncState" << "truncated" << -200;
    QTest::newRow("chunk, error page") << 4 << "getFilteredSyncChunk" << "html" << -203;
    QTest::newRow("chunk, empty") << 4 << "getFilteredSyncChunk" << "empty" << -203;
    QTest::newRow("chunk, other sequence id") << 4 << "getFilteredSyncChunk" << "other sequence id" << -203;
    QTest::newRow("notebook, other method") << 2 << "createNotebook" << "other method" << -205;
    QTest::newRow("note, truncated") << 6 << "createNote" << "truncated" << -210;
    QTest::newRow("note, other sequence id") << 6 << "createNote" << "other sequence id" << -210;
}

void TestEvernote::junkAnswers()
{
    QFETCH(int, op);
    QFETCH(QString, method);
    QFETCH(QString, kind);
    QFETCH(int, code);
    const QString guid = QString::fromStdString(fake->addNotebook("Scan").guid);
    fake->setAnswerFilter(method, junk(kind));
    EvernoteManager manager;
    const Outcome outcome = runOperation(manager, op, op == 2 ? QString() : guid, op == 2 ? "New" : pagePath, 1);
    QCOMPARE(outcome.args.value(0).toInt(), code);
    QVERIFY(manager.notebookList().isEmpty());
}

void TestEvernote::cancelAndTimeout_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<int>("code");
    QTest::newRow("cancel") << true << -6;
    QTest::newRow("stalled answer") << false << -212;
}

void TestEvernote::cancelAndTimeout()
{
    QFETCH(bool, cancel);
    QFETCH(int, code);
    ScopedCloudRequestTimeout timeout(cancel ? 60000 : 400);
    fake->setHangOn("getFilteredSyncChunk");
    EvernoteManager manager;
    const Outcome outcome = runOperation(manager, RequestListFolders, QString(), QString(), 0, [&](CloudThread &thread) {
        if (cancel) {
            QTRY_VERIFY(calledMethods(*fake).contains("getFilteredSyncChunk"));
            thread.cancelOperation();
        }
    });
    QCOMPARE(outcome.signal, QString("list"));
    QCOMPARE(outcome.args, QVariantList({code, 3}));
}

void TestEvernote::otherOperations()
{
    EvernoteManager manager;
    fake->addNotebook("Scan");
    const Outcome info = runOperation(manager, CloudThread::RequestUserInfo);
    QCOMPARE(info.signal, QString("user"));
    QCOMPARE(info.args, QVariantList({0, 3}));
    QCOMPARE(manager.userInfo().updateCount, 1);
    // An operation outside the table does nothing and still ends.
    QCOMPARE(runOperation(manager, 7).signal, QString());
    QCOMPARE(calledMethods(*fake), QStringList{"getSyncState"});
}

QTEST_MAIN(TestEvernote)
#include "tst_evernote.moc"
