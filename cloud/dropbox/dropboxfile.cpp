#include "cloud/dropbox/dropboxfile.h"

#include "cloud/cloudservice.h"
#include "cloud/dropbox/dropboxapi.h"
#include "cloud/dropbox/dropboxauthorization.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

// The body of one upload request. Owning it here, rather than handing the
// bytes to the network stack, lets the chunk be freed as soon as its answer
// is in, before the next chunk is read: one chunk in memory at a time.
class DropboxChunkDevice : public QIODevice
{
public:
    explicit DropboxChunkDevice(QByteArray bytes)
        : data(std::move(bytes))
    {
        open(QIODevice::ReadOnly);
    }

    void release()
    {
        data = QByteArray();
    }

    bool isSequential() const override { return false; }
    qint64 size() const override { return data.size(); }

protected:
    qint64 readData(char *out, qint64 maxSize) override
    {
        const qint64 at = pos();
        if (at >= data.size())
            return 0;
        const qint64 n = qMin(maxSize, qint64(data.size()) - at);
        std::memcpy(out, data.constData() + at, size_t(n));
        return n;
    }

    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray data;
};

namespace {
QString readToken()
{
    DropboxAuthorization reader;
    return reader.accessToken();
}
} // namespace

DropboxFile::DropboxFile(QObject *parent)
    : DropboxManager(parent)
{
}

DropboxFile::~DropboxFile() = default;

int DropboxFile::createFile(const QString &strFolderId, const QString &strFileName, int nImageType)
{
    nOperation = RequestUploadData;
    setErrorCode(0);
    if (isBlankToken(readToken())) {
        emit finishedCreateFile(-200, strFileName, QString());
        return -200;
    }
    strDestination = strFolderId;
    this->strFileName = strFileName;
    this->nImageType = nImageType;
    bLastChunkSent = false;
    nOffset = 0;
    strSessionId.clear();

    QFile file(strFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        emit finishedCreateFile(-201, strFileName, QString());
        return -201;
    }
    const QByteArray bytes = file.read(kDropboxChunkSize);
    file.close();
    nOffset = bytes.size();

    QJsonObject arg;
    arg.insert(QStringLiteral("close"), false);
    if (!sendData(QStringLiteral("/2/files/upload_session/start"), arg, bytes))
        return -200;
    return 0;
}

bool DropboxFile::sendData(const QString &path, const QJsonObject &arg, const QByteArray &data)
{
    const QString token = readToken();
    if (isBlankToken(token)) {
        emit finishedCreateFile(-200, strFileName, QString());
        return false;
    }
    const QByteArray header = dropboxApiArg(arg);
    qDebug() << "Dropbox-API-Arg:" << header;
    QNetworkRequest request = dropboxRequest(CloudHost::DropboxContent, path, token, "application/octet-stream");
    request.setRawHeader("Dropbox-API-Arg", header);
    request.setHeader(QNetworkRequest::ContentLengthHeader, data.size());

    auto *device = new DropboxChunkDevice(data);
    QNetworkReply *reply = sendRequest(Method::Post, request, device, RequestUploadData);
    device->setParent(reply);
    chunk = device;
    return true;
}

void DropboxFile::releaseChunk()
{
    if (chunk)
        chunk->release();
    chunk.clear();
}

void DropboxFile::finishedRequest()
{
    qDebug() << "DropboxFile::finishedRequest";
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
    if (kind != RequestUploadData)
        return;
    releaseChunk();

    if (error != QNetworkReply::NoError) {
        qDebug() << errorName(error) << reply->errorString();
        qDebug() << body;
        if (status == 401 && error != QNetworkReply::OperationCanceledError) {
            // Expired or revoked: the user has to sign in again.
            DropboxAuthorization().clearAccessToken();
            emit finishedCreateFile(-200, strFileName, QString());
            return;
        }
        emit finishedCreateFile(dropboxUploadErrorCode(error, status, errorCode(), body), strFileName, QString());
        return;
    }
    continueUpload(body);
}

void DropboxFile::continueUpload(const QByteArray &body)
{
    if (strSessionId.isEmpty()) {
        strSessionId = QJsonDocument::fromJson(body).object().value(QStringLiteral("session_id")).toString();
        if (strSessionId.isEmpty()) {
            // Appending to no session would only fail later, less clearly.
            qDebug() << "No upload session in" << body;
            emit finishedCreateFile(-210, strFileName, QString());
            return;
        }
    }
    if (bLastChunkSent) {
        // Only the metadata of the file, with every byte sent, is a success;
        // anything else (a proxy's page, a truncated commit) is not.
        const bool committed = isCommittedFile(body, nOffset);
        if (!committed)
            qDebug() << "Not a committed file:" << body;
        emit finishedCreateFile(committed ? 0 : -210, strFileName, QString());
        return;
    }

    QFile file(strFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        emit finishedCreateFile(-201, strFileName, QString());
        return;
    }
    const qint64 sent = nOffset;
    const qint64 size = file.size();
    QByteArray bytes;
    bool bAppend = false;
    if (size <= sent) {
        // Everything is sent (or the file shrank): finish with an empty body.
        bLastChunkSent = true;
    } else if (size - sent > kDropboxChunkSize) {
        if (!file.seek(sent)) {
            emit finishedCreateFile(-201, strFileName, QString());
            return;
        }
        bytes = file.read(kDropboxChunkSize);
        bAppend = true;
    } else {
        if (!file.seek(sent)) {
            emit finishedCreateFile(-201, strFileName, QString());
            return;
        }
        bytes = file.readAll();
        bLastChunkSent = true;
    }
    file.close();
    // The offset moves by what was actually read.
    nOffset += bytes.size();
    if (bAppend && bytes.isEmpty()) {
        emit finishedCreateFile(-201, strFileName, QString());
        return;
    }

    QJsonObject cursor;
    cursor.insert(QStringLiteral("session_id"), strSessionId);
    cursor.insert(QStringLiteral("offset"), sent);
    QJsonObject arg;
    arg.insert(QStringLiteral("cursor"), cursor);
    if (bAppend) {
        arg.insert(QStringLiteral("close"), false);
        sendData(QStringLiteral("/2/files/upload_session/append_v2"), arg, bytes);
        return;
    }
    QJsonObject commit;
    commit.insert(QStringLiteral("path"), buildDropboxPath(strDestination, QFileInfo(strFileName).fileName()));
    commit.insert(QStringLiteral("mode"), QStringLiteral("add"));
    commit.insert(QStringLiteral("autorename"), true);
    commit.insert(QStringLiteral("mute"), false);
    arg.insert(QStringLiteral("commit"), commit);
    sendData(QStringLiteral("/2/files/upload_session/finish"), arg, bytes);
}

void DropboxFile::errorRequest(QNetworkReply::NetworkError error)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "DropboxFile::errorRequest" << "Request error:" << errorName(error)
             << (reply ? reply->errorString() : QString());
}
