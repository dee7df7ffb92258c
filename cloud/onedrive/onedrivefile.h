#pragma once

#include "cloud/onedrive/onedrivemanager.h"

#include <QString>

// Uploads one local file through an upload session in fragments of 5 MiB:
//
//   createFile() --> [refresh] --> POST items/root:/folder/name:/createUploadSession
//   --> uploadUrl --> PUT fragment (Content-Range a-b/total) --> 202 ... --> last: 201/200
//   --> finishedCreateFile(code, local path, "")
//
// The upload address is pre-authenticated, so fragments go without the
// bearer token. An empty file, which a session cannot hold, is written by one
// PUT of the item's content instead. Fragments are read from disk as they
// are sent, so memory stays well below one fragment.
class OneDriveFile : public OneDriveManager
{
    Q_OBJECT
public:
    explicit OneDriveFile(QObject *parent = nullptr);
    ~OneDriveFile() override;

    // Bytes per fragment: 16 times the 320 KiB the service counts in.
    static constexpr qint64 kFragmentSize = 5242880;

    // strFolderId is the destination folder's path from the drive's root.
    // 0 when a request went out; -200 (not signed in) or -201 (the file
    // cannot be opened). Every outcome arrives as one finishedCreateFile.
    int createFile(const QString &strFolderId, const QString &strFileName, int nImageType);

signals:
    void finishedCreateFile(int nErrorCode, QString strName, QString strId);

public slots:
    void finishedRequest() override;
    void errorRequest(QNetworkReply::NetworkError error) override;

private:
    void sendFragment();
    void handleRefreshReply(QNetworkReply *reply, const QByteArray &body);
    void report(int nErrorCode);
    static int uploadErrorCode(QNetworkReply::NetworkError error, int nHttpStatus, int nManagerCode);

    int nOperation = 0;
    int nImageType = 0;
    QString strFolderId;
    QString strFileName;
    qint64 nOffset = 0;
    qint64 nFileSize = 0;
    QString strUploadUrl;
    bool bSimpleUpload = false;
};
