#include "cloud/onedrive/onedrivefile.h"

#include "app/redact.h"
#include "cloud/cloudservice.h"
#include "cloud/filerangedevice.h"
#include "cloud/onedrive/onedrivefolder.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

OneDriveFile::OneDriveFile(QObject *parent)
    : OneDriveManager(parent)
{
}

OneDriveFile::~OneDriveFile() = default;

void OneDriveFile::report(int nErrorCode)
{
    if (nErrorCode == 0)
        nOperation = 0;
    emit finishedCreateFile(nErrorCode, strFileName, QString());
}

int OneDriveFile::createFile(const QString &strFolderId, const QString &strFileName, int nImageType)
{
    nOffset = 0;
    nFileSize = 0;
    nOperation = RequestUploadData;
    setErrorCode(0);
    this->strFolderId = strFolderId;
    this->strFileName = strFileName;
    this->nImageType = nImageType;
    strUploadUrl.clear();
    bSimpleUpload = false;

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
    nFileSize = file.size();
    file.close();

    const QString name = QFileInfo(strFileName).fileName();
    const QString remote = QString::fromLatin1(QUrl::toPercentEncoding(joinPath(strFolderId, name), "/"));
    QNetworkRequest request;
    request.setRawHeader("Authorization", QStringLiteral("Bearer %1").arg(token).toLatin1());
    if (nFileSize == 0) {
        // A session cannot hold zero bytes: write the empty item directly.
        QUrl url = cloudUrl(CloudHost::MicrosoftGraph, QStringLiteral("/v1.0/me/drive/items/root:%1:/content").arg(remote));
        url.setQuery(QStringLiteral("@microsoft.graph.conflictBehavior=rename"));
        qInfo() << url.toString();
        request.setUrl(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/octet-stream"));
        bSimpleUpload = true;
        putRequest(request, QByteArray(), RequestUploadData);
        return 0;
    }

    const QUrl url =
        cloudUrl(CloudHost::MicrosoftGraph, QStringLiteral("/v1.0/me/drive/items/root:%1:/createUploadSession").arg(remote));
    qInfo() << url.toString();
    request.setUrl(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    QJsonObject item;
    item.insert(QStringLiteral("@microsoft.graph.conflictBehavior"), QStringLiteral("rename"));
    item.insert(QStringLiteral("description"), QString(""));
    item.insert(QStringLiteral("name"), name);
    item.insert(QStringLiteral("fileSystemInfo"),
                QJsonObject{{QStringLiteral("@odata.type"), QStringLiteral("microsoft.graph.fileSystemInfo")}});
    postRequest(request, QJsonDocument(QJsonObject{{QStringLiteral("item"), item}}).toJson(QJsonDocument::Compact),
                RequestUploadStart);
    return 0;
}

void OneDriveFile::sendFragment()
{
    const qint64 length = qMin(kFragmentSize, nFileSize - nOffset);
    auto *device = new FileRangeDevice(strFileName, nOffset, length);
    if (!device->open()) {
        // Gone, or shorter than when the session was opened.
        delete device;
        report(-201);
        return;
    }
    const QByteArray range =
        QStringLiteral("bytes %1-%2/%3").arg(nOffset).arg(nOffset + length - 1).arg(nFileSize).toLatin1();
    qDebug() << "Content-Range:" << range;
    // Pre-authenticated: a bearer token here can make the service refuse the fragment.
    QNetworkRequest request{QUrl(strUploadUrl)};
    request.setRawHeader("Content-Range", range);
    request.setHeader(QNetworkRequest::ContentLengthHeader, length);
    QNetworkReply *reply = sendRequest(Method::Put, request, device, RequestUploadData);
    device->setParent(reply);
    nOffset += length;
}

void OneDriveFile::finishedRequest()
{
    qDebug() << "OneDriveFile::finishedRequest";
    stopTimer();
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const int kind = takeRequestKind(reply);
    const QNetworkReply::NetworkError error = reply->error();
    const int status = httpStatus(reply);
    const QByteArray body = reply->readAll();
    reply->close();
    reply->deleteLater();
    if (error != QNetworkReply::NoError && kind != RequestNone) {
        qDebug() << errorName(error) << reply->errorString();
        qDebug() << redactSecrets(QString::fromUtf8(body));
    }

    if (kind == RequestToken) {
        handleRefreshReply(reply, body);
    } else if (kind == RequestUploadStart || kind == RequestUploadData) {
        if (error != QNetworkReply::NoError) {
            report(uploadErrorCode(error, status, errorCode()));
        } else if (kind == RequestUploadStart) {
            strUploadUrl = QJsonDocument::fromJson(body).object().value(QStringLiteral("uploadUrl")).toString();
            if (strUploadUrl.isEmpty())
                report(-210); // no session to send to
            else
                sendFragment();
        } else if (bSimpleUpload || nOffset >= nFileSize) {
            // Only the item in the answer says the file exists.
            const bool stored = (status == 200 || status == 201) && isStoredFileAnswer(body);
            if (!stored)
                qDebug() << "Not a stored file:" << status << redactSecrets(QString::fromUtf8(body.left(200)));
            report(stored ? 0 : -210);
        } else {
            sendFragment();
        }
    }
}

void OneDriveFile::handleRefreshReply(QNetworkReply *reply, const QByteArray &body)
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

int OneDriveFile::uploadErrorCode(QNetworkReply::NetworkError error, int nHttpStatus, int nManagerCode)
{
    if (error == QNetworkReply::OperationCanceledError)
        return nManagerCode == -212 ? -212 : -6;
    // A full drive answers 507 to the session as well as to a fragment.
    return nHttpStatus == 507 ? -211 : -210;
}

void OneDriveFile::errorRequest(QNetworkReply::NetworkError error)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "OneDriveFile::errorRequest" << "Request error:" << errorName(error)
             << (reply ? reply->errorString() : QString());
}
