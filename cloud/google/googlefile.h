#pragma once

#include "cloud/google/googlemanager.h"

#include <QString>

// Uploads one local file as a Drive file with a resumable upload:
//
//   createFile() --> [refresh] --> POST /upload/drive/v2/files?uploadType=resumable (metadata)
//   --> Location: session address --> PUT the whole file (from disk) with Content-Range
//   --> finishedCreateFile(code, local path, "")
//
// The file goes to the network straight from disk, so memory stays bounded
// whatever its size.
class GoogleFile : public GoogleManager
{
    Q_OBJECT
public:
    explicit GoogleFile(QObject *parent = nullptr);

    // 0 when a request went out; -200 (not signed in) or -201 (the file
    // cannot be opened). Every outcome arrives as one finishedCreateFile.
    int createFile(const QString &strFolderId, const QString &strFileName, int nImageType);
    // The PUT of the whole file to the session address; 0, -200 or -201.
    int uploadData(const QString &sessionUrl);

    // The MIME type of an image type (1 JPEG, 3 TIFF, 4 PDF); empty otherwise.
    static QString mimeType(int nImageType);

signals:
    void finishedCreateFile(int nErrorCode, QString strName, QString strId);

public slots:
    void finishedRequest() override;
    void errorRequest(QNetworkReply::NetworkError error) override;

private:
    void handleRefreshReply(QNetworkReply *reply, const QByteArray &body);
    void report(int nErrorCode);
    static int uploadErrorCode(QNetworkReply::NetworkError error, int nHttpStatus, int nManagerCode,
                               const QByteArray &body);

    int nOperation = 0;
    int nImageType = 0;
    QString strFolderId;
    QString strFileName;
};
