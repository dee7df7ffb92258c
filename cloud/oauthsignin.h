#pragma once

#include "cloud/cloudconfig.h"

#include <QByteArray>
#include <QMap>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <QUrlQuery>
#include <QVariantMap>

#include <functional>

class HttpServer;

// What the Google Drive and OneDrive sign-ins share: the OAuth 2.0
// authorization-code flow of an installed application, with PKCE, and the
// tokens it leaves in the user settings file.
//
//   startSignIn() (new state + verifier) --> authorization address + state + S256 challenge
//   --> redirect ?code&state --> takeRedirect() (state checked) --> exchange + code_verifier
//   --> storeAnswer(): access token, refresh token, expiry in seconds since the epoch
//   ... isTokenExpired() (300 s early) --> prepareAccessToken() sends a refresh first
//   --> refreshOutcome(): stored, or refused (invalid_grant: tokens cleared, sign in again)

// How one service is reached and registered.
struct OAuthService
{
    int nCloudService; // also names the settings keys ("google/...")
    CloudHost host;    // authorization and token endpoints
    const char *authorizePath;
    const char *tokenPath;
    CloudKey clientIdKey;
    CloudKey clientSecretKey;
    bool bSecretOptional; // an empty configured secret means none is sent
};

// A PKCE pair: a random 43-character verifier and its S256 challenge.
struct PkcePair
{
    QString verifier;
    QString challenge;
};
PkcePair makePkcePair();
// Base64url of the SHA-256 of the verifier, without padding.
QString pkceChallenge(const QString &verifier);
// nBytes from the system's secure generator as base64url text, no padding.
QString randomUrlSafeText(int nBytes);

// "application/x-www-form-urlencoded": keys in ascending order, each key and
// value percent-encoded as UTF-8 (letters, digits and "-._~" stay).
QByteArray buildEncodedFormBody(const QMap<QString, QString> &params);

// The parts of a redirect address's query that a sign-in reads; names
// compare without regard to case.
struct OAuthRedirect
{
    bool bHasItems = false;
    bool bErrorDescription = false;
    bool bHasCode = false;
    QString codeName; // as written
    QString code;
    bool bHasState = false;
    QString state;
    bool bHasAccessToken = false;
    QString accessToken;
};
OAuthRedirect parseRedirect(const QUrl &url);

// The tokens of one service in the user settings file, each stored as hex
// text; the expiry as whole seconds since 1970-01-01 UTC.
class OAuthTokens
{
public:
    // The tokens of a service by its identifier.
    explicit OAuthTokens(int nCloudService);

    // A token counts as expired this long before its stated end.
    static constexpr qint64 kExpiryMarginSeconds = 300;
    static qint64 now();

    QString accessToken() const; // as stored, whatever its expiry
    QString refreshToken() const;
    qint64 expiresIn() const;
    void saveAccessToken(const QString &value);
    void storeRefreshToken(const QString &value);
    void saveExpiresIn(qint64 nSeconds);
    // Expiry - 300 <= now; also true when no expiry was ever stored.
    bool isTokenExpired() const;
    // Forgets the sign-in: both tokens empty, expiry 0.
    void clear();

    // Stores a parsed token answer: the expiry from "expires_in", the access
    // token, and the refresh token (an exchange stores it even when absent, a
    // refresh keeps the stored one unless the answer brings a new one).
    // 0, or -200 without an access token (then nothing is stored).
    int storeAnswer(const QVariantMap &answer, bool bFromExchange, bool bLogExpiry);

private:
    QString key(const char *name) const;
    QString prefix;
};

// Parses a token endpoint's answer; an empty map (with the log lines the
// sign-in classes share) when it is not a JSON object.
QVariantMap parseTokenAnswer(const QByteArray &body);
// Logs each member as name ":" value, secrets redacted.
void logTokenAnswer(const QVariantMap &answer);

// One service's sign-in in progress, and the requests it makes.
class OAuthSignIn
{
public:
    explicit OAuthSignIn(const OAuthService &service);

    OAuthTokens &tokens() { return store; }
    const OAuthTokens &tokens() const { return store; }

    QString redirectUri() const;
    QString clientId() const;
    // Empty when none is to be sent.
    QString clientSecret() const;

    // New state and verifier; the query items that carry them on the
    // authorization address (state, code_challenge, code_challenge_method).
    QList<QPair<QString, QString>> startSignIn();

    // Checks a redirect's state against the sign-in's. With bRequired (the
    // loopback listener) a missing state fails too; the web view may see a
    // redirect without one, but never another sign-in's.
    bool stateMatches(const OAuthRedirect &redirect, bool bRequired) const;
    // What a redirect address means for this sign-in. From the web view
    // anything but a code is a failure; the loopback listener, which anything
    // on this machine can reach, ignores what does not carry this sign-in's
    // state, and takes that state only once.
    enum class Redirect { Ignored, Failed, Code };
    Redirect takeRedirect(const QUrl &url, bool bFromListener, QMap<QString, QString> &params);

    QNetworkRequest tokenRequest() const;
    // client_id, client_secret (when one is sent), code, code_verifier (when
    // a sign-in was started here), grant_type, redirect_uri, plus extra.
    QByteArray exchangeBody(const QString &code, const QMap<QString, QString> &extra) const;
    // 0 with request and body filled, -200 without a stored refresh token.
    int refreshRequest(QNetworkRequest &request, QByteArray &body, bool bWithRedirectUri) const;

    // Sets the listener to the redirect address and starts it; with
    // bTakeRedirects it answers the redirect itself (desktop browser).
    bool startListening(HttpServer &server, bool bTakeRedirects) const;

private:
    OAuthService svc;
    OAuthTokens store;
    QString strState;
    PkcePair pkce;
};

// Refresh before send, at the start of an operation: with a token that is
// (about to be) expired the refresh goes out first and bRefreshing is set;
// the operation resumes on its answer. Otherwise token is the stored access
// token. 0, the refresh request's code (-200 without a refresh token), or
// -200 when no access token is stored.
int prepareAccessToken(const OAuthTokens &tokens, const std::function<int()> &requestRefresh, QString &token,
                       bool &bRefreshing);

// What the answer to a refresh means for the operation that waited for it.
enum class RefreshOutcome {
    Stored,     // new token stored: resume
    Unstorable, // an answer without an access token
    Refused,    // the refresh token is dead (invalid_grant); tokens cleared
    Cancelled,  // user cancel
    TimedOut,   // inactivity time-out
    Failed,     // any other network or HTTP failure
};
RefreshOutcome refreshOutcome(QNetworkReply::NetworkError error, int nHttpStatus, const QByteArray &body,
                              int nManagerCode, const std::function<int(const QByteArray &)> &save,
                              OAuthTokens tokens);
