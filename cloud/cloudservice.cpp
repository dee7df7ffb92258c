#include "cloud/cloudservice.h"

#include "cloud/cloudconfig.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTreeWidgetItem>

QString cloudServiceName(int nCloudService)
{
    switch (nCloudService) {
    case CloudGoogleDrive: return QStringLiteral("GoogleDrive");
    case CloudOneDrive: return QStringLiteral("OneDrive");
    case CloudEvernote: return QStringLiteral("Evernote");
    case CloudDropbox: return QStringLiteral("Dropbox");
    case CloudSharePoint: return QStringLiteral("SharePoint Online");
    default: return QString();
    }
}

QString cloudSettingsPrefix(int nCloudService)
{
    switch (nCloudService) {
    case CloudGoogleDrive: return QStringLiteral("google/");
    case CloudOneDrive: return QStringLiteral("onedrive/");
    case CloudEvernote: return QStringLiteral("evernote/");
    case CloudDropbox: return QStringLiteral("dropbox/");
    default: return QString();
    }
}

QString cloudRedirectUri(int nCloudService)
{
    switch (nCloudService) {
    case CloudGoogleDrive:
    case CloudOneDrive:
    case CloudEvernote: return QStringLiteral("http://localhost:%1/cloud").arg(cloudRedirectPort());
    case CloudDropbox: return QStringLiteral("http://127.0.0.1:%1/cloud").arg(cloudRedirectPort());
    default: return QString();
    }
}

int cloudServiceFromSetting(int nStored)
{
    if (nStored <= 0 || nStored > CloudSharePoint)
        return CloudGoogleDrive;
    return nStored;
}

QTreeWidgetItem *addCloudFolderItem(QTreeWidgetItem *parent, const QString &name, const QString &id)
{
    auto *item = new QTreeWidgetItem;
    item->setText(0, name);
    item->setData(0, kCloudFolderIdRole, id);
    if (parent)
        parent->addChild(item);
    return item;
}

QString cloudFolderItemId(const QTreeWidgetItem *item)
{
    return item ? item->data(0, kCloudFolderIdRole).toString() : QString();
}

bool isStoredFileAnswer(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    return document.isObject() && !document.object().value(QStringLiteral("id")).toString().isEmpty();
}
