#pragma once

#include "cloud/cloudconfig.h"

#include <QByteArray>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>

// Bytes of one upload request: 50 MiB.
constexpr qint64 kDropboxChunkSize = 52428800;

// Compact JSON (keys in alphabetical order) made ASCII for the
// "Dropbox-API-Arg" header: every character above 0x7E becomes a \uXXXX
// escape of its UTF-16 code units, so "Scän" arrives as "Sc\u00e4n" instead
// of being mangled by the header's Latin-1 conversion.
QByteArray dropboxApiArg(const QJsonObject &object);
QByteArray escapeJsonToAscii(const QByteArray &utf8Json);

// "/folder/" + name for commits and new folders: folder gets a leading and a
// trailing "/", a leading "/" of name is dropped; an empty name gives "".
QString buildDropboxPath(const QString &folder, const QString &name);

// A request to a Dropbox host with the bearer token and the content type.
QNetworkRequest dropboxRequest(CloudHost host, const QString &path, const QString &token, const QByteArray &contentType);

// Whether an upload session's finish answer is the metadata of a file that
// holds exactly the bytes sent: a JSON object with an id and that size.
bool isCommittedFile(const QByteArray &answer, qint64 bytesSent);

// Whether a stored token is missing (empty or blanks only).
bool isBlankToken(const QString &token);

// Error replies to codes. managerCode is the manager's errorCode(): -212
// after a time-out, which is how an abort by time-out differs from a cancel.
int dropboxUploadErrorCode(QNetworkReply::NetworkError error, int httpStatus, int managerCode, const QByteArray &body);
int dropboxListErrorCode(QNetworkReply::NetworkError error, int managerCode);
int dropboxCreateFolderErrorCode(QNetworkReply::NetworkError error, int managerCode);
