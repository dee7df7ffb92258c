#include "cloud/onedrive/onedrivemanager.h"

OneDriveManager::OneDriveManager(QObject *parent)
    : CloudManager("OneDriveManager", parent)
{
}

void OneDriveManager::postRequest(const QNetworkRequest &request, const QByteArray &data, int kind)
{
    sendRequest(Method::Post, request, data, kind);
}

void OneDriveManager::getRequest(const QNetworkRequest &request, int kind)
{
    sendRequest(Method::Get, request, QByteArray(), kind);
}

void OneDriveManager::putRequest(const QNetworkRequest &request, const QByteArray &data, int kind)
{
    sendRequest(Method::Put, request, data, kind);
}
