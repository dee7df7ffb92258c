#include "cloud/folderindex.h"

#include "cloud/cloudservice.h"

#include <QList>
#include <QTreeWidgetItem>

namespace {
using Children = QHash<QString, QVector<int>>;

void addSubtree(QTreeWidgetItem *parent, const QVector<FolderNode> &nodes, const Children &children, int position,
                int depth, int maxDepth)
{
    const FolderNode &node = nodes.at(position);
    QTreeWidgetItem *item = addCloudFolderItem(parent, node.name, node.id);
    if (depth >= maxDepth)
        return;
    const auto it = children.constFind(node.key);
    if (it == children.constEnd())
        return;
    for (int child : *it) {
        // A folder is never its own subfolder.
        if (nodes.at(child).key != node.key)
            addSubtree(item, nodes, children, child, depth + 1, maxDepth);
    }
}
} // namespace

void fillFolderTreeFrom(QTreeWidgetItem *root, const QVector<FolderNode> &nodes, int maxDepth)
{
    if (!root)
        return;
    Children children;
    children.reserve(nodes.size());
    for (int i = 0; i < nodes.size(); ++i) {
        if (nodes.at(i).bNested)
            children[nodes.at(i).parentKey].append(i);
    }
    QTreeWidgetItem holder; // in no view: adding below it is cheap
    for (int i = 0; i < nodes.size(); ++i) {
        if (nodes.at(i).bTop)
            addSubtree(&holder, nodes, children, i, 0, maxDepth);
    }
    root->addChildren(holder.takeChildren());
}
