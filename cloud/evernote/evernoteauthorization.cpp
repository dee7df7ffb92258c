#include "cloud/evernote/evernoteauthorization.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "app/redact.h"
#include "cloud/cloudconfig.h"
#include "cloud/cloudservice.h"
#include "cloud/requesttimeout.h"

#include <QDateTime>
#include <QDebug>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QUrlQuery>
#include <QUuid>
#include <QtEndian>

#include <cstdlib>

namespace {
const char kAccessToken[] = "evernote/AccessToken";
const char kRefreshToken[] = "evernote/RefreshToken";
const char kExpiresIn[] = "evernote/ExpiresIn";
const char kUserShard[] = "evernote/UserShard";
const char kUserId[] = "evernote/UserId";
const char kNoteStoreUrl[] = "evernote/NoteStoreUrl";
const char kWebApiUrlPrefix[] = "evernote/WebApiUrlPrefix";

QString settingsFile()
{
    return configFile().uiConfigFile();
}

QString read(const char *key, const QString &defaultValue = QString())
{
    return readHexValue(settingsFile(), QLatin1String(key), defaultValue);
}

void write(const char *key, const QString &value)
{
    writeHexValue(settingsFile(), QLatin1String(key), value);
}

// RFC 5849, 3.6: everything but the unreserved characters is encoded.
QByteArray encoded(const QString &text)
{
    return QUrl::toPercentEncoding(text);
}

QString decoded(const QByteArray &text)
{
    return QUrl::fromPercentEncoding(text);
}

// A form-encoded answer as raw (still encoded) name and value pairs.
QList<QPair<QByteArray, QByteArray>> formPairs(const QByteArray &body)
{
    QList<QPair<QByteArray, QByteArray>> pairs;
    for (const QByteArray &part : body.trimmed().split('&')) {
        if (part.isEmpty())
            continue;
        const int eq = part.indexOf('=');
        pairs.append(eq < 0 ? qMakePair(part, QByteArray()) : qMakePair(part.left(eq), part.mid(eq + 1)));
    }
    return pairs;
}

const char *errorName(QNetworkReply::NetworkError error)
{
    const char *name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
    return name ? name : "UnknownNetworkError";
}
} // namespace

EvernoteAuthorization::EvernoteAuthorization(QObject *parent)
    : QObject(parent)
{
}

EvernoteAuthorization::~EvernoteAuthorization()
{
    redirectServer.stopListening();
}

QString EvernoteAuthorization::redirectUri() const
{
    return cloudRedirectUri(CloudEvernote);
}

QString EvernoteAuthorization::plaintextSignature(const QString &consumerSecret, const QString &tokenSecret)
{
    return QString::fromLatin1(encoded(consumerSecret) + '&' + encoded(tokenSecret));
}

QString EvernoteAuthorization::nonce(bool bNew)
{
    if (!bNew)
        return strNonce;
    quint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value |= quint64(std::rand() & 0xff) << (8 * i);
    const QByteArray uuid = QUuid::createUuid().toRfc4122();
    value ^= qFromLittleEndian<quint64>(uuid.constData());
    value ^= qFromLittleEndian<quint64>(uuid.constData() + 8);
    strNonce = QString::number(value);
    return strNonce;
}

bool EvernoteAuthorization::startRedirectServer()
{
    // The IPv4 loopback must be ours: whoever holds it would be sent the redirect.
    const bool bListening = redirectServer.setRedirectURL(redirectUri()) && redirectServer.startListening()
                            && redirectServer.listeningAddresses().contains(QHostAddress(QHostAddress::LocalHost));
    if (!bListening)
        redirectServer.stopListening();
    return bListening;
}

void EvernoteAuthorization::stopRedirectServer()
{
    redirectServer.stopListening();
}

