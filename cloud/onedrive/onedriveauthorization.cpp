#include "cloud/onedrive/onedriveauthorization.h"

#include "app/redact.h"

#include <QDebug>
#include <QUrlQuery>

namespace {
const OAuthService kOneDrive{CloudOneDrive,
                             CloudHost::MicrosoftLogin,
                             "/common/oauth2/v2.0/authorize",
                             "/common/oauth2/v2.0/token",
                             CloudKey::OneDriveClientId,
                             CloudKey::OneDriveClientSecret,
                             true};

const char kScope[] = "Files.ReadWrite offline_access";
} // namespace

OneDriveAuthorization::OneDriveAuthorization(QObject *parent)
    : OneDriveManager(parent)
    , signIn(kOneDrive)
    , bSystemBrowser(cloudUsesSystemBrowser(CloudOneDrive))
{
    // Direct: the verdict travels back to the listener, which answers the browser with it.
    connect(&redirectServer, &HttpServer::verificationToken, this, &OneDriveAuthorization::takeRedirect,
            Qt::DirectConnection);
    connect(&redirectServer, &HttpServer::verificationFinish, this, &OneDriveAuthorization::redirectAnswered);
}

OneDriveAuthorization::~OneDriveAuthorization()
{
    redirectServer.stopListening();
}

QString OneDriveAuthorization::redirectUri() const
{
    return signIn.redirectUri();
}

QString OneDriveAuthorization::buildAuthorizeUrl()
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("client_id"), signIn.clientId());
    query.addQueryItem(QStringLiteral("scope"), QLatin1String(kScope));
    query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code"));
    query.addQueryItem(QStringLiteral("redirect_uri"), redirectUri());
    for (const auto &item : signIn.startSignIn())
        query.addQueryItem(item.first, item.second);
    QUrl url = cloudUrl(CloudHost::MicrosoftLogin, QStringLiteral("/common/oauth2/v2.0/authorize"));
    url.setQuery(query);
    const QString address = url.toString();
    qInfo() << address;
    return address;
}

bool OneDriveAuthorization::startRedirectServer()
{
    bFailAfterAnswer = false;
    return signIn.startListening(redirectServer, bSystemBrowser);
}

void OneDriveAuthorization::stopRedirectServer()
{
    redirectServer.stopListening();
}

int OneDriveAuthorization::getAuthorizationCode(const QUrl &url)
{
    qDebug() << "OneDriveAuthorization::getAuthorizationCode";
    qInfo() << redactSecrets(url.toString());
    const OAuthRedirect redirect = parseRedirect(url);
    QMap<QString, QString> params;
    const OAuthSignIn::Redirect verdict = signIn.takeRedirect(url, false, params);
    // A token carried by the redirect itself is kept, unless the redirect
    // belongs to another sign-in.
    if (redirect.bHasAccessToken && signIn.stateMatches(redirect, false))
        saveAccessToken(redirect.accessToken);
    if (verdict != OAuthSignIn::Redirect::Code)
        return -200;
    getGrantToken(params);
    return 0;
}

bool OneDriveAuthorization::takeRedirect(const QString &strUrl)
{
    qDebug() << "OneDriveAuthorization::takeRedirect";
    QMap<QString, QString> params;
    switch (signIn.takeRedirect(QUrl(strUrl), true, params)) {
    case OAuthSignIn::Redirect::Ignored: return false;
    case OAuthSignIn::Redirect::Failed:
        // The user refused, or the service failed: once the browser has its
        // page, the sign-in is over.
        bFailAfterAnswer = true;
        return false;
    case OAuthSignIn::Redirect::Code: break;
    }
    getGrantToken(params);
    return true;
}

void OneDriveAuthorization::redirectAnswered(bool bSuccess)
{
    qDebug() << "OneDriveAuthorization::redirectAnswered" << bSuccess;
    if (bFailAfterAnswer) {
        bFailAfterAnswer = false;
        emit authenticationFinished(-200);
    }
}

