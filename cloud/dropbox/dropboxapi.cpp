#include "cloud/dropbox/dropboxapi.h"

#include <QJsonDocument>
#include <QJsonValue>

QByteArray escapeJsonToAscii(const QByteArray &utf8Json)
{
    const QString text = QString::fromUtf8(utf8Json);
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u > 0x7E) {
            // UTF-16 code units: characters beyond U+FFFF come out as surrogate pairs.
            char escape[7];
            qsnprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += char(u);
        }
    }
    return out;
}

QByteArray dropboxApiArg(const QJsonObject &object)
{
    return escapeJsonToAscii(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString buildDropboxPath(const QString &folder, const QString &name)
{
    QString path = folder.isEmpty() ? QStringLiteral("/") : folder;
    if (!path.startsWith('/'))
        path.prepend('/');
    if (!path.endsWith('/'))
        path.append('/');
    QString leaf = name;
    if (leaf.startsWith('/'))
        leaf.remove(0, 1);
    if (leaf.isEmpty())
        return QString();
    return path + leaf;
}

QNetworkRequest dropboxRequest(CloudHost host, const QString &path, const QString &token, const QByteArray &contentType)
{
    QNetworkRequest request(cloudUrl(host, path));
    request.setRawHeader("Authorization", QStringLiteral("Bearer %1").arg(token).toLatin1());
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return request;
}

bool isCommittedFile(const QByteArray &answer, qint64 bytesSent)
{
    const QJsonDocument document = QJsonDocument::fromJson(answer);
    const QJsonObject file = document.object();
    const QJsonValue size = file.value(QStringLiteral("size"));
    return document.isObject() && !file.value(QStringLiteral("id")).toString().isEmpty() && size.isDouble()
           && qint64(size.toDouble()) == bytesSent && size.toDouble() >= 0;
}

bool isBlankToken(const QString &token)
{
    return token.trimmed().isEmpty();
}

int dropboxUploadErrorCode(QNetworkReply::NetworkError error, int httpStatus, int managerCode, const QByteArray &body)
{
    if (error == QNetworkReply::OperationCanceledError)
        return managerCode == -212 ? -212 : -6;
    if (httpStatus == 409) {
        // A conflict means a full account, unless the service says the
        // session itself was at fault (wrong offset, unknown or closed
        // session): that is an upload error, not a capacity problem.
        const QJsonObject answer = QJsonDocument::fromJson(body).object();
        const QString summary = answer.value(QStringLiteral("error_summary")).toString();
        static const char *const sessionErrors[] = {"incorrect_offset", "not_found", "closed", "lookup_failed"};
        for (const char *name : sessionErrors) {
            if (summary.contains(QLatin1String(name)))
                return -210;
        }
        return -211;
    }
    return -210;
}

int dropboxListErrorCode(QNetworkReply::NetworkError error, int managerCode)
{
    if (error == QNetworkReply::OperationCanceledError)
        return managerCode == -212 ? -203 : -6;
    return -206;
}

int dropboxCreateFolderErrorCode(QNetworkReply::NetworkError error, int managerCode)
{
    if (error == QNetworkReply::OperationCanceledError)
        return managerCode == -212 ? -203 : -6;
    return -205;
}