EvernoteAuthorization::QueryItems EvernoteAuthorization::signedItems(const QString &tokenSecret)
{
    return {
        {QStringLiteral("oauth_consumer_key"), cloudKey(CloudKey::EvernoteConsumerKey)},
        {QStringLiteral("oauth_signature"), plaintextSignature(cloudKey(CloudKey::EvernoteConsumerSecret), tokenSecret)},
        {QStringLiteral("oauth_signature_method"), QStringLiteral("PLAINTEXT")},
        {QStringLiteral("oauth_timestamp"), QString::number(QDateTime::currentSecsSinceEpoch())},
    };
}

QNetworkReply *EvernoteAuthorization::get(const QueryItems &items)
{
    if (!networkManager) {
        networkManager = new QNetworkAccessManager(this);
        networkManager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    }
    QByteArray query;
    for (const auto &item : items) {
        if (!query.isEmpty())
            query += '&';
        query += encoded(item.first) + '=' + encoded(item.second);
    }
    QUrl url = cloudUrl(CloudHost::Evernote, QStringLiteral("/oauth"));
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    QNetworkRequest request(url);
    // A sign-in endpoint that stops answering must not leave the dialog waiting forever.
    request.setTransferTimeout(cloudRequestTimeoutMs());
    return networkManager->get(request);
}

void EvernoteAuthorization::requestTemporaryToken()
{
    qDebug() << "EvernoteAuthorization::requestTemporaryToken";
    strTemporaryToken.clear();
    strTemporarySecret.clear();
    QueryItems items{{QStringLiteral("oauth_callback"), redirectUri()}};
    items += signedItems(QString());
    items.append({QStringLiteral("oauth_nonce"), nonce(true)});
    QNetworkReply *reply = get(items);
    connect(reply, &QNetworkReply::finished, this, &EvernoteAuthorization::finishedTemporaryToken);
    connect(reply, &QNetworkReply::errorOccurred, this, &EvernoteAuthorization::errorTokenReply);
}

void EvernoteAuthorization::finishedTemporaryToken()
{
    qDebug() << "EvernoteAuthorization::finishedTemporaryToken";
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const QByteArray body = reply->readAll();
    const bool failed = reply->error() != QNetworkReply::NoError;
    if (failed)
        qDebug() << errorName(reply->error()) << redactSecrets(reply->errorString()); // names the signed address
    reply->close();
    reply->deleteLater();

    QByteArray rawToken;
    if (!failed) {
        for (const auto &pair : formPairs(body)) {
            if (pair.first == "oauth_token" && rawToken.isEmpty())
                rawToken = pair.second;
            else if (pair.first == "oauth_token_secret")
                strTemporarySecret = decoded(pair.second);
        }
    }
    if (rawToken.isEmpty()) {
        if (!failed)
            qWarning() << "Temporary token missing from response";
        emit generateTemporaryToken(-200, QString());
        return;
    }
    strTemporaryToken = decoded(rawToken);
    // The page receives the token pair exactly as the service wrote it.
    emit generateTemporaryToken(0, cloudUrl(CloudHost::Evernote, QStringLiteral("/OAuth.action")).toString()
                                       + QStringLiteral("?oauth_token=") + QString::fromLatin1(rawToken));
}

int EvernoteAuthorization::getAuthorizationCode(const QUrl &url)
{
    qDebug() << "EvernoteAuthorization::getAuthorizationCode";
    qInfo() << redactSecrets(url.toString());
    const QUrlQuery query(url);
    if (url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment).toString() != redirectUri()
        || !query.hasQueryItem(QStringLiteral("oauth_token")))
        return -204;
    if (query.queryItemValue(QStringLiteral("oauth_verifier"), QUrl::FullyDecoded).isEmpty())
        return -200;
    // A redirect for a token this sign-in did not ask for is not ours to complete.
    if (strTemporaryToken.isEmpty()
        || query.queryItemValue(QStringLiteral("oauth_token"), QUrl::FullyDecoded) != strTemporaryToken) {
        qWarning() << "Redirect does not belong to this sign-in";
        return -200;
    }
    getGrantToken(query.queryItems(QUrl::FullyDecoded));
    return 0;
}

