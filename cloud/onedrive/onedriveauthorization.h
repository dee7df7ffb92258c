#pragma once

#include "cloud/cloudservice.h"
#include "cloud/onedrive/onedrivemanager.h"
#include "cloud/httpserver.h"
#include "cloud/oauthsignin.h"

#include <QMap>
#include <QString>
#include <QUrl>
#include <QVariantMap>

// OneDrive sign-in with the authorization-code flow of the identity
// platform, with PKCE:
//
//   buildAuthorizeUrl() (state, S256 challenge) --> login page, in the dialog's web view
//   or the desktop's browser --> redirect to localhost:53511/cloud?code=..&state=..
//     web view:  dialog --> getAuthorizationCode(url)
//     browser:   HttpServer --> verificationToken --> state checked, result page
//   --> getGrantToken() (code + code_verifier) --> saveRefreshToken() --> authenticationFinished
//
// A failed request of this class forgets the stored sign-in. The folder and
// file classes make short-lived objects to read the tokens or to build a
// refresh request.
class OneDriveAuthorization : public OneDriveManager
{
    Q_OBJECT
public:
    explicit OneDriveAuthorization(QObject *parent = nullptr);
    ~OneDriveAuthorization() override;

    // A new state and PKCE pair each time; the address to open.
    QString buildAuthorizeUrl();
    QString redirectUri() const;

    // Whether the redirect is taken by the loopback listener (desktop browser)
    // rather than read from the web view; from the module configuration.
    bool usesSystemBrowser() const { return bSystemBrowser; }
    void setSystemBrowser(bool bEnable) { bSystemBrowser = bEnable; }
    // False when the loopback port cannot be bound.
    bool startRedirectServer();
    void stopRedirectServer();

    // Takes the code from a redirect address (web view) and starts the
    // exchange; 0, or -200 (error, no code, another sign-in's state).
    int getAuthorizationCode(const QUrl &url);
    void getGrantToken(const QMap<QString, QString> &params);
    // 0 with a refresh request, -200 without a stored refresh token.
    int getRefreshTokenRequest(QNetworkRequest &request, QByteArray &body);

    QVariantMap parseTokenResponse(const QByteArray &body);
    // Stores a code-exchange answer and emits authenticationFinished.
    void saveRefreshToken(const QByteArray &body);
    // Stores a refresh answer; 0 or -200.
    int saveToken(const QByteArray &body);

    // As stored, whatever its expiry.
    QString accessToken() const;
    bool isTokenExpired() const;
    QString refreshToken() const;
    qint64 expiresIn() const;
    void saveAccessToken(const QString &value);
    void saveExpiresIn(qint64 nSeconds);
    void storeRefreshToken(const QString &value);

    static QByteArray buildEncodedFormBody(const QMap<QString, QString> &params);

    HttpServer &server() { return redirectServer; }

signals:
    void authenticationFinished(int nErrorCode);

public slots:
    void finishedRequest() override;
    void errorRequest(QNetworkReply::NetworkError error) override;

private slots:
    bool takeRedirect(const QString &strUrl);
    void redirectAnswered(bool bSuccess);

private:
    HttpServer redirectServer{CloudOneDrive};
    OAuthSignIn signIn;
    bool bSystemBrowser;
    bool bFailAfterAnswer = false;
};
