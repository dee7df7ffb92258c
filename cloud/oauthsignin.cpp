#include "cloud/oauthsignin.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "app/redact.h"
#include "cloud/cloudservice.h"
#include "cloud/httpserver.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

namespace {
QString settingsFile()
{
    return configFile().uiConfigFile();
}

QString base64Url(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

bool isSecretName(const QString &name)
{
    return name == QLatin1String("access_token") || name == QLatin1String("refresh_token")
           || name == QLatin1String("id_token");
}
} // namespace

QString randomUrlSafeText(int nBytes)
{
    QByteArray bytes(nBytes, Qt::Uninitialized);
    QRandomGenerator *rng = QRandomGenerator::system();
    for (char &b : bytes)
        b = char(rng->bounded(256));
    return base64Url(bytes);
}

QString pkceChallenge(const QString &verifier)
{
    return base64Url(QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256));
}

PkcePair makePkcePair()
{
    PkcePair pair;
    pair.verifier = randomUrlSafeText(32); // 43 characters, the shortest allowed
    pair.challenge = pkceChallenge(pair.verifier);
    return pair;
}

QByteArray buildEncodedFormBody(const QMap<QString, QString> &params)
{
    QByteArray body;
    for (auto it = params.begin(); it != params.end(); ++it) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value());
    }
    return body;
}

OAuthRedirect parseRedirect(const QUrl &url)
{
    OAuthRedirect r;
    // Fully decoded values: a code or state holding "/" or "+" arrives as sent.
    const QList<QPair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    r.bHasItems = !items.isEmpty();
    for (const auto &item : items) {
        const QString &name = item.first;
        if (name.compare(QLatin1String("error_description"), Qt::CaseInsensitive) == 0) {
            r.bErrorDescription = true;
        } else if (name.compare(QLatin1String("code"), Qt::CaseInsensitive) == 0) {
            if (!r.bHasCode) {
                r.bHasCode = true;
                r.codeName = name;
                r.code = item.second;
            }
        } else if (name.compare(QLatin1String("state"), Qt::CaseInsensitive) == 0) {
            r.bHasState = true;
            r.state = item.second;
        } else if (name.compare(QLatin1String("access_token"), Qt::CaseInsensitive) == 0) {
            r.bHasAccessToken = true;
            r.accessToken = item.second;
        }
    }
    return r;
}

OAuthTokens::OAuthTokens(int nCloudService)
    : prefix(cloudSettingsPrefix(nCloudService))
{
}

qint64 OAuthTokens::now()
{
    return QDateTime::currentMSecsSinceEpoch() / 1000;
}

QString OAuthTokens::key(const char *name) const
{
    return prefix + QLatin1String(name);
}

QString OAuthTokens::accessToken() const
{
    return readHexValue(settingsFile(), key("AccessToken"));
}

QString OAuthTokens::refreshToken() const
{
    return readHexValue(settingsFile(), key("RefreshToken"));
}

qint64 OAuthTokens::expiresIn() const
{
    return readHexValue(settingsFile(), key("ExpiresIn"), QStringLiteral("0")).toLongLong();
}

void OAuthTokens::saveAccessToken(const QString &value)
{
    writeHexValue(settingsFile(), key("AccessToken"), value);
}

void OAuthTokens::storeRefreshToken(const QString &value)
{
    writeHexValue(settingsFile(), key("RefreshToken"), value);
}

void OAuthTokens::saveExpiresIn(qint64 nSeconds)
{
    writeHexValue(settingsFile(), key("ExpiresIn"), QString::number(nSeconds));
}

bool OAuthTokens::isTokenExpired() const
{
    return expiresIn() - kExpiryMarginSeconds <= now();
}

void OAuthTokens::clear()
{
    saveAccessToken(QString());
    storeRefreshToken(QString());
    saveExpiresIn(0);
}

int OAuthTokens::storeAnswer(const QVariantMap &answer, bool bFromExchange, bool bLogExpiry)
{
    if (!answer.contains(QStringLiteral("access_token"))) {
        qWarning() << "Access token missing from response";
        return -200;
    }
    bool ok = false;
    const qint64 seconds = answer.value(QStringLiteral("expires_in")).toLongLong(&ok);
    if (ok) {
        if (bLogExpiry)
            qDebug() << "Token expires in" << seconds << "seconds";
        saveExpiresIn(now() + seconds);
    }
    saveAccessToken(answer.value(QStringLiteral("access_token")).toString());
    // A refresh answer may leave the refresh token out: the stored one stays
    // good (and one that is rotated comes back in the answer).
    if (bFromExchange || answer.contains(QStringLiteral("refresh_token")))
        storeRefreshToken(answer.value(QStringLiteral("refresh_token")).toString());
    return 0;
}

QVariantMap parseTokenAnswer(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        qDebug() << "parseTokenResponse: Failed to parse token response due to err:" << error.errorString();
        return QVariantMap();
    }
    if (!document.isObject()) {
        qDebug() << "Token response is not an object";
        return QVariantMap();
    }
    return document.object().toVariantMap();
}

void logTokenAnswer(const QVariantMap &answer)
{
    for (auto it = answer.begin(); it != answer.end(); ++it)
        qInfo() << it.key() << ":" << (isSecretName(it.key()) ? redacted() : it.value().toString());
}

