#include "cloud/dropbox/dropboxmanager.h"

DropboxManager::DropboxManager(QObject *parent)
    : CloudManager("DropboxManager", parent)
{
}

void DropboxManager::postRequest(const QNetworkRequest &request, const QByteArray &data, int kind)
{
    sendRequest(Method::Post, request, data, kind);
}
