// Kept apart from onedrivemanager.cpp: these two need the OneDrive authorization
// class, and only code that refreshes tokens pulls them in.
#include "cloud/onedrive/onedrivemanager.h"

#include "cloud/cloudservice.h"

int OneDriveManager::requestRefreshToken()
{
    QNetworkRequest request;
    QByteArray body;
    const int nCode = onedriveRefreshTokenRequest(request, body);
    if (nCode == 0)
        postRequest(request, body, RequestToken);
    return nCode;
}

int OneDriveManager::saveTokenResponse(const QByteArray &body)
{
    return onedriveSaveTokenResponse(body);
}
