#pragma once

#include "cloud/cloudmanager.h"

// Base of the OneDrive authorization, folder and file classes.
class OneDriveManager : public CloudManager
{
    Q_OBJECT
public:
    explicit OneDriveManager(QObject *parent = nullptr);

    void postRequest(const QNetworkRequest &request, const QByteArray &data, int kind);
    void getRequest(const QNetworkRequest &request, int kind);
    void putRequest(const QNetworkRequest &request, const QByteArray &data, int kind);

    // Has the authorization build a refresh request and posts it as a token
    // request; returns that code (0, or -200 without a stored refresh token).
    int requestRefreshToken();
    // Has a temporary authorization object parse and store a token answer.
    int saveTokenResponse(const QByteArray &body);
};

// Supplied by the OneDrive authorization class (it derives from OneDriveManager,
// so the manager reaches it through these): fill a refresh-token request from
// the stored refresh token, and parse and store a refresh answer, each with a
// temporary authorization object. Both give 0 or -200.
int onedriveRefreshTokenRequest(QNetworkRequest &request, QByteArray &body);
int onedriveSaveTokenResponse(const QByteArray &body);
