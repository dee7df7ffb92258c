#pragma once

#include "cloud/httpserver.h"

#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

// Evernote sign-in, three-legged OAuth 1.0a with PLAINTEXT signatures:
//
//   requestTemporaryToken(): GET /oauth?oauth_callback=..&oauth_nonce=N --> finishedTemporaryToken()
//   --> generateTemporaryToken(0, "<host>/OAuth.action?oauth_token=T") --> the dialog's web view
//   --> the service redirects to localhost:<port>/cloud?oauth_token=T&oauth_verifier=V
//   --> (dialog) getAuthorizationCode(url) --> getGrantToken(): GET /oauth?..&oauth_nonce=N&oauth_token=T
//   --> finishedTokenReply(): store token, expiry, shard, user, note store address --> authenticationFinished(0)
//
// The signature is the encoded consumer secret, "&" and the encoded token
// secret (empty on the first leg, the temporary one on the second). The
// Evernote client builds short-lived objects of this class only to read the
// stored values, so nothing is set up for the network until a leg starts.
class EvernoteAuthorization : public QObject
{
    Q_OBJECT
public:
    using QueryItems = QList<QPair<QString, QString>>;

    explicit EvernoteAuthorization(QObject *parent = nullptr);
    ~EvernoteAuthorization() override;

    // First leg; answered by generateTemporaryToken.
    void requestTemporaryToken();
    // An address seen by the login page: -204 when it is not the redirect,
    // -200 when the user declined (no verifier) or it belongs to another
    // sign-in, 0 when the second leg has been started (answered by
    // authenticationFinished).
    int getAuthorizationCode(const QUrl &url);
    // Second leg with the redirect's decoded query items, in their order.
    void getGrantToken(const QueryItems &items);

    QString redirectUri() const;
    // The last nonce, or with bNew a fresh one.
    QString nonce(bool bNew);
    // The PLAINTEXT signature for a token secret (RFC 5849, 3.4.4).
    static QString plaintextSignature(const QString &consumerSecret, const QString &tokenSecret);

    // Loopback listener that answers the redirect; false when the port
    // cannot be bound (the sign-in cannot finish then).
    bool startRedirectServer();
    void stopRedirectServer();
    HttpServer &server() { return redirectServer; }

    QString accessToken() const;
    qint64 expiresIn() const; // seconds since 1970-01-01 UTC; 0 when unknown
    QString noteStoreUrl() const;
    QString userShard() const;
    QString userId() const;
    QString webApiUrlPrefix() const;

    void saveAccessToken(const QString &value);
    void saveRefreshToken(const QString &value);
    void saveExpiresIn(qint64 seconds);
    void saveUserShard(const QString &value);
    void saveUserId(const QString &value);
    void saveNoteStoreUrl(const QString &value);
    void saveWebApiUrlPrefix(const QString &value);

signals:
    void authenticationFinished(int nErrorCode);
    void generateTemporaryToken(int nErrorCode, QString strURL);
    void refreshTokenSucceed(int nErrorCode);

public slots:
    void finishedTemporaryToken();
    void finishedTokenReply();
    void errorTokenReply(QNetworkReply::NetworkError error);

private:
    QNetworkReply *get(const QueryItems &items);
    QueryItems signedItems(const QString &tokenSecret);
    bool storeAccessAnswer(const QByteArray &body);

    QString strNonce = QStringLiteral("0");
    QNetworkAccessManager *networkManager = nullptr;
    HttpServer redirectServer{3};
    // Between the two legs: the temporary token and its secret.
    QString strTemporaryToken;
    QString strTemporarySecret;
};
