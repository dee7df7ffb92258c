#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QTimer;

// A small Dropbox API v2 service on 127.0.0.1 that keeps state like the real
// one and enforces its rules: bearer token, JSON bodies, an ASCII
// "Dropbox-API-Arg", paged recursive listing by cursor, folder creation,
// upload sessions with offset checks, at most 150 MiB per request. The API
// and content hosts are two listeners, so a request sent to the wrong host
// fails as it would for real. A third, the web host, serves the sign-in:
// the authorization page checks the app key and the registered redirect,
// and its Allow and Cancel buttons send the browser to the redirect with the
// token, or the error, in the fragment.
class FakeDropbox : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QString host;        // "api" or "content"
        QString method;
        QString path;
        QByteArray apiArg;   // raw "Dropbox-API-Arg" header
        QJsonObject arg;     // its parsed JSON, or the JSON body
        qint64 bodySize = 0;
        int status = 0;      // answer given
    };

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

    bool start();
    quint16 apiPort() const;
    quint16 contentPort() const;
    QString apiBase() const;
    QString contentBase() const;
    QString webBase() const;

    void setToken(const QString &token) { strToken = token; }
    void setTokenExpired(bool b) { bTokenExpired = b; }
    void setPageSize(int n) { nPageSize = n > 0 ? n : 1; }
    void setAccountFull(bool b) { bAccountFull = b; }
    // Keep uploaded bytes (default), or only their size and MD5.
    void setKeepBodies(bool b) { bKeepBodies = b; }
    void setMaxRequestBody(qint64 n) { nMaxRequestBody = n; }
    // Never answer, and stop reading, once a request's head is in.
    void setHang(bool b) { bHang = b; }
    // Read request bodies at this many bytes every 50 ms (0: full speed).
    void setSlowRead(qint64 bytesPerTick);
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
    int heldUploads() const;
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

    QList<Request> requests() const { return recorded; }
    void clearRequests() { recorded.clear(); }
    bool hasFolder(const QString &path) const;
    bool hasFile(const QString &path) const;
    File file(const QString &path) const;
    QStringList folderPaths() const;
    QString folderId(const QString &path) const { return folderIds.value(path.toLower()); }
    QStringList filePaths() const;
    // Where the last finished upload session was committed (after any renaming).
    QString lastCommitted() const { return strLastCommitted; }
    int openConnections() const { return connections.size(); }

signals:
    void requestFinished(QString path, int status);

private:
    struct Session
    {
        QByteArray data;
        qint64 size = 0;
        QCryptographicHash md5{QCryptographicHash::Md5};
        bool closed = false;
    };

    struct Connection
    {
        QString host;
        QByteArray head;
        bool headDone = false;
        QString method;
        QString target;
        QHash<QByteArray, QByteArray> headers;
        qint64 contentLength = 0;
        qint64 received = 0;
        QByteArray body;
        // Decided when the head is in; answered once the body is read.
        int status = 0;
        QByteArray answer;
        QString sessionId; // body goes into this session
        QJsonObject arg;
        QTimer *pacer = nullptr;
        bool held = false;
        QByteArray contentType; // of the answer, when not the default
        QByteArray location;    // of a redirect answer
    };

    void onNewConnection(QTcpServer *server, const QString &host);
    void onReadable(QTcpSocket *socket);
    void consume(QTcpSocket *socket, Connection &c, const QByteArray &data);
    void headComplete(Connection &c);
    void bodyComplete(QTcpSocket *socket, Connection &c);
    void respond(QTcpSocket *socket, Connection &c, int status, const QByteArray &body, bool close = false);
    void fail(Connection &c, int status, const QByteArray &body);
    void fail409(Connection &c, const QString &summary, const QJsonObject &error);
    bool checkAuth(Connection &c);
    void uploadHead(Connection &c, const QString &path);
    void uploadBody(Connection &c, const QString &path);
    void apiBody(Connection &c, const QString &path);
    void webRequest(Connection &c, const QString &path);
    void process(QTcpSocket *socket, Connection &c);
    QByteArray listPage(const QString &snapshot, int index);
    QJsonObject folderMetadata(const QString &pathLower) const;
    QJsonObject fileMetadata(const File &f) const;
    QString ensureFolder(const QString &pathDisplay);
    QString newId();

    QTcpServer *api = nullptr;
    QTcpServer *content = nullptr;
    QTcpServer *web = nullptr;
    QHash<QTcpSocket *, Connection> connections;
    QString strToken = QStringLiteral("fake-token");
    bool bTokenExpired = false;
    int nPageSize = 2;
    bool bAccountFull = false;
    bool bKeepBodies = true;
    qint64 nMaxRequestBody = 150 * 1024 * 1024;
    bool bHang = false;
    qint64 nSlowBytes = 0;
    int nextId = 1;
    QMap<QString, QString> folders;   // path_lower -> path_display
    QMap<QString, QString> folderIds; // path_lower -> id
    QMap<QString, File> files;        // path_lower -> file
    QHash<QString, Session *> sessions;
    QHash<QString, QStringList> snapshots; // cursor base -> entry paths (lower)
    QList<Request> recorded;
    QByteArray cannedList;
    QString strAppKey = QStringLiteral("q3vzm8x1rtwk0pd");
    QString strRedirectUri = QStringLiteral("http://127.0.0.1:53511/cloud");
    bool bWrongState = false;
    int nSignInPages = 0;
    bool bHoldUploads = false;
    QList<QPointer<QTcpSocket>> held;
    int nFailCommits = 0;
    int nUploadStatus = 0;
    QByteArray uploadFailure;
    bool bResetUploads = false;
    QString strLastCommitted;
    int nCannedLists = 0;
    QByteArray cannedFinish;
};
