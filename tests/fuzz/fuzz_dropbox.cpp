// The Dropbox answer handlers: listing pages chained by cursor, the
// create-folder answer and the upload-session answers, each driven through
// the service classes with canned answers.
//
// Input: one letter for the operation ("l" list, "c" create a folder, "u"
// upload a page; any other byte picks one by its value), then the answers.
#include "cloud/dropbox/dropboxfile.h"
#include "cloud/dropbox/dropboxfolder.h"
#include "fuzz/cannednetwork.h"
#include "fuzz/fuzzdriver.h"

#include <QFile>
#include <QSignalSpy>
#include <QTreeWidgetItem>

namespace {
QString pageFile;
const QByteArray kPage("page bytes of a scan");

int countItems(const QTreeWidgetItem *item)
{
    int n = 1;
    for (int i = 0; i < item->childCount(); ++i)
        n += countItems(item->child(i));
    return n;
}

void list()
{
    DropboxFolder folder;
    QSignalSpy done(&folder, &DropboxFolder::finishedDownloadFolder);
    folder.listAllFolders();
    fuzzWaitFor([&]() { return done.count() > 0; }, "listing");
    QCoreApplication::processEvents(); // a second result would come now
    fuzzCheck(done.count() == 1, "a listing gives one result");
    const int code = done.at(0).at(0).toInt();
    fuzzCheck(code == 0 || code == -206 || code == -200 || code == -203, "a listing ends with a known code");
    if (code != 0)
        return;
    QTreeWidgetItem root;
    folder.fillFolderTree(&root);
    // Every folder of the listing at most once in the tree.
    fuzzCheck(countItems(&root) - 1 <= folder.folderList().size(), "no folder twice in the tree");
    for (const DropboxFolderEntry &entry : folder.folderList()) {
        QString id = entry.id, path;
        if (!id.isEmpty())
            fuzzCheck(folder.findFolder(QString(), id, path), "a listed folder is found by its id");
        QString foundId;
        folder.findFolder(entry.pathDisplay, foundId, path);
    }
}

void create()
{
    DropboxFolder folder;
    QSignalSpy created(&folder, &DropboxFolder::finishedCreateFolder);
    QSignalSpy listed(&folder, &DropboxFolder::finishedDownloadFolder);
    fuzzCheck(folder.createFolder(QStringLiteral("/"), QStringLiteral("Scan")) == 0, "the request goes out");
    fuzzWaitFor([&]() { return created.count() + listed.count() > 0; }, "folder creation");
    QCoreApplication::processEvents();
    fuzzCheck(created.count() == 1 && listed.count() == 0, "a creation gives one result");
    const QList<QVariant> result = created.at(0);
    const int code = result.at(0).toInt();
    fuzzCheck(code == 0 || code == -205 || code == -200, "a creation ends with a known code");
    if (code == 0) {
        fuzzCheck(!result.at(2).toString().isEmpty() && !result.at(3).toString().isEmpty(), "a new folder has a path and an id");
        QString id = result.at(3).toString(), path;
        fuzzCheck(folder.findFolder(QString(), id, path), "a new folder can be chosen");
    }
}

void upload()
{
    DropboxFile file;
    QSignalSpy done(&file, &DropboxFile::finishedCreateFile);
    file.createFile(QStringLiteral("/Scan"), pageFile, 1);
    fuzzWaitFor([&]() { return done.count() > 0; }, "upload");
    QCoreApplication::processEvents();
    fuzzCheck(done.count() == 1, "an upload gives one result");
    const int code = done.at(0).at(0).toInt();
    fuzzCheck(code == 0 || code == -200 || code == -210 || code == -211, "an upload ends with a known code");
    fuzzCheck(done.at(0).at(1).toString() == pageFile, "the result names the page");
    if (code == 0) {
        // Only the service's word that it holds every byte is a success.
        const QList<QByteArray> sent = CannedNetwork::sentBodies();
        qint64 total = 0;
        for (const QByteArray &body : sent)
            total += body.size();
        fuzzCheck(total == kPage.size(), "every byte was sent once");
    }
}
} // namespace

void setUpTarget()
{
    pageFile = fuzzScratchDir() + QStringLiteral("/page1.jpg");
    QFile page(pageFile);
    if (page.open(QIODevice::WriteOnly))
        page.write(kPage);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    restoreSignIns();
    CannedNetwork::setAnswers(splitAnswers(fuzzBytes(data + 1, size - 1)));
    switch (data[0] == 'l' ? 0 : data[0] == 'c' ? 1 : data[0] == 'u' ? 2 : data[0] % 3) {
    case 0: list(); break;
    case 1: create(); break;
    default: upload(); break;
    }
    return 0;
}
