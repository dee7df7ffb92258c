// Run: bench_folder_tree [runs] [plain fill: 1 (default) or 0]
//
// A 50 000-folder account (200 top-level folders of 249 subfolders each)
// listed from each fake service as the folder dialog lists it and filled into
// a shown tree as the folder browser fills it: Dropbox in pages of 1000 (50
// requests), Google Drive in pages of 512, OneDrive breadth-wise (the root,
// then every folder's children in pages of 200). The fakes run on a thread of
// their own. Prints the listing, the fill and both together (goal: under one
// second from loopback), and the fill against the plain quadratic fill of the
// same list.
#include "cloudtestenv.h"
#include "foldertreereference.h"
#include "fakes/fakedropbox.h"
#include "fakes/fakegoogle.h"
#include "fakes/fakegraph.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

namespace {
constexpr int kTops = 200;
constexpr int kSubs = 249;
constexpr int kFolders = kTops * (kSubs + 1);
constexpr double kGoalMs = 1000;

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

// Runs fn on the fakes' thread and waits for it.
void onThread(QObject *anchor, const std::function<void()> &fn)
{
    QMetaObject::invokeMethod(anchor, fn, Qt::BlockingQueuedConnection);
}

template <class Folder>
bool listed(Folder &folder)
{
    QSignalSpy done(&folder, &Folder::finishedDownloadFolder);
    folder.listAllFolders();
    return (!done.isEmpty() || done.wait(120000)) && done.first().first().toInt() == 0;
}

struct Times
{
    double list = std::numeric_limits<double>::max();
    double fill = list;
    double whole = list;
    double literal = list;
    int items = 0;
};

int countItems(const QTreeWidgetItem *item)
{
    int n = item->childCount();
    for (int i = 0; i < item->childCount(); ++i)
        n += countItems(item->child(i));
    return n;
}

template <class Folder, class Reference>
Times measure(int runs, bool plain, Reference referenceFill)
{
    Times best;
    for (int run = 0; run < runs; ++run) {
        Folder folder;
        QElapsedTimer clock;
        clock.start();
        if (!listed(folder))
            return Times{};
        const double list = clock.nsecsElapsed() / 1e6;
        QTreeWidget view;
        auto *top = new QTreeWidgetItem(&view, {QStringLiteral("Top")});
        top->setExpanded(true);
        view.show();
        clock.restart();
        folder.fillFolderTree(top);
        QApplication::processEvents();
        const double fill = clock.nsecsElapsed() / 1e6;
        best.list = std::min(best.list, list);
        best.fill = std::min(best.fill, fill);
        best.whole = std::min(best.whole, list + fill);
        best.items = countItems(top);
        if (run == 0 && plain) {
            // Once: it takes long.
            QTreeWidgetItem root;
            clock.restart();
            referenceFill(&root, folder.folderList());
            best.literal = clock.nsecsElapsed() / 1e6;
            if (countItems(&root) != best.items)
                return Times{};
        }
    }
    return best;
}

void report(const char *name, const Times &t)
{
    if (t.items != kFolders) {
        std::printf("%-12s FAILED (%d of %d folders in the tree)\n", name, t.items, kFolders);
        return;
    }
    std::printf("%-12s list %7.1f ms, fill %6.1f ms, together %7.1f ms (goal < %.0f: %s)", name, t.list, t.fill,
                t.whole, kGoalMs, t.whole < kGoalMs ? "met" : "NOT met");
    if (t.literal < std::numeric_limits<double>::max())
        std::printf("; plain fill %8.1f ms, %.0f times the indexed fill", t.literal, t.literal / t.fill);
    std::printf("\n");
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const bool plain = argc > 2 ? atoi(argv[2]) != 0 : true;
    qInstallMessageHandler(quiet);

    QThread thread;
    thread.start();
    QObject anchor;
    anchor.moveToThread(&thread);
    FakeDropbox *dropbox = nullptr;
    FakeGoogle *google = nullptr;
    FakeGraph *graph = nullptr;
    bool started = false;
    onThread(&anchor, [&] {
        dropbox = new FakeDropbox;
        google = new FakeGoogle;
        graph = new FakeGraph;
        dropbox->setPageSize(1000);
        graph->setPageSize(200);
        for (int t = 0; t < kTops; ++t) {
            const QString name = QStringLiteral("Folder %1").arg(t, 3, 10, QLatin1Char('0'));
            const QString googleTop = google->addFolder(name);
            const QString graphTop = graph->addFolder(name);
            for (int s = 0; s < kSubs; ++s) {
                const QString sub = QStringLiteral("Sub %1").arg(s, 4, 10, QLatin1Char('0'));
                dropbox->addFolder("/" + name + "/" + sub);
                google->addFolder(sub, googleTop);
                graph->addFolder(sub, graphTop);
            }
        }
        google->oauth.addTokens("token-1", "refresh-1");
        graph->oauth.addTokens("token-1", "refresh-1");
        started = dropbox->start() && google->start() && graph->start();
    });
    if (!started || !setUpCloudConfig({{"DropboxApiHost", dropbox->apiBase()},
                                       {"GoogleApiHost", google->base("api")},
                                       {"MicrosoftGraphHost", graph->base("graph")}})) {
        std::fprintf(stderr, "cannot start the fake services\n");
        return 2;
    }
    storeDropboxToken("fake-token");
    for (int service : {CloudGoogleDrive, CloudOneDrive})
        storeOAuthTokens(service, "token-1", "refresh-1");

    std::printf("%d folders (%d top-level, %d below each), best of %d\n", kFolders, kTops, kSubs, runs);
    const Times d = measure<DropboxFolder>(runs, plain, reference::dropboxFill);
    report("Dropbox", d);
    const Times g = measure<GoogleFolder>(runs, plain, reference::googleFill);
    report("GoogleDrive", g);
    const Times o = measure<OneDriveFolder>(runs, plain, reference::oneDriveFill);
    report("OneDrive", o);

    onThread(&anchor, [&] {
        delete dropbox;
        delete google;
        delete graph;
    });
    thread.quit();
    thread.wait();
    const bool ok = d.items == kFolders && g.items == kFolders && o.items == kFolders;
    return ok ? 0 : 1;
}
