#pragma once

// What the Google Drive and OneDrive targets share: both services answer
// in JSON, list folders into a flat list that becomes a tree, create folders
// and upload a page in a session, refreshing an expired token first.
//
// Input: one letter for the operation ("l" list, "c" create a folder, "u"
// upload a page; the capital letter does the same with an expired token, so
// the first answer is the refresh answer; any other byte picks one by its
// value), then the answers (cannednetwork.h).
#include "app/configfile.h"
#include "cloud/cloudservice.h"
#include "fuzz/cannednetwork.h"
#include "fuzz/fuzzdriver.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTreeWidgetItem>

#include <initializer_list>

namespace drivetarget {
const QByteArray kPage("page bytes of a scan");

inline QString pageFile()
{
    return fuzzScratchDir() + QStringLiteral("/page1.jpg");
}

inline void writePage()
{
    QFile page(pageFile());
    if (page.open(QIODevice::WriteOnly))
        page.write(kPage);
}

inline bool oneOf(int code, std::initializer_list<int> codes)
{
    for (int known : codes)
        if (code == known)
            return true;
    return false;
}

inline int countItems(const QTreeWidgetItem *item)
{
    int n = 1;
    for (int i = 0; i < item->childCount(); ++i)
        n += countItems(item->child(i));
    return n;
}

// A signed-in account whose access token is fresh, or expired (then the
// refresh answer comes first).
inline void signIn(int nCloudService, bool bExpired)
{
    const QString file = fuzzSettingsFile();
    const QString prefix = cloudSettingsPrefix(nCloudService);
    writeHexValue(file, prefix + QStringLiteral("AccessToken"), QStringLiteral("fuzz-access"));
    writeHexValue(file, prefix + QStringLiteral("RefreshToken"), QStringLiteral("fuzz-refresh"));
    writeHexValue(file, prefix + QStringLiteral("ExpiresIn"),
                  bExpired ? QStringLiteral("1") : QStringLiteral("4102444800"));
}

// Waits for the operation's one result; a second result would come on the
// next turn of the loop.
template <typename Done>
void waitForOne(const Done &done, const char *what)
{
    fuzzWaitFor([&]() { return done() > 0; }, what);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <typename Folder>
void list()
{
    Folder folder;
    QSignalSpy done(&folder, &Folder::finishedDownloadFolder);
    folder.listAllFolders();
    waitForOne([&]() { return done.count(); }, "listing");
    fuzzCheck(done.count() == 1, "a listing gives one result");
    const int code = done.at(0).at(0).toInt();
    fuzzCheck(oneOf(code, {0, -200, -206, -212}), "a listing ends with a known code");
    if (code != 0)
        return;
    QTreeWidgetItem root;
    folder.fillFolderTree(&root);
    fuzzCheck(countItems(&root) - 1 <= folder.folderList().size(), "no folder twice in the tree");
    for (const auto &entry : folder.folderList()) {
        QString id = entry.id, path;
        if (!id.isEmpty())
            folder.findFolder(QString(), id, path);
    }
    // Every item of the tree is a listed folder that can be chosen.
    QList<const QTreeWidgetItem *> open{&root};
    while (!open.isEmpty()) {
        const QTreeWidgetItem *item = open.takeFirst();
        for (int i = 0; i < item->childCount(); ++i) {
            open.append(item->child(i));
            QString id = cloudFolderItemId(item->child(i)), path;
            fuzzCheck(folder.findFolder(QString(), id, path), "a folder in the tree is found by its id");
        }
    }
}

template <typename Folder>
void create()
{
    Folder folder;
    QSignalSpy created(&folder, &Folder::finishedCreateFolder);
    QSignalSpy listed(&folder, &Folder::finishedDownloadFolder);
    folder.createFolder(folder.rootFolderId(), QStringLiteral("Scan"));
    waitForOne([&]() { return created.count() + listed.count(); }, "folder creation");
    fuzzCheck(created.count() == 1 && listed.count() == 0, "a creation gives one result");
    const QList<QVariant> result = created.at(0);
    const int code = result.at(0).toInt();
    fuzzCheck(oneOf(code, {0, -200, -205, -212}), "a creation ends with a known code");
    if (code == 0) {
        QString id = result.at(3).toString(), path;
        fuzzCheck(!id.isEmpty(), "a new folder has an id");
        fuzzCheck(folder.findFolder(QString(), id, path), "a new folder can be chosen");
    }
}

// A success means the service holds every byte of the page: the bytes sent
// in upload requests add up to the page once.
template <typename File>
void upload(const QString &strFolder)
{
    File file;
    QSignalSpy done(&file, &File::finishedCreateFile);
    file.createFile(strFolder, pageFile(), 1);
    waitForOne([&]() { return done.count(); }, "upload");
    fuzzCheck(done.count() == 1, "an upload gives one result");
    const int code = done.at(0).at(0).toInt();
    fuzzCheck(oneOf(code, {0, -200, -210, -211, -212}), "an upload ends with a known code");
    fuzzCheck(done.at(0).at(1).toString() == pageFile(), "the result names the page");
    if (code == 0) {
        const QList<QByteArray> sent = CannedNetwork::sentBodies();
        qint64 total = 0;
        // Metadata goes as JSON and a refresh as a form; the rest is page bytes.
        for (const QByteArray &body : sent)
            if (!body.startsWith('{') && !body.contains("grant_type="))
                total += body.size();
        fuzzCheck(total == kPage.size(), "every byte was sent once");
    }
}

// Runs one input against a service's classes.
template <typename Folder, typename File>
int runInput(int nCloudService, const QString &strUploadFolder, const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    restoreSignIns();
    const char op = char(data[0]);
    signIn(nCloudService, op >= 'A' && op <= 'Z');
    CannedNetwork::setAnswers(splitAnswers(fuzzBytes(data + 1, size - 1)));
    const char lower = char(op | 0x20);
    switch (lower == 'l' ? 0 : lower == 'c' ? 1 : lower == 'u' ? 2 : data[0] % 3) {
    case 0: list<Folder>(); break;
    case 1: create<Folder>(); break;
    default: upload<File>(strUploadFolder); break;
    }
    return 0;
}
} // namespace drivetarget
