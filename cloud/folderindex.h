#pragma once

#include <QHash>
#include <QString>
#include <QVector>

class QTreeWidgetItem;

// Lookups over a service's flat folder list in constant time. Each key maps
// to its first position in the list, so a lookup gives the entry that a
// front-to-back scan would give; later duplicates never win.
class FolderIndex
{
public:
    void clear() { positions.clear(); }
    void reserve(int n) { positions.reserve(n); }
    void add(const QString &key, int position)
    {
        if (!positions.contains(key))
            positions.insert(key, position);
    }
    // -1 when no entry has the key.
    int find(const QString &key) const { return positions.value(key, -1); }

    // The key of a text compared without regard to letter case.
    static QString folded(const QString &text) { return text.toCaseFolded(); }

private:
    QHash<QString, int> positions;
};

// One folder of a flat list, as the tree builder sees it: its subfolders
// are the later-or-earlier entries whose parentKey is its key.
struct FolderNode
{
    QString name;
    QString id;
    QString key;
    QString parentKey;
    bool bTop = false;   // shown directly under the root item
    bool bNested = true; // may be shown under another folder
};

// Adds an item (name, id) for every top node under root and, under each
// item, its subfolders in list order, recursively to maxDepth levels. The
// items are built apart and attached at once, so a tree widget that shows
// root sees one insertion, not one per folder.
void fillFolderTreeFrom(QTreeWidgetItem *root, const QVector<FolderNode> &nodes, int maxDepth);
