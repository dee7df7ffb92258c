#include "cloud/google/googleauthorization.h"

#include "app/redact.h"

#include <QDebug>
#include <QUrlQuery>

namespace {
const OAuthService kGoogle{CloudGoogleDrive,
                           CloudHost::GoogleAccounts,
                           "/o/oauth2/auth",
                           "/o/oauth2/token",
                           CloudKey::GoogleClientId,
                           CloudKey::GoogleClientSecret,
                           false};
} // namespace

GoogleAuthorization::GoogleAuthorization(QObject *parent)
    : GoogleManager(parent)
    , signIn(kGoogle)
    , bSystemBrowser(cloudUsesSystemBrowser(CloudGoogleDrive))
{
    // Direct: the verdict travels back to the listener, which answers the browser with it.
    connect(&redirectServer, &HttpServer::verificationToken, this, &GoogleAuthorization::takeRedirect,
            Qt::DirectConnection);
    connect(&redirectServer, &HttpServer::verificationFinish, this, &GoogleAuthorization::redirectAnswered);
}

GoogleAuthorization::~GoogleAuthorization()
{
    redirectServer.stopListening();
}

QString GoogleAuthorization::driveScope()
{
    // The scope names the permission, not a host: it is the same whatever
    // host the API is reached on.
    return QStringLiteral("https://www.googleapis.com/auth/drive");
}

QString GoogleAuthorization::redirectUri() const
{
    return signIn.redirectUri();
}

QString GoogleAuthorization::buildAuthorizeUrl()
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("access_type"), QStringLiteral("offline"));
    query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code"));
    query.addQueryItem(QStringLiteral("client_id"), signIn.clientId());
    query.addQueryItem(QStringLiteral("redirect_uri"), redirectUri());
    query.addQueryItem(QStringLiteral("scope"), driveScope());
    for (const auto &item : signIn.startSignIn())
        query.addQueryItem(item.first, item.second);
    QUrl url = cloudUrl(CloudHost::GoogleAccounts, QStringLiteral("/o/oauth2/auth"));
    url.setQuery(query);
    const QString address = url.toString();
    qInfo() << address;
    return address;
}

bool GoogleAuthorization::startRedirectServer()
{
    bFailAfterAnswer = false;
    return signIn.startListening(redirectServer, bSystemBrowser);
}

void GoogleAuthorization::stopRedirectServer()
{
    redirectServer.stopListening();
}

int GoogleAuthorization::getAuthorizationCode(const QUrl &url)
{
    qDebug() << "GoogleAuthorization::getAuthorizationCode";
    qInfo() << redactSecrets(url.toString());
    QMap<QString, QString> params;
    if (signIn.takeRedirect(url, false, params) != OAuthSignIn::Redirect::Code)
        return -200;
    getGrantToken(params);
    return 0;
}

bool GoogleAuthorization::takeRedirect(const QString &strUrl)
{
    qDebug() << "GoogleAuthorization::takeRedirect";
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

void GoogleAuthorization::redirectAnswered(bool bSuccess)
{
    qDebug() << "GoogleAuthorization::redirectAnswered" << bSuccess;
    if (bFailAfterAnswer) {
        bFailAfterAnswer = false;
        emit authenticationFinished(-200);
    }
}

void GoogleAuthorization::getGrantToken(const QMap<QString, QString> &params)
{
    qDebug() << "GoogleAuthorization::getGrantToken";
    // The code may have been found under any spelling of its name.
    QString code;
    for (auto it = params.begin(); it != params.end(); ++it) {
        if (it.key().compare(QLatin1String("code"), Qt::CaseInsensitive) == 0)
            code = it.value();
    }
    QNetworkRequest request = signIn.tokenRequest();
    request.setRawHeader("Accept", "application/json");
    const QByteArray body = signIn.exchangeBody(code, {{QStringLiteral("scope"), driveScope()}});
    postRequest(request, body, RequestToken);
}

QByteArray GoogleAuthorization::buildFormBody(const QMap<QString, QString> &params)
{
    return buildEncodedFormBody(params);
}

int GoogleAuthorization::getRefreshTokenRequest(QNetworkRequest &request, QByteArray &body)
{
    qDebug() << "GoogleAuthorization::getRefreshTokenRequest";
    return signIn.refreshRequest(request, body, false);
}

QVariantMap GoogleAuthorization::parseTokenResponse(const QByteArray &body)
{
    qDebug() << "GoogleAuthorization::parseTokenResponse";
    return parseTokenAnswer(body);
}

void GoogleAuthorization::saveRefreshToken(const QByteArray &body)
{
    qDebug() << "GoogleAuthorization::saveRefreshToken";
    const QVariantMap answer = parseTokenResponse(body);
    logTokenAnswer(answer);
    emit authenticationFinished(signIn.tokens().storeAnswer(answer, true, true));
}

int GoogleAuthorization::saveToken(const QByteArray &body)
{
    qDebug() << "GoogleAuthorization::saveToken";
    const QVariantMap answer = parseTokenResponse(body);
    logTokenAnswer(answer);
    return signIn.tokens().storeAnswer(answer, false, false);
}

QString GoogleAuthorization::accessToken() const
{
    return isTokenExpired() ? QString() : signIn.tokens().accessToken();
}

bool GoogleAuthorization::isTokenExpired() const
{
    return signIn.tokens().isTokenExpired();
}

QString GoogleAuthorization::refreshToken() const
{
    return signIn.tokens().refreshToken();
}

qint64 GoogleAuthorization::expiresIn() const
{
    return signIn.tokens().expiresIn();
}

void GoogleAuthorization::saveAccessToken(const QString &value)
{
    signIn.tokens().saveAccessToken(value);
}

void GoogleAuthorization::saveExpiresIn(qint64 nSeconds)
{
    signIn.tokens().saveExpiresIn(nSeconds);
}

void GoogleAuthorization::storeRefreshToken(const QString &value)
{
    signIn.tokens().storeRefreshToken(value);
}

void GoogleAuthorization::finishedRequest()
{
    qDebug() << "GoogleAuthorization::finishedRequest";
    stopTimer();
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const int kind = takeRequestKind(reply);
    if (reply->error() != QNetworkReply::NoError) {
        qDebug() << redactSecrets(QString::fromUtf8(reply->readAll()));
        if (kind == RequestToken)
            emit authenticationFinished(-200);
    } else if (kind == RequestToken) {
        saveRefreshToken(reply->readAll());
    }
    reply->close();
    reply->deleteLater();
}

void GoogleAuthorization::errorRequest(QNetworkReply::NetworkError error)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "GoogleAuthorization::errorRequest" << "Request error:" << errorName(error)
             << (reply ? reply->errorString() : QString());
}

// The Google manager reaches the authorization through these two.
int googleRefreshTokenRequest(QNetworkRequest &request, QByteArray &body)
{
    GoogleAuthorization reader;
    return reader.getRefreshTokenRequest(request, body);
}

int googleSaveTokenResponse(const QByteArray &body)
{
    GoogleAuthorization writer;
    return writer.saveToken(body);
}
