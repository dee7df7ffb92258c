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

int OneDriveManager::prepareToken(QString &token, bool &bRefreshing)
{
    if (bTokenFresh) {
        bTokenFresh = false;
        bRefreshing = false;
        token = storedAccessToken();
        return token.isEmpty() ? -200 : 0;
    }
    return prepareAccessToken(OAuthTokens(CloudOneDrive), [this]() { return requestRefreshToken(); }, token, bRefreshing);
}

RefreshOutcome OneDriveManager::takeRefreshAnswer(QNetworkReply::NetworkError error, int nHttpStatus, const QByteArray &body)
{
    const RefreshOutcome outcome =
        refreshOutcome(error, nHttpStatus, body, errorCode(), onedriveSaveTokenResponse,
                       OAuthTokens(CloudOneDrive));
    bTokenFresh = outcome == RefreshOutcome::Stored;
    return outcome;
}

QString OneDriveManager::storedAccessToken()
{
    return OAuthTokens(CloudOneDrive).accessToken().trimmed();
}
