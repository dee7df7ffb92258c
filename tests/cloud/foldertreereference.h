#pragma once

// The folder trees and lookups of the four services written as plain scans
// over the flat lists, each step exactly as the rules state it: every level
// of a tree looks at every folder again. The indexed code must give the same
// trees and answers; the benchmark times the tree fill against this one.
#include "cloud/cloudservice.h"
#include "cloud/dropbox/dropboxfolder.h"
#include "cloud/evernote/evernotemanager.h"
#include "cloud/google/googlefolder.h"
#include "cloud/onedrive/onedrivefolder.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTreeWidgetItem>
#include <QUrl>

namespace reference {
constexpr int kMaxDepth = 256;

inline void dropboxAdd(QTreeWidgetItem *parent, const QList<DropboxFolderEntry> &all, const DropboxFolderEntry &entry,
                       int depth)
{
    QTreeWidgetItem *item = addCloudFolderItem(parent, entry.name, entry.id);
    if (depth >= kMaxDepth)
        return;
    for (const DropboxFolderEntry &child : all) {
        const int slash = child.pathLower.lastIndexOf('/');
        if (slash >= 0 && child.pathLower.left(slash) == entry.pathLower && child.pathLower != entry.pathLower)
            dropboxAdd(item, all, child, depth + 1);
    }
}

inline void dropboxFill(QTreeWidgetItem *root, const QList<DropboxFolderEntry> &all)
{
    for (const DropboxFolderEntry &entry : all)
        if (entry.pathLower.split('/').size() == 2)
            dropboxAdd(root, all, entry, 0);
}

inline bool dropboxFind(const QList<DropboxFolderEntry> &all, const QString &name, QString &id, QString &path)
{
    if (!id.isEmpty()) {
        if (id == QLatin1String("Dropbox") || id == QLatin1String("/")) {
            path = "/";
            return true;
        }
        for (const DropboxFolderEntry &entry : all)
            if (entry.id == id) {
                path = entry.pathDisplay;
                return true;
            }
        return false;
    }
    if (name.isEmpty()) {
        path = "/";
        return true;
    }
    const QString wanted = name.startsWith('/') ? name : '/' + name;
    for (const DropboxFolderEntry &entry : all)
        if (entry.pathDisplay.compare(wanted, Qt::CaseInsensitive) == 0) {
            id = entry.id;
            path = entry.pathDisplay;
            return true;
        }
    return false;
}

inline void googleAdd(QTreeWidgetItem *parent, const QList<GoogleFolderEntry> &all, const GoogleFolderEntry &entry,
                      int depth)
{
    QTreeWidgetItem *item = addCloudFolderItem(parent, entry.title, entry.id);
    if (depth >= kMaxDepth)
        return;
    for (const GoogleFolderEntry &child : all)
        if (child.parentId == entry.id && !child.bParentIsRoot && child.id != entry.id)
            googleAdd(item, all, child, depth + 1);
}

inline void googleFill(QTreeWidgetItem *root, const QList<GoogleFolderEntry> &all)
{
    for (const GoogleFolderEntry &entry : all)
        if (entry.bParentIsRoot)
            googleAdd(root, all, entry, 0);
}

inline bool googleFind(const QList<GoogleFolderEntry> &all, const QString &name, QString &id, QString &path)
{
    auto byId = [&](const QString &wanted) -> const GoogleFolderEntry * {
        for (const GoogleFolderEntry &entry : all)
            if (entry.id == wanted)
                return &entry;
        return nullptr;
    };
    if (id.isEmpty()) {
        for (const GoogleFolderEntry &entry : all)
            if (entry.bParentIsRoot && entry.title == name) {
                id = entry.id;
                path = entry.title;
                return true;
            }
        return false;
    }
    if (id == QLatin1String("root")) {
        path = "/";
        return true;
    }
    const GoogleFolderEntry *at = byId(id);
    if (!at)
        return false;
    QStringList titles{at->title};
    for (int depth = 0; !at->bParentIsRoot && depth < kMaxDepth; ++depth) {
        at = byId(at->parentId);
        if (!at)
            break;
        titles.prepend(at->title);
    }
    path = '/' + titles.join('/');
    return true;
}

inline const QRegularExpression &oneDriveRoot()
{
    static const QRegularExpression re(QStringLiteral("^/drives?(/[^/]+)?/root:"));
    return re;
}

inline bool oneDriveTop(const OneDriveFolderInfo &info)
{
    const QRegularExpressionMatch m = oneDriveRoot().match(info.parentPath);
    return m.hasMatch() && m.capturedLength() == info.parentPath.size();
}

inline void oneDriveAdd(QTreeWidgetItem *parent, const QList<OneDriveFolderInfo> &all, const OneDriveFolderInfo &info,
                        int depth)
{
    QTreeWidgetItem *item = addCloudFolderItem(parent, info.name, info.id);
    if (depth >= kMaxDepth)
        return;
    for (const OneDriveFolderInfo &child : all)
        if (child.parentId == info.id && child.id != info.id && !oneDriveTop(child))
            oneDriveAdd(item, all, child, depth + 1);
}

inline void oneDriveFill(QTreeWidgetItem *root, const QList<OneDriveFolderInfo> &all)
{
    for (const OneDriveFolderInfo &info : all)
        if (oneDriveTop(info))
            oneDriveAdd(root, all, info, 0);
}

inline bool oneDriveFind(const QList<OneDriveFolderInfo> &all, const QString &name, QString &id, QString &path)
{
    QString root;
    for (const OneDriveFolderInfo &info : all)
        if (info.parentId.isEmpty()) {
            root = info.id;
            break;
        }
    auto topNamed = [&](Qt::CaseSensitivity cs) {
        for (const OneDriveFolderInfo &info : all)
            if (!root.isEmpty() && info.parentId == root && info.name.compare(name, cs) == 0) {
                id = info.id;
                path = info.name;
                return true;
            }
        return false;
    };
    if (id.isEmpty())
        return topNamed(Qt::CaseInsensitive);
    for (const OneDriveFolderInfo &info : all) {
        if (info.id != id)
            continue;
        if (info.parentPath.isEmpty()) {
            path = "/";
        } else {
            QString below = info.parentPath;
            below.remove(oneDriveRoot());
            path = joinPath(QUrl::fromPercentEncoding(below.toUtf8()), info.name);
        }
        return true;
    }
    return topNamed(Qt::CaseSensitive);
}

inline void evernoteFill(QTreeWidgetItem *root, const QList<EvernoteNotebook> &all)
{
    QStringList stacks;
    for (const EvernoteNotebook &nb : all) {
        if (nb.stack.isEmpty())
            addCloudFolderItem(root, nb.name, nb.guid);
        else if (!stacks.contains(nb.stack))
            stacks << nb.stack;
    }
    for (const QString &stack : stacks) {
        QTreeWidgetItem *item = addCloudFolderItem(root, stack, stack);
        for (const EvernoteNotebook &nb : all)
            if (nb.stack == stack)
                addCloudFolderItem(item, nb.name, nb.guid);
    }
}

inline bool evernoteFind(const QList<EvernoteNotebook> &all, const QString &name, QString &guid, QString &path)
{
    for (const EvernoteNotebook &nb : all)
        if (guid.isEmpty() ? nb.name.compare(name, Qt::CaseInsensitive) == 0 : nb.guid == guid) {
            guid = nb.guid;
            path = nb.name;
            return true;
        }
    return false;
}

inline QString evernoteStack(const QList<EvernoteNotebook> &all, const QString &key)
{
    for (const EvernoteNotebook &nb : all)
        if (nb.guid == key)
            return nb.stack;
    for (const EvernoteNotebook &nb : all)
        if (!key.isEmpty() && nb.stack == key)
            return key;
    return QString();
}
} // namespace reference
