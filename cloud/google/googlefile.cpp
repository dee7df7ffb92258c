#include "cloud/google/googlefile.h"

#include "app/redact.h"
#include "cloud/cloudservice.h"
#include "cloud/filerangedevice.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

namespace {
// Whoever holds a session address can send to it: its query stays out of the log.
QString sessionForLog(const QString &address)
{
    const QUrl url(address);
    return url.hasQuery() ? url.toString(QUrl::RemoveQuery) + QStringLiteral("?") + redacted() : address;
}

QNetworkRequest bearerRequest(const QUrl &url, const QString &token)
{
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", QStringLiteral("Bearer %1").arg(token).toLatin1());
    return request;
}
} // namespace

GoogleFile::GoogleFile(QObject *parent)
    : GoogleManager(parent)
{
}

QString GoogleFile::mimeType(int nImageType)
{
    switch (nImageType) {
    case 1: return QStringLiteral("image/jpeg");
    case 3: return QStringLiteral("image/tiff");
    case 4: return QStringLiteral("application/pdf");
    default: return QString();
    }
}

void GoogleFile::report(int nErrorCode)
{
    if (nErrorCode == 0)
        nOperation = 0;
    emit finishedCreateFile(nErrorCode, strFileName, QString());
}

int GoogleFile::createFile(const QString &strFolderId, const QString &strFileName, int nImageType)
{
    nOperation = RequestUploadData;
    setErrorCode(0);
    this->strFolderId = strFolderId;
    this->strFileName = strFileName;
    this->nImageType = nImageType;

    QString token;
    bool bRefreshing = false;
    const int nCode = prepareToken(token, bRefreshing);
    if (nCode != 0) {
        report(-200);
        return nCode;
    }
    if (bRefreshing)
        return 0;

    QFile file(strFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        report(-201);
        return -201;
    }
    const qint64 size = file.size();
    file.close();

    const QString mime = mimeType(nImageType);
    QJsonObject body;
    body.insert(QStringLiteral("description"), QString(""));
    if (!mime.isEmpty())
        body.insert(QStringLiteral("mimeType"), mime);
    body.insert(QStringLiteral("title"), QFileInfo(strFileName).fileName());
    body.insert(QStringLiteral("parents"), QJsonArray{QJsonObject{{QStringLiteral("id"), strFolderId}}});

    QUrl url = cloudUrl(CloudHost::GoogleApi, QStringLiteral("/upload/drive/v2/files"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("uploadType"), QStringLiteral("resumable"));
    query.addQueryItem(QStringLiteral("convert"), QStringLiteral("False"));
    query.addQueryItem(QStringLiteral("ocr"), QStringLiteral("False"));
    url.setQuery(query);
    QNetworkRequest request = bearerRequest(url, token);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json; charset=utf-8"));
    request.setRawHeader("X-Upload-Content-Length", QByteArray::number(size));
    if (!mime.isEmpty())
        request.setRawHeader("X-Upload-Content-Type", mime.toLatin1());
    postRequest(request, QJsonDocument(body).toJson(QJsonDocument::Compact), RequestUploadStart);
    return 0;
}

int GoogleFile::uploadData(const QString &sessionUrl)
{
    // The session was opened with this token a moment ago.
    const QString token = storedAccessToken();
    if (token.isEmpty() || sessionUrl.isEmpty()) {
        report(-200);
        return -200;
    }
    qInfo() << sessionForLog(sessionUrl);
    QFileInfo info(strFileName);
    const qint64 size = info.exists() ? info.size() : 0;
    auto *file = new FileRangeDevice(strFileName, 0, size);
    if (!info.exists() || !file->open()) {
        delete file;
        report(-201);
        return -201;
    }
    QNetworkRequest request = bearerRequest(QUrl(sessionUrl), token);
    // An empty file has no first and last byte: "*/0" is the form for it.
    request.setRawHeader("Content-Range", size > 0 ? QStringLiteral("bytes 0-%1/%2").arg(size - 1).arg(size).toLatin1()
                                                   : QByteArray("bytes */0"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, size);
    // Read from disk as the socket takes it; the reply owns the file.
    QNetworkReply *reply = sendRequest(Method::Put, request, file, RequestUploadData);
    file->setParent(reply);
    return 0;
}

void GoogleFile::finishedRequest()
{
    qDebug() << "GoogleFile::finishedRequest";
    stopTimer();
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const int kind = takeRequestKind(reply);
    const QNetworkReply::NetworkError error = reply->error();
    const int status = httpStatus(reply);
    const QByteArray body = reply->readAll();
    if (error != QNetworkReply::NoError) {
        qDebug() << errorName(error) << reply->errorString();
        qDebug() << redactSecrets(QString::fromUtf8(body));
    }

    if (kind == RequestToken) {
        handleRefreshReply(reply, body);
    } else if (kind == RequestUploadStart || kind == RequestUploadData) {
        if (error != QNetworkReply::NoError) {
            report(uploadErrorCode(error, status, errorCode(), body));
        } else if (kind == RequestUploadStart) {
            const QString location = QString::fromLatin1(reply->rawHeader("Location"));
            qDebug() << "HTTP status:" << status << "Content-Length:" << reply->rawHeader("Content-Length");
            qInfo() << "Location:" << sessionForLog(location);
            if (location.isEmpty())
                report(-210); // no session to send to
            else
                uploadData(location);
        } else {
            // Only 200 or 201 with the file's metadata mean the file exists; a
            // 308 says bytes are missing.
            const bool stored = (status == 200 || status == 201) && isStoredFileAnswer(body);
            if (!stored)
                qDebug() << "Not a stored file:" << status << redactSecrets(QString::fromUtf8(body.left(200)));
            report(stored ? 0 : -210);
        }
    }
    reply->close();
    reply->deleteLater();
}

void GoogleFile::handleRefreshReply(QNetworkReply *reply, const QByteArray &body)
{
    switch (takeRefreshAnswer(reply->error(), httpStatus(reply), body)) {
    case RefreshOutcome::Stored:
        if (nOperation == RequestUploadData)
            createFile(strFolderId, strFileName, nImageType); // reports its own failures
        break;
    case RefreshOutcome::Unstorable:
    case RefreshOutcome::Refused: report(-200); break;
    case RefreshOutcome::Cancelled: report(-6); break;
    case RefreshOutcome::TimedOut: report(-212); break;
    case RefreshOutcome::Failed: report(-210); break;
    }
}

int GoogleFile::uploadErrorCode(QNetworkReply::NetworkError error, int nHttpStatus, int nManagerCode,
                                const QByteArray &body)
{
    if (error == QNetworkReply::OperationCanceledError)
        return nManagerCode == -212 ? -212 : -6;
    if (nHttpStatus == 403) {
        // Only a full account is a capacity problem; rate limits, a missing
        // scope or a read-only folder are failed uploads.
        const QJsonObject answer = QJsonDocument::fromJson(body).object();
        const QJsonArray errors =
            answer.value(QStringLiteral("error")).toObject().value(QStringLiteral("errors")).toArray();
        for (const QJsonValue &e : errors) {
            const QString reason = e.toObject().value(QStringLiteral("reason")).toString();
            if (reason == QLatin1String("storageQuotaExceeded") || reason == QLatin1String("quotaExceeded"))
                return -211;
        }
    }
    return -210;
}

void GoogleFile::errorRequest(QNetworkReply::NetworkError error)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "GoogleFile::errorRequest" << "Request error:" << errorName(error)
             << (reply ? reply->errorString() : QString());
}