void OneDriveAuthorization::getGrantToken(const QMap<QString, QString> &params)
{
    qDebug() << "OneDriveAuthorization::getGrantToken";
    QString code;
    for (auto it = params.begin(); it != params.end(); ++it) {
        if (it.key().compare(QLatin1String("code"), Qt::CaseInsensitive) == 0)
            code = it.value();
    }
    postRequest(signIn.tokenRequest(), signIn.exchangeBody(code, {}), RequestToken);
}

QByteArray OneDriveAuthorization::buildEncodedFormBody(const QMap<QString, QString> &params)
{
    return ::buildEncodedFormBody(params);
}

int OneDriveAuthorization::getRefreshTokenRequest(QNetworkRequest &request, QByteArray &body)
{
    qDebug() << "OneDriveAuthorization::getRefreshTokenRequest";
    return signIn.refreshRequest(request, body, true);
}

QVariantMap OneDriveAuthorization::parseTokenResponse(const QByteArray &body)
{
    qDebug() << "OneDriveAuthorization::parseTokenResponse";
    return parseTokenAnswer(body);
}

void OneDriveAuthorization::saveRefreshToken(const QByteArray &body)
{
    qDebug() << "OneDriveAuthorization::saveRefreshToken";
    const QVariantMap answer = parseTokenResponse(body);
    logTokenAnswer(answer);
    emit authenticationFinished(signIn.tokens().storeAnswer(answer, true, true));
}

int OneDriveAuthorization::saveToken(const QByteArray &body)
{
    qDebug() << "OneDriveAuthorization::saveToken";
    const QVariantMap answer = parseTokenResponse(body);
    logTokenAnswer(answer);
    return signIn.tokens().storeAnswer(answer, false, true);
}

QString OneDriveAuthorization::accessToken() const
{
    return signIn.tokens().accessToken();
}

bool OneDriveAuthorization::isTokenExpired() const
{
    return signIn.tokens().isTokenExpired();
}

QString OneDriveAuthorization::refreshToken() const
{
    return signIn.tokens().refreshToken();
}

qint64 OneDriveAuthorization::expiresIn() const
{
    return signIn.tokens().expiresIn();
}

void OneDriveAuthorization::saveAccessToken(const QString &value)
{
    signIn.tokens().saveAccessToken(value);
}

void OneDriveAuthorization::saveExpiresIn(qint64 nSeconds)
{
    signIn.tokens().saveExpiresIn(nSeconds);
}

void OneDriveAuthorization::storeRefreshToken(const QString &value)
{
    signIn.tokens().storeRefreshToken(value);
}

void OneDriveAuthorization::finishedRequest()
{
    qDebug() << "OneDriveAuthorization::finishedRequest";
    stopTimer();
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const int kind = takeRequestKind(reply);
    if (reply->error() != QNetworkReply::NoError) {
        qDebug() << redactSecrets(QString::fromUtf8(reply->readAll()));
        emit authenticationFinished(-200);
    } else if (kind == RequestToken) {
        saveRefreshToken(reply->readAll());
    }
    reply->close();
    reply->deleteLater();
}

void OneDriveAuthorization::errorRequest(QNetworkReply::NetworkError error)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "OneDriveAuthorization::errorRequest" << "Request error:" << errorName(error)
             << (reply ? reply->errorString() : QString());
    // A failed sign-in leaves nothing half usable behind.
    saveAccessToken(QString());
    storeRefreshToken(QString());
}

// The OneDrive manager reaches the authorization through these two.
int onedriveRefreshTokenRequest(QNetworkRequest &request, QByteArray &body)
{
    OneDriveAuthorization reader;
    return reader.getRefreshTokenRequest(request, body);
}

int onedriveSaveTokenResponse(const QByteArray &body)
{
    OneDriveAuthorization writer;
    return writer.saveToken(body);
}
