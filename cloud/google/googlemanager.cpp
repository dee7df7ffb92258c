#include "cloud/google/googlemanager.h"

GoogleManager::GoogleManager(QObject *parent)
    : CloudManager("GoogleManager", parent)
{
}

void GoogleManager::postRequest(const QNetworkRequest &request, const QByteArray &data, int kind)
{
    sendRequest(Method::Post, request, data, kind);
}

void GoogleManager::getRequest(const QNetworkRequest &request, int kind)
{
    sendRequest(Method::Get, request, QByteArray(), kind);
}

void GoogleManager::putRequest(const QNetworkRequest &request, const QByteArray &data, int kind)
{
    sendRequest(Method::Put, request, data, kind);
}
