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

int GoogleManager::prepareToken(QString &token, bool &bRefreshing)
{
    if (bTokenFresh) {
        bTokenFresh = false;
        bRefreshing = false;
        token = storedAccessToken();
        return token.isEmpty() ? -200 : 0;
    }
    return prepareAccessToken(OAuthTokens(CloudGoogleDrive), [this]() { return requestRefreshToken(); }, token, bRefreshing);
}

RefreshOutcome GoogleManager::takeRefreshAnswer(QNetworkReply::NetworkError error, int nHttpStatus, const QByteArray &body)
{
    const RefreshOutcome outcome =
        refreshOutcome(error, nHttpStatus, body, errorCode(), googleSaveTokenResponse,
                       OAuthTokens(CloudGoogleDrive));
    bTokenFresh = outcome == RefreshOutcome::Stored;
    return outcome;
}

QString GoogleManager::storedAccessToken()
{
    return OAuthTokens(CloudGoogleDrive).accessToken().trimmed();
}
