// Kept apart from googlemanager.cpp: these two need the Google authorization
// class, and only code that refreshes tokens pulls them in.
#include "cloud/google/googlemanager.h"

#include "cloud/cloudservice.h"

int GoogleManager::requestRefreshToken()
{
    QNetworkRequest request;
    QByteArray body;
    const int nCode = googleRefreshTokenRequest(request, body);
    if (nCode == 0)
        postRequest(request, body, RequestToken);
    return nCode;
}

int GoogleManager::saveTokenResponse(const QByteArray &body)
{
    return googleSaveTokenResponse(body);
}
