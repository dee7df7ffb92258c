// The note store's Thrift answers: the token check, the listing in chunks,
// notebook and note creation, read by the generated client inside the
// Evernote client's own limits.
//
// Input: one letter for the operation ("l" list notebooks, "c" create a
// notebook, "u" upload a note, "i" account information; any other byte
// picks one by its value), then the answers (binary Thrift messages).
#include "cloud/evernote/evernotemanager.h"
#include "fuzz/cannednetwork.h"
#include "fuzz/fuzzdriver.h"

#include <QFile>
#include <QSet>
#include <QTreeWidgetItem>

namespace {
QString pageFile;

bool knownCode(int code)
{
    static const QSet<int> codes{0, -200, -201, -203, -205, -210, -217, -218};
    return codes.contains(code);
}

int countItems(const QTreeWidgetItem *item)
{
    int n = 1;
    for (int i = 0; i < item->childCount(); ++i)
        n += countItems(item->child(i));
    return n;
}

void list(EvernoteManager &manager)
{
    const int code = manager.listAllFolders();
    fuzzCheck(knownCode(code), "a listing ends with a known code");
    if (code != 0)
        return;
    const QList<EvernoteNotebook> notebooks = manager.notebookList();
    QSet<QString> guids;
    for (const EvernoteNotebook &nb : notebooks) {
        fuzzCheck(!nb.guid.isEmpty(), "a listed notebook has a guid");
        fuzzCheck(!guids.contains(nb.guid), "a notebook is listed once");
        guids.insert(nb.guid);
    }
    QTreeWidgetItem root;
    manager.fillFolderTree(&root);
    fuzzCheck(countItems(&root) - 1 <= 2 * notebooks.size(), "the tree holds the notebooks and their stacks");
    for (const EvernoteNotebook &nb : notebooks) {
        QString name, guid = nb.guid, path;
        fuzzCheck(manager.findFolder(name, guid, path), "a listed notebook is found by its guid");
        manager.stackFor(nb.guid);
    }
}
} // namespace

void setUpTarget()
{
    pageFile = fuzzScratchDir() + QStringLiteral("/page1.pdf");
    QFile page(pageFile);
    if (page.open(QIODevice::WriteOnly))
        page.write("%PDF-1.4 a page");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    restoreSignIns();
    CannedNetwork::setAnswers(splitAnswers(fuzzBytes(data + 1, size - 1)));
    EvernoteManager manager;
    switch (data[0] == 'l' ? 0 : data[0] == 'c' ? 1 : data[0] == 'u' ? 2 : data[0] == 'i' ? 3 : data[0] % 4) {
    case 0:
        list(manager);
        break;
    case 1: {
        QString guid, name;
        const int code = manager.createFolder(QStringLiteral("Stack"), QStringLiteral("Scans"), guid, name);
        fuzzCheck(knownCode(code), "a creation ends with a known code");
        fuzzCheck(code != 0 || !guid.isEmpty(), "a new notebook has a guid");
        break;
    }
    case 2:
        fuzzCheck(knownCode(manager.uploadNote(QStringLiteral("guid-1"), pageFile, 4)), "an upload ends with a known code");
        break;
    default:
        fuzzCheck(knownCode(manager.requestUserInfo()), "a token check ends with a known code");
        break;
    }
    return 0;
}
