// The folder trees and lookups of the four services, built from indexes,
// give exactly what plain scans over the same lists give: the same items in
// the same order, and the same answer to every lookup, for accounts of
// several shapes listed from the fake services.
#include "cloudtestenv.h"
#include "foldertreereference.h"
#include "fakes/fakedropbox.h"
#include "fakes/fakeevernote.h"
#include "fakes/fakegoogle.h"
#include "fakes/fakegraph.h"

#include "cloud/cloudthread.h"
#include "cloud/evernote/evernoteauthorization.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace {
// One folder of an account, in listing order. parent: a position in the
// shape, -1 for the top level, -2 for a parent the listing never gives.
// sameAs: the folder is listed again (same identifier and path).
struct Folder
{
    QString name;
    int parent = -1;
    int sameAs = -1;
};
using Shape = QVector<Folder>;
} // namespace
Q_DECLARE_METATYPE(Folder)
namespace {

QString pathOf(const Shape &shape, int i)
{
    const Folder &f = shape.at(i);
    const QString above = f.parent >= 0 ? pathOf(shape, f.parent) : f.parent == -2 ? QStringLiteral("/Gone") : QString();
    return above + '/' + f.name;
}

QString idOf(const Shape &shape, int i)
{
    return QStringLiteral("id%1").arg(shape.at(i).sameAs >= 0 ? shape.at(i).sameAs : i);
}

QString parentIdOf(const Shape &shape, int i, const QString &top)
{
    const int p = shape.at(i).parent;
    return p >= 0 ? idOf(shape, p) : p == -1 ? top : QStringLiteral("gone");
}

QStringList dump(const QTreeWidgetItem *item, int depth = 0)
{
    QStringList lines;
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem *c = item->child(i);
        lines << QStringLiteral("%1%2 [%3]").arg(QString(depth, '.'), c->text(0), cloudFolderItemId(c));
        lines += dump(c, depth + 1);
    }
    return lines;
}

QString answer(bool found, const QString &id, const QString &path)
{
    return QStringLiteral("%1 %2 %3").arg(found).arg(id, path);
}

// What a test needs of one service's client: list the account, fill a
// tree, look up, each next to the plain scan over the listed folders.
struct Client
{
    std::function<bool()> list;
    std::function<void(QTreeWidgetItem *)> fill, referenceFill;
    std::function<bool(const QString &, QString &, QString &)> find, referenceFind;
    std::function<QString(const QString &)> stack, referenceStack;
    QStringList probes; // names, paths and identifiers of the listed folders
};
} // namespace

