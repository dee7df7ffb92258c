#pragma once

#include "cloud/dropbox/dropboxmanager.h"
#include "cloud/httpserver.h"

#include <QString>
#include <QUrl>

// Dropbox sign-in with the OAuth 2 implicit grant:
//
//   buildAuthorizeUrl() (new state) --> user's browser --> Dropbox --> redirect to
//   127.0.0.1:53511/cloud#access_token=..&state=.. --> HttpServer --> verificationToken
//   --> (login dialog) finishedTokenReply(url): check the state, then store what it carries
//
// There is no refresh; the token is used until the service rejects it (401),
// which clears it. Other classes make a short-lived object only to read
// accessToken().
class DropboxAuthorization : public DropboxManager
{
    Q_OBJECT
public:
    explicit DropboxAuthorization(QObject *parent = nullptr);
    ~DropboxAuthorization() override;

    QString buildAuthorizeUrl();
    // With bRenew, first replaces the state with a new random one.
    QString currentState(bool bRenew);
    QString redirectUri() const;
    // False when the loopback port cannot be bound (someone else holds it):
    // the sign-in must end at once, with -200.
    bool startRedirectServer();
    void stopRedirectServer();

    // Checks a redirect address and, when its state is the current one,
    // stores what it carries; 0 or -200 (nothing stored).
    int finishedTokenReply(const QUrl &url);

    QString accessToken() const;
    void saveAccessToken(const QString &value);
    // The service refused the token: the user has to sign in again.
    void clearAccessToken();
    void saveAccountId(const QString &value);
    void saveTeamId(const QString &value);
    void saveTokenType(const QString &value);

    HttpServer &server() { return redirectServer; }

signals:
    void authenticationFinished(int nErrorCode);
    bool verificationToken(QString strUrl);
    void verificationFinish(bool bSuccess);

public slots:
    void finishedRequest() override;
    void errorRequest(QNetworkReply::NetworkError error) override;

private:
    HttpServer redirectServer{4};
    QString strState;
};
