#pragma once

#include "cloud/dropbox/dropboxmanager.h"

#include <QPointer>
#include <QString>

class DropboxChunkDevice;

// Uploads one local file through an upload session in 50 MiB chunks:
//
//   createFile() --> start (first chunk) --> append (more chunks) ... --> finish (the rest, commit)
//   --> finishedCreateFile(code, local path, "")
//
// The offset lives here, and only the chunk in flight is held in memory.
class DropboxFile : public DropboxManager
{
    Q_OBJECT
public:
    explicit DropboxFile(QObject *parent = nullptr);
    ~DropboxFile() override;

    // strFolderId is the destination folder's Dropbox path; nImageType is
    // kept, not sent. 0 when the start request went out, -200 (not signed in)
    // or -201 (file cannot be opened); the outcome arrives as one
    // finishedCreateFile.
    int createFile(const QString &strFolderId, const QString &strFileName, int nImageType);

signals:
    void finishedCreateFile(int nErrorCode, QString strName, QString strId);

public slots:
    void finishedRequest() override;
    void errorRequest(QNetworkReply::NetworkError error) override;

private:
    void continueUpload(const QByteArray &body);
    bool sendData(const QString &path, const QJsonObject &arg, const QByteArray &data);
    void releaseChunk();

    int nOperation = 0;
    bool bLastChunkSent = false;
    int nImageType = 0;
    qint64 nOffset = 0;
    QString strDestination;
    QString strFileName;
    QString strSessionId;
    QPointer<DropboxChunkDevice> chunk;
};
