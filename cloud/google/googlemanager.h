#pragma once

#include "cloud/cloudmanager.h"
#include "cloud/oauthsignin.h"

// Base of the Google Drive authorization, folder and file classes.
class GoogleManager : public CloudManager
{
    Q_OBJECT
public:
    explicit GoogleManager(QObject *parent = nullptr);

    void postRequest(const QNetworkRequest &request, const QByteArray &data, int kind);
    void getRequest(const QNetworkRequest &request, int kind);
    void putRequest(const QNetworkRequest &request, const QByteArray &data, int kind);

    // Has the authorization build a refresh request and posts it as a token
    // request; returns that code (0, or -200 without a stored refresh token).
    int requestRefreshToken();
    // Has a temporary authorization object parse and store a token answer.
    int saveTokenResponse(const QByteArray &body);

    // Refresh before send, at the start of an operation: 0 with the access
    // token in token, or 0 with bRefreshing set when a refresh went out first
    // (the operation resumes on its answer); -200 when signed out.
    int prepareToken(QString &token, bool &bRefreshing);
    // What the answer to a refresh means; storing it when it came, clearing
    // the stored tokens when the service refused the refresh token.
    RefreshOutcome takeRefreshAnswer(QNetworkReply::NetworkError error, int nHttpStatus, const QByteArray &body);
    // The stored access token, read afresh, whatever its expiry.
    static QString storedAccessToken();

private:
    // A refresh answer was just stored: the next operation takes the new
    // token as it is, so a short-lived one cannot start refreshes for ever.
    bool bTokenFresh = false;
};

// Supplied by the Google authorization class (it derives from GoogleManager,
// so the manager reaches it through these): fill a refresh-token request from
// the stored refresh token, and parse and store a refresh answer, each with a
// temporary authorization object. Both give 0 or -200.
int googleRefreshTokenRequest(QNetworkRequest &request, QByteArray &body);
int googleSaveTokenResponse(const QByteArray &body);