void EvernoteAuthorization::getGrantToken(const QueryItems &items)
{
    qDebug() << "EvernoteAuthorization::getGrantToken";
    QueryItems all = signedItems(strTemporarySecret);
    all.append({QStringLiteral("oauth_nonce"), nonce(false)});
    all += items;
    QNetworkReply *reply = get(all);
    connect(reply, &QNetworkReply::finished, this, &EvernoteAuthorization::finishedTokenReply);
    connect(reply, &QNetworkReply::errorOccurred, this, &EvernoteAuthorization::errorTokenReply);
}

bool EvernoteAuthorization::storeAccessAnswer(const QByteArray &body)
{
    QMap<QString, QString> values;
    for (const auto &pair : formPairs(body)) {
        if (!pair.second.isEmpty())
            values.insert(QString::fromLatin1(pair.first).toLower(), decoded(pair.second));
    }
    const QString token = values.value(QStringLiteral("oauth_token"));
    const QString store = values.value(QStringLiteral("edam_notestoreurl"));
    // Without these two the account cannot be used: not a sign-in.
    if (token.isEmpty() || store.isEmpty())
        return false;
    saveAccessToken(token);
    saveNoteStoreUrl(store);
    saveExpiresIn(values.value(QStringLiteral("edam_expires")).toLongLong() / 1000);
    saveUserShard(values.value(QStringLiteral("edam_shard")));
    saveUserId(values.value(QStringLiteral("edam_userid")));
    saveWebApiUrlPrefix(values.value(QStringLiteral("edam_webapiurlprefix")));
    return true;
}

void EvernoteAuthorization::finishedTokenReply()
{
    qDebug() << "EvernoteAuthorization::finishedTokenReply";
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const QByteArray body = reply->readAll();
    const bool failed = reply->error() != QNetworkReply::NoError;
    reply->close();
    reply->deleteLater();
    strTemporaryToken.clear();
    strTemporarySecret.clear();

    if (failed || !storeAccessAnswer(body)) {
        qWarning() << "Access token missing from response";
        emit authenticationFinished(-206);
        return;
    }
    emit authenticationFinished(0);
}

void EvernoteAuthorization::errorTokenReply(QNetworkReply::NetworkError error)
{
    qDebug() << "EvernoteAuthorization::errorTokenReply";
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "onTokenReplyError:" << errorName(error) << ":"
             << (reply ? redactSecrets(reply->errorString()) : QString());
    if (reply)
        qDebug() << "onTokenReplyError:" << redactSecrets(QString::fromUtf8(reply->peek(reply->bytesAvailable())));
    saveAccessToken(QString());
    saveRefreshToken(QString());
}

QString EvernoteAuthorization::accessToken() const
{
    return read(kAccessToken);
}

qint64 EvernoteAuthorization::expiresIn() const
{
    return read(kExpiresIn, QStringLiteral("0")).toLongLong();
}

QString EvernoteAuthorization::noteStoreUrl() const
{
    return read(kNoteStoreUrl);
}

QString EvernoteAuthorization::userShard() const
{
    return read(kUserShard);
}

QString EvernoteAuthorization::userId() const
{
    return read(kUserId);
}

QString EvernoteAuthorization::webApiUrlPrefix() const
{
    return read(kWebApiUrlPrefix);
}

void EvernoteAuthorization::saveAccessToken(const QString &value)
{
    write(kAccessToken, value);
}

void EvernoteAuthorization::saveRefreshToken(const QString &value)
{
    write(kRefreshToken, value);
}

void EvernoteAuthorization::saveExpiresIn(qint64 seconds)
{
    write(kExpiresIn, QString::number(seconds));
}

void EvernoteAuthorization::saveUserShard(const QString &value)
{
    write(kUserShard, value);
}

void EvernoteAuthorization::saveUserId(const QString &value)
{
    write(kUserId, value);
}

void EvernoteAuthorization::saveNoteStoreUrl(const QString &value)
{
    write(kNoteStoreUrl, value);
}

void EvernoteAuthorization::saveWebApiUrlPrefix(const QString &value)
{
    write(kWebApiUrlPrefix, value);
}
