#include "cloud/dropbox/dropboxauthorization.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "app/redact.h"
#include "cloud/cloudconfig.h"
#include "cloud/cloudservice.h"

#include <QDebug>
#include <QUrlQuery>
#include <QUuid>

namespace {
QString settingsFile()
{
    return configFile().uiConfigFile();
}

// A fragment value as sent: percent-encoded, so decode after splitting.
QString decodedPart(const QString &part)
{
    return QUrl::fromPercentEncoding(part.toLatin1());
}
} // namespace

DropboxAuthorization::DropboxAuthorization(QObject *parent)
    : DropboxManager(parent)
{
    // Direct: the verdict returned by the receiver travels back to the server.
    connect(&redirectServer, &HttpServer::verificationToken, this, &DropboxAuthorization::verificationToken,
            Qt::DirectConnection);
    connect(&redirectServer, &HttpServer::verificationFinish, this, &DropboxAuthorization::verificationFinish);
}

DropboxAuthorization::~DropboxAuthorization()
{
    redirectServer.stopListening();
}

QString DropboxAuthorization::currentState(bool bRenew)
{
    if (bRenew)
        strState = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return strState;
}

QString DropboxAuthorization::redirectUri() const
{
    return cloudRedirectUri(CloudDropbox);
}

QString DropboxAuthorization::buildAuthorizeUrl()
{
    const QString state = currentState(true);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("client_id"), cloudKey(CloudKey::DropboxAppKey));
    query.addQueryItem(QStringLiteral("disable_signup"), QStringLiteral("true"));
    query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("token"));
    query.addQueryItem(QStringLiteral("state"), state);
    query.addQueryItem(QStringLiteral("redirect_uri"), redirectUri());
    QUrl url = cloudUrl(CloudHost::DropboxWeb, QStringLiteral("/oauth2/authorize"));
    url.setQuery(query);
    const QString address = url.toString();
    qInfo() << address;
    return address;
}

bool DropboxAuthorization::startRedirectServer()
{
    // Whoever else holds the port would receive the token: no sign-in then.
    return redirectServer.setRedirectURL(redirectUri()) && redirectServer.startListening();
}

void DropboxAuthorization::stopRedirectServer()
{
    redirectServer.stopListening();
}

int DropboxAuthorization::finishedTokenReply(const QUrl &url)
{
    qDebug() << "DropboxAuthorization::finishedTokenReply";
    qInfo() << redactSecrets(url.toString());
    const QString expected = currentState(false);
    QString received, accountId, teamId, token;
    bool hasAccountId = false, hasTeamId = false, hasToken = false, bearer = false;

    // Everything is read first and stored only once the state has matched:
    // anything on this machine can reach the listener during a sign-in, and
    // must not plant its own account's token.
    const QStringList parts = url.fragment(QUrl::FullyEncoded).split('&');
    for (const QString &part : parts) {
        const QStringList pieces = part.split('=');
        const QString name = decodedPart(pieces.at(0));
        const bool hasValue = pieces.size() > 1;
        const QString value = hasValue ? decodedPart(pieces.at(1)) : QString();
        if (name.compare(QLatin1String("account_id"), Qt::CaseInsensitive) == 0) {
            if (hasValue) {
                accountId = value;
                hasAccountId = true;
            }
        } else if (name.compare(QLatin1String("team_id"), Qt::CaseInsensitive) == 0) {
            if (hasValue) {
                teamId = value;
                hasTeamId = true;
            }
        } else if (name.compare(QLatin1String("access_token"), Qt::CaseInsensitive) == 0) {
            if (hasValue) {
                token = value;
                hasToken = true;
            }
        } else if (name.compare(QLatin1String("token_type"), Qt::CaseInsensitive) == 0) {
            if (hasValue && value.compare(QLatin1String("bearer"), Qt::CaseInsensitive) == 0)
                bearer = true;
        } else if (name.compare(QLatin1String("state"), Qt::CaseInsensitive) == 0) {
            if (hasValue)
                received = value;
        } else if (name.compare(QLatin1String("error_description"), Qt::CaseInsensitive) == 0) {
            return -200;
        }
    }
    // An empty expected state (no address built yet) never matches.
    if (expected.isEmpty() || received != expected)
        return -200;
    if (hasAccountId)
        saveAccountId(accountId);
    if (hasTeamId)
        saveTeamId(teamId);
    if (hasToken)
        saveAccessToken(token);
    if (bearer)
        saveTokenType(QStringLiteral("Bearer"));
    return 0;
}

QString DropboxAuthorization::accessToken() const
{
    return readHexValue(settingsFile(), QStringLiteral("dropbox/AccessToken"));
}

void DropboxAuthorization::saveAccessToken(const QString &value)
{
    writeHexValue(settingsFile(), QStringLiteral("dropbox/AccessToken"), value);
}

void DropboxAuthorization::clearAccessToken()
{
    UserSettings settings(settingsFile());
    settings.remove(QStringLiteral("dropbox/AccessToken"));
}

void DropboxAuthorization::saveAccountId(const QString &value)
{
    writeHexValue(settingsFile(), QStringLiteral("dropbox/AccountId"), value);
}

void DropboxAuthorization::saveTeamId(const QString &value)
{
    writeHexValue(settingsFile(), QStringLiteral("dropbox/TeamId"), value);
}

void DropboxAuthorization::saveTokenType(const QString &value)
{
    writeHexValue(settingsFile(), QStringLiteral("dropbox/TokenType"), value);
}

void DropboxAuthorization::finishedRequest()
{
    qDebug() << "DropboxAuthorization::finishedRequest";
    stopTimer();
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    takeRequestKind(reply);
    // Sign-in sends nothing of its own; nothing to act on.
    reply->close();
    reply->deleteLater();
}

void DropboxAuthorization::errorRequest(QNetworkReply::NetworkError error)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "DropboxAuthorization::errorRequest" << "Request error:" << errorName(error)
             << (reply ? reply->errorString() : QString());
}
