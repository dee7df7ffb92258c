#pragma once

#include "fakes/fakehttpservice.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>


// A small Dropbox API v2 service on 127.0.0.1 that keeps state like the real
// one and enforces its rules: bearer token, JSON bodies, an ASCII
// "Dropbox-API-Arg", paged recursive listing by cursor, folder creation,
// upload sessions with offset checks, at most 150 MiB per request. The API
// and content hosts are two listeners, so a request sent to the wrong host
// fails as it would for real. A third, the web host, serves the sign-in:
// the authorization page checks the app key and the registered redirect,
// and its Allow and Cancel buttons send the browser to the redirect with the
// token, or the error, in the fragment.
class FakeDropbox : public FakeHttpService
{
    Q_OBJECT
public:
    struct File
    {
        QString pathDisplay;
        QString id;
        QByteArray data;     // empty when bodies are not kept
        qint64 size = 0;
        QByteArray md5;
    };

    explicit FakeDropbox(QObject *parent = nullptr);
    ~FakeDropbox() override;

    bool start(); // roles "api", "content" and "web"
    quint16 apiPort() const;
    quint16 contentPort() const;
    QString apiBase() const;
    QString contentBase() const;
    QString webBase() const;

    // A recorded request's argument: its "Dropbox-API-Arg", or its JSON body.
    static QJsonObject argOf(const Request &r);

    void setToken(const QString &token) { strToken = token; }
    void setTokenExpired(bool b) { bTokenExpired = b; }
    void setPageSize(int n) { nPageSize = n > 0 ? n : 1; }
    void setAccountFull(bool b) { bAccountFull = b; }
    // Keep uploaded bytes (default), or only their size and MD5.
    void setKeepBodies(bool b) { bKeepBodies = b; }
    void setMaxRequestBody(qint64 n) { nMaxRequestBody = n; }
    // Answer every listing request with these bytes (malformed pages); "{n}"
    // in them counts the answers (1, 2, ...), for cursors that never repeat.
    void setCannedListAnswer(const QByteArray &answer) { cannedList = answer; }
    // Commit uploads as usual but answer the finish with these bytes.
    void setCannedFinishAnswer(const QByteArray &answer) { cannedFinish = answer; }

    // Sign-in: the app key and redirect address the page accepts; the
    // redirect's state is the one asked for unless told to send another.
    void setAppKey(const QString &key) { strAppKey = key; }
    void setRedirectUri(const QString &uri) { strRedirectUri = uri; }
    void setWrongState(bool b) { bWrongState = b; }
    int signInPages() const { return nSignInPages; }

    // Park every upload request once its body is in, unanswered, until
    // holding stops; then they are served in order. A request the client
    // gives up on meanwhile is dropped, and nothing it carried is kept.
    void setHoldUploads(bool b);
    int heldUploads() const { return heldCount(); }
    // The next n commits of an upload session fail with HTTP 500.
    void failNextCommits(int n) { nFailCommits = n; }
    // Every upload request is answered with this status and body once its
    // body is in (0: uploads work again).
    void failUploads(int status, const QByteArray &body = QByteArray())
    {
        nUploadStatus = status;
        uploadFailure = body;
    }
    // Upload requests lose their connection once part of their body is in.
    void setResetUploads(bool b) { bResetUploads = b; }

    void addFolder(const QString &pathDisplay);
    void addFile(const QString &pathDisplay, const QByteArray &data);

    bool hasFolder(const QString &path) const;
    bool hasFile(const QString &path) const;
    File file(const QString &path) const;
    QStringList folderPaths() const;
    QString folderId(const QString &path) const { return folderIds.value(path.toLower()); }
    QStringList filePaths() const;
    // Where the last finished upload session was committed (after any renaming).
    QString lastCommitted() const { return strLastCommitted; }

protected:
    void headReceived(Request &r) override;
    void bodyPiece(Request &r, const QByteArray &piece) override;
    void handle(Request &r) override;

private:
    struct Session
    {
        QByteArray data;
        qint64 size = 0;
        QCryptographicHash md5{QCryptographicHash::Md5};
        bool closed = false;
    };

    void fail(Request &r, int status, const QByteArray &body, const QByteArray &type = QByteArray());
    void fail409(Request &r, const QString &summary, const QJsonObject &error);
    bool checkAuth(Request &r);
    void uploadHead(Request &r, const QString &path);
    void uploadBody(Request &r, const QString &path);
    void apiBody(Request &r, const QString &path);
    void webRequest(Request &r, const QString &path);
    QByteArray listPage(const QString &snapshot, int index);
    QJsonObject folderMetadata(const QString &pathLower) const;
    QJsonObject fileMetadata(const File &f) const;
    QString ensureFolder(const QString &pathDisplay);
    QString newId();

    QString strToken = QStringLiteral("fake-token");
    bool bTokenExpired = false;
    int nPageSize = 2;
    bool bAccountFull = false;
    bool bKeepBodies = true;
    qint64 nMaxRequestBody = 150 * 1024 * 1024;
    int nextId = 1;
    QMap<QString, QString> folders;   // path_lower -> path_display
    QMap<QString, QString> folderIds; // path_lower -> id
    QMap<QString, File> files;        // path_lower -> file
    QHash<QString, Session *> sessions;
    QHash<QString, QStringList> snapshots; // cursor base -> entry paths (lower)
    QByteArray cannedList;
    QString strAppKey = QStringLiteral("q3vzm8x1rtwk0pd");
    QString strRedirectUri = QStringLiteral("http://127.0.0.1:53511/cloud");
    bool bWrongState = false;
    int nSignInPages = 0;
    int nFailCommits = 0;
    int nUploadStatus = 0;
    QByteArray uploadFailure;
    bool bResetUploads = false;
    QString strLastCommitted;
    int nCannedLists = 0;
    QByteArray cannedFinish;
};