class TestFolderTree : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QObject> fake;
    std::unique_ptr<QObject> client;

    // The client's own tree and lookups, and the plain scans over what it listed.
    template <class F, class ListOf, class Fill, class Find>
    static Client clientOf(F *folder, ListOf listOf, Fill referenceFill, Find referenceFind)
    {
        Client c;
        c.fill = [folder](QTreeWidgetItem *root) { folder->fillFolderTree(root); };
        c.referenceFill = [=](QTreeWidgetItem *root) { referenceFill(root, listOf()); };
        c.find = [folder](const QString &n, QString &id, QString &p) { return folder->findFolder(n, id, p); };
        c.referenceFind = [=](const QString &n, QString &id, QString &p) { return referenceFind(listOf(), n, id, p); };
        return c;
    }

    template <class F, class Fill, class Find>
    Client listFolderList(Fill referenceFill, Find referenceFind)
    {
        auto *folder = new F;
        client.reset(folder);
        Client c = clientOf(folder, [folder] { return folder->folderList(); }, referenceFill, referenceFind);
        c.list = [folder] {
            QSignalSpy done(folder, &F::finishedDownloadFolder);
            folder->listAllFolders();
            return (!done.isEmpty() || done.wait(20000)) && done.first().first().toInt() == 0;
        };
        return c;
    }

    Client dropbox(const Shape &shape)
    {
        auto *service = new FakeDropbox;
        fake.reset(service);
        QJsonArray entries;
        for (int i = 0; i < shape.size(); ++i)
            entries.append(QJsonObject{{".tag", "folder"}, {"name", shape.at(i).name},
                                       {"path_lower", pathOf(shape, i).toLower()},
                                       {"path_display", pathOf(shape, i)}, {"id", idOf(shape, i)}});
        service->setCannedListAnswer(QJsonDocument(QJsonObject{{"entries", entries}, {"cursor", "c"},
                                                               {"has_more", false}}).toJson(QJsonDocument::Compact));
        if (!service->start() || !setUpCloudConfig({{"DropboxApiHost", service->apiBase()}}))
            return {};
        storeDropboxToken("fake-token");
        Client c = listFolderList<DropboxFolder>(reference::dropboxFill, reference::dropboxFind);
        for (int i = 0; i < shape.size(); ++i)
            c.probes << idOf(shape, i) << pathOf(shape, i) << pathOf(shape, i).mid(1).toUpper();
        return c;
    }

    Client google(const Shape &shape)
    {
        auto *service = new FakeGoogle;
        fake.reset(service);
        QJsonArray items;
        for (int i = 0; i < shape.size(); ++i)
            items.append(QJsonObject{{"id", idOf(shape, i)}, {"title", shape.at(i).name},
                                     {"parents", QJsonArray{QJsonObject{{"id", parentIdOf(shape, i, service->rootId())},
                                                                        {"isRoot", shape.at(i).parent == -1}}}}});
        service->scriptAnswer("GET", "/drive/v2/files", 200, QJsonDocument(QJsonObject{{"items", items}}).toJson());
        if (!service->start() || !setUpCloudConfig({{"GoogleApiHost", service->base("api")}}))
            return {};
        storeOAuthTokens(CloudGoogleDrive, "token-1", "refresh-1");
        Client c = listFolderList<GoogleFolder>(reference::googleFill, reference::googleFind);
        for (int i = 0; i < shape.size(); ++i)
            c.probes << idOf(shape, i) << shape.at(i).name;
        return c;
    }

    Client oneDrive(const Shape &shape)
    {
        auto *service = new FakeGraph;
        fake.reset(service);
        // The root, then one page that holds every folder with its own parent.
        const QJsonObject root{{"id", "ROOT"}, {"name", "root"}, {"folder", QJsonObject{{"childCount", 1}}},
                               {"parentReference", QJsonObject{{"driveId", "d"}}}};
        QJsonArray value;
        for (int i = 0; i < shape.size(); ++i) {
            const QString path = pathOf(shape, i);
            const QString above = path.left(path.lastIndexOf('/'));
            value.append(QJsonObject{
                {"id", idOf(shape, i)}, {"name", shape.at(i).name}, {"folder", QJsonObject{{"childCount", 0}}},
                {"parentReference", QJsonObject{{"id", parentIdOf(shape, i, "ROOT")},
                                                {"path", "/drive/root:" + QString::fromLatin1(QUrl::toPercentEncoding(above, "/"))}}}});
        }
        service->scriptAnswer("GET", "/v1.0/me/drive/root", 200, QJsonDocument(root).toJson());
        service->scriptAnswer("GET", "/v1.0/me/drive/items/", 200, QJsonDocument(QJsonObject{{"value", value}}).toJson());
        if (!service->start() || !setUpCloudConfig({{"MicrosoftGraphHost", service->base("graph")}}))
            return {};
        storeOAuthTokens(CloudOneDrive, "token-1", "refresh-1");
        Client c = listFolderList<OneDriveFolder>(reference::oneDriveFill, reference::oneDriveFind);
        for (int i = 0; i < shape.size(); ++i)
            c.probes << idOf(shape, i) << shape.at(i).name << shape.at(i).name.toLower();
        return c;
    }

    // Notebooks: a folder under another goes into the stack of that name.
    Client evernote(const Shape &shape)
    {
        auto *service = new FakeEvernote;
        fake.reset(service);
        for (const Folder &f : shape)
            service->addNotebook(f.name, f.parent >= 0 ? shape.at(f.parent).name : f.parent == -2 ? "Lost" : "");
        if (!service->start() || !setUpCloudConfig({{"EvernoteHost", service->base()}}))
            return {};
        EvernoteAuthorization auth;
        auth.saveAccessToken(service->accessToken());
        auth.saveNoteStoreUrl(service->noteStoreUrl());
        auth.saveExpiresIn(service->tokenExpiresMs() / 1000);
        auto *manager = new EvernoteManager;
        client.reset(manager);
        const auto notebooks = [manager] { return manager->notebookList(); };
        Client c = clientOf(manager, notebooks, reference::evernoteFill, reference::evernoteFind);
        c.list = [manager] {
            CloudThread thread;
            thread.setOperation(manager, RequestListFolders, QString(), QString(), 0);
            thread.start();
            return QTest::qWaitFor([&] { return thread.isFinished(); }, 20000) && !manager->notebookList().isEmpty();
        };
        c.stack = [manager](const QString &key) { return manager->stackFor(key); };
        c.referenceStack = [manager](const QString &key) { return reference::evernoteStack(manager->notebookList(), key); };
        for (const EvernoteNotebook &nb : manager->notebookList())
            c.probes << nb.guid << nb.name << nb.name.toUpper() << nb.stack;
        for (const edam::Notebook &nb : service->notebooks())
            c.probes << QString::fromStdString(nb.guid) << QString::fromStdString(nb.name).toUpper();
        return c;
    }