OAuthSignIn::OAuthSignIn(const OAuthService &service)
    : svc(service)
    , store(service.nCloudService)
{
}

QString OAuthSignIn::redirectUri() const
{
    return cloudRedirectUri(svc.nCloudService);
}

QString OAuthSignIn::clientId() const
{
    return cloudKey(svc.clientIdKey);
}

QString OAuthSignIn::clientSecret() const
{
    return svc.bSecretOptional ? cloudOptionalKey(svc.clientSecretKey) : cloudKey(svc.clientSecretKey);
}

QList<QPair<QString, QString>> OAuthSignIn::startSignIn()
{
    strState = randomUrlSafeText(24);
    pkce = makePkcePair();
    return {{QStringLiteral("state"), strState},
            {QStringLiteral("code_challenge"), pkce.challenge},
            {QStringLiteral("code_challenge_method"), QStringLiteral("S256")}};
}

bool OAuthSignIn::stateMatches(const OAuthRedirect &redirect, bool bRequired) const
{
    if (!redirect.bHasState)
        return !bRequired;
    return !strState.isEmpty() && redirect.state == strState;
}

OAuthSignIn::Redirect OAuthSignIn::takeRedirect(const QUrl &url, bool bFromListener, QMap<QString, QString> &params)
{
    const OAuthRedirect redirect = parseRedirect(url);
    if (!stateMatches(redirect, bFromListener))
        return bFromListener ? Redirect::Ignored : Redirect::Failed;
    if (bFromListener)
        strState.clear();
    if (!redirect.bHasItems || redirect.bErrorDescription || !redirect.bHasCode)
        return Redirect::Failed;
    params.insert(redirect.codeName, redirect.code);
    return Redirect::Code;
}

QNetworkRequest OAuthSignIn::tokenRequest() const
{
    QNetworkRequest request(cloudUrl(svc.host, QString::fromLatin1(svc.tokenPath)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    return request;
}

QByteArray OAuthSignIn::exchangeBody(const QString &code, const QMap<QString, QString> &extra) const
{
    QMap<QString, QString> params = extra;
    params.insert(QStringLiteral("client_id"), clientId());
    const QString secret = clientSecret();
    if (!secret.isEmpty())
        params.insert(QStringLiteral("client_secret"), secret);
    params.insert(QStringLiteral("code"), code);
    if (!pkce.verifier.isEmpty())
        params.insert(QStringLiteral("code_verifier"), pkce.verifier);
    params.insert(QStringLiteral("grant_type"), QStringLiteral("authorization_code"));
    params.insert(QStringLiteral("redirect_uri"), redirectUri());
    return buildEncodedFormBody(params);
}

int OAuthSignIn::refreshRequest(QNetworkRequest &request, QByteArray &body, bool bWithRedirectUri) const
{
    const QString refresh = store.refreshToken();
    if (refresh.isEmpty())
        return -200;
    QMap<QString, QString> params;
    params.insert(QStringLiteral("client_id"), clientId());
    const QString secret = clientSecret();
    if (!secret.isEmpty())
        params.insert(QStringLiteral("client_secret"), secret);
    params.insert(QStringLiteral("grant_type"), QStringLiteral("refresh_token"));
    params.insert(QStringLiteral("refresh_token"), refresh);
    if (bWithRedirectUri)
        params.insert(QStringLiteral("redirect_uri"), redirectUri());
    request = tokenRequest();
    body = buildEncodedFormBody(params);
    return 0;
}

bool OAuthSignIn::startListening(HttpServer &server, bool bTakeRedirects) const
{
    server.setAnswerCodeRedirects(bTakeRedirects);
    // The listener refuses a port that another program holds on either
    // loopback: that program would see the redirect.
    return server.setRedirectURL(redirectUri()) && server.startListening();
}

int prepareAccessToken(const OAuthTokens &tokens, const std::function<int()> &requestRefresh, QString &token,
                       bool &bRefreshing)
{
    bRefreshing = false;
    token.clear();
    if (tokens.isTokenExpired()) {
        const int nCode = requestRefresh();
        bRefreshing = nCode == 0;
        return nCode;
    }
    token = tokens.accessToken().trimmed();
    return token.isEmpty() ? -200 : 0;
}

RefreshOutcome refreshOutcome(QNetworkReply::NetworkError error, int nHttpStatus, const QByteArray &body,
                              int nManagerCode, const std::function<int(const QByteArray &)> &save,
                              OAuthTokens tokens)
{
    if (error == QNetworkReply::OperationCanceledError)
        return nManagerCode == -212 ? RefreshOutcome::TimedOut : RefreshOutcome::Cancelled;
    if (error != QNetworkReply::NoError) {
        // A revoked or expired refresh token: what is stored can never work
        // again, so forget it and have the user sign in anew.
        const QString reason = QJsonDocument::fromJson(body).object().value(QStringLiteral("error")).toString();
        if ((nHttpStatus == 400 || nHttpStatus == 401) && reason == QLatin1String("invalid_grant")) {
            qDebug() << "Refresh refused; signing out";
            tokens.clear();
            return RefreshOutcome::Refused;
        }
        return RefreshOutcome::Failed;
    }
    return save(body) == 0 ? RefreshOutcome::Stored : RefreshOutcome::Unstorable;
}