private slots:
    void sameTreeAndAnswers_data()
    {
        QTest::addColumn<int>("service");
        QTest::addColumn<Shape>("shape");
        const QMap<QString, Shape> shapes{
            {"nested", {{"A"}, {"B", 0}, {"C", 1}, {"D"}, {"E", 2}, {"F", 0}}},
            // Children before their parents, siblings interleaved with others.
            {"listing order", {{"c1", 2}, {"c2", 2}, {"P"}, {"q1", 5}, {"c3", 2}, {"Q"}, {"c1a", 0}, {"R"}}},
            {"duplicates and odd names",
             {{"Scan"}, {"scan"}, {"SCAN", 0}, {QString::fromUtf8("Ünïcødé ß")}, {"a b%20c"}, {"Scan", 3},
              {"Scan", -1, 0}, {QString::fromUtf8("ǅ İ ﬁ")}, {"", 4}, {"sCaN"}, {"Scan"}}},
            {"orphans", {{"A"}, {"o1", -2}, {"o2", 1}, {"B"}, {"b1", 3}}},
            {"stacks", {{"Inbox"}, {"Work1", 2}, {"Office"}, {"Home1", 4}, {"Home"}, {"Work2", 2}, {"Loose"}}},
        };
        for (int service : {CloudDropbox, CloudGoogleDrive, CloudOneDrive, CloudEvernote})
            for (auto it = shapes.cbegin(); it != shapes.cend(); ++it)
                QTest::newRow(qPrintable(cloudServiceName(service) + ": " + it.key())) << service << it.value();
    }

    void sameTreeAndAnswers()
    {
        QFETCH(int, service);
        QFETCH(Shape, shape);
        if (service == CloudEvernote) {
            // The service lists a notebook once and refuses an empty name.
            shape.erase(std::remove_if(shape.begin(), shape.end(),
                                       [](const Folder &f) { return f.sameAs >= 0 || f.name.isEmpty(); }),
                        shape.end());
        }
        Client c = service == CloudDropbox       ? dropbox(shape)
                   : service == CloudGoogleDrive ? google(shape)
                   : service == CloudOneDrive    ? oneDrive(shape)
                                                 : evernote(shape);
        QVERIFY(c.list && c.list());

        // Filled into a shown, expanded tree as the folder browser does.
        QTreeWidget view;
        auto *top = new QTreeWidgetItem(&view, {QStringLiteral("Top")});
        top->setExpanded(true);
        view.show();
        c.fill(top);
        QTreeWidgetItem expected;
        c.referenceFill(&expected);
        QVERIFY(expected.childCount() > 0);
        QCOMPARE(dump(top), dump(&expected));

        c.probes << "" << "/" << "root" << "Dropbox" << "nope" << "gone" << "ROOT";
        for (const QString &probe : qAsConst(c.probes)) {
            for (bool byId : {false, true}) {
                QString id = byId ? probe : QString(), path = "?";
                QString refId = id, refPath = path;
                const bool found = c.find(byId ? QString() : probe, id, path);
                const bool refFound = c.referenceFind(byId ? QString() : probe, refId, refPath);
                QCOMPARE(answer(found, id, path), answer(refFound, refId, refPath));
            }
            if (c.stack)
                QCOMPARE(c.stack(probe), c.referenceStack(probe));
        }
    }
};

QTEST_MAIN(TestFolderTree)
#include "tst_foldertree.moc"
