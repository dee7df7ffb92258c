#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUrlQuery>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 with one listener per host role, the
// base of the fake cloud services. Requests may be kept alive; bodies are
// either collected or streamed to the service (uploads).
class FakeHttpService : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QString role;
        QString method;
        QString target; // as sent
        QString path;   // percent-decoded
        QUrlQuery query;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;                       // collected unless streamed (kept in records up to 1 MiB)
        qint64 contentLength = 0;
        qint64 bodySize = 0;
        bool bStream = false; // set by headReceived: the body goes to bodyPiece
        QString context;      // what headReceived decided, for bodyPiece and handle
        int status = 0;       // 0 until decided
        bool bReset = false;  // the connection goes once part of the body is in (or, set by handle, at once)
        bool bHold = false;   // set by handle: held unanswered until releaseHeld() asks handle again
        bool bHang = false;   // set by handle: never answered, nothing more read
        QByteArray answer;
        QList<QPair<QByteArray, QByteArray>> answerHeaders;

        QByteArray header(const char *name) const { return headers.value(QByteArray(name)); }
        QJsonObject json() const;
        // A query value decoded as servers do it: "+" is a blank.
        QString queryValue(const QString &name) const;
    };

    explicit FakeHttpService(QObject *parent = nullptr);
    ~FakeHttpService() override;

    QString base(const QString &role) const;
    QList<Request> requests() const { return recorded; }
    // The recorded requests whose path starts with prefix.
    QList<Request> requests(const QString &pathPrefix) const;
    void clearRequests() { recorded.clear(); }
    // The next `times` requests of this method whose path starts with the
    // prefix get this answer instead (their bodies are read and dropped).
    void scriptAnswer(const QString &method, const QString &pathPrefix, int status, const QByteArray &body,
                      int times = 1);
    // The next `times` requests of this method whose path starts with the
    // prefix lose their connection once part of their body is in.
    void resetNext(const QString &method, const QString &pathPrefix, int times);
    // Never answer, and stop reading, once a request's head is in.
    void setHang(bool b) { bHang = b; }
    // Read request bodies at this many bytes every 50 ms (0: full speed),
    // with small kernel buffers, so a client sees progress only as fast.
    void setSlowRead(qint64 bytesPerTick);
    // Scripted answers and resets dropped, hanging and holding stopped.
    void clearFaults();
    // Requests of this method whose path starts with the prefix are held
    // once their body is in, unhandled, until holding stops; then they are
    // handled in order. One the client gives up on meanwhile is dropped.
    void setHold(const QString &method, const QString &pathPrefix, bool bHold);
    // Handles every held request again whose client is still there.
    void releaseHeld();
    int heldCount() const;
    int openConnections() const { return connections.size(); }

signals:
    void requestFinished(QString role, QString path, int status);
    // An uploaded file is complete.
    void fileStored(QString name, qint64 size, QByteArray md5);

protected:
    bool listen(const QStringList &roles);
    // The head is in: refuse early (answer()) or set bStream.
    virtual void headReceived(Request &r) { Q_UNUSED(r) }
    virtual void bodyPiece(Request &r, const QByteArray &piece) { Q_UNUSED(r) Q_UNUSED(piece) }
    // The body is in: answer.
    virtual void handle(Request &r) = 0;

    // Content-Type "application/json" unless headers name another.
    static void answer(Request &r, int status, const QByteArray &body = QByteArray(),
                       const QList<QPair<QByteArray, QByteArray>> &headers = {});
    static void answerJson(Request &r, int status, const QJsonObject &object);
    static QByteArray toJson(const QJsonObject &object);

private:
    struct Connection
    {
        QString role;
        QByteArray head;
        bool bHeadDone = false;
        bool bHeld = false;
        Request request;
    };
    struct Script
    {
        QString method;
        QString prefix;
        int status;
        QByteArray body;
        int times;
    };

    void onNewConnection(QTcpServer *server, const QString &role);
    static void quickAck(QTcpSocket *socket);
    void limitReceiveBuffers();
    void consume(QTcpSocket *socket, Connection &c, QByteArray data);
    bool parseHead(Connection &c);
    void respond(QTcpSocket *socket, Connection &c, bool bClose);
    // After handle(): answers, holds, hangs or resets as the request says.
    // False when the connection is gone or waits.
    bool settle(QTcpSocket *socket, Connection &c);

    QHash<QString, QTcpServer *> servers;
    QHash<QTcpSocket *, Connection> connections;
    QList<Script> scripts;
    QList<Request> recorded;
    bool bHang = false;
    qint64 nSlowBytes = 0;
    QString strHoldMethod;
    QString strHoldPrefix;
    QList<QPointer<QTcpSocket>> held;
};

// The OAuth 2.0 authorization server half of a fake service: the login page
// (answered with the redirect a signed-in user would get), the token endpoint
// with its checks (registration, redirect address, PKCE, one-use codes,
// refresh tokens), and the bearer tokens it issued.
class FakeOAuth
{
public:
    QString clientId = QStringLiteral("fake-client");
    QString clientSecret = QStringLiteral("fake-secret");
    bool bPublicClient = false; // a secret is then refused
    bool bRotateRefresh = false;
    bool bAnswerWithoutAccessToken = false;
    int nLifetime = 3600;
    QStringList requiredScopes;

    // Tokens as tests store them without a sign-in.
    void addTokens(const QString &access, const QString &refresh);
    void revokeRefreshTokens() { refreshTokens.clear(); }
    void expireAccessTokens() { accessTokens.clear(); }
    bool isValidBearer(const QByteArray &authorization) const;
    QString lastAccessToken() const { return strLastAccess; }
    QString lastRefreshToken() const { return strLastRefresh; }

    // The login page as a sign-in form (Allow, Cancel) that remembers a
    // signed-in browser by a session cookie and then redirects at once;
    // without it the page redirects at once every time.
    bool bSignInForm = false;
    int nSignInForms = 0;

    // GET of the login page, and the POST of its form.
    void authorize(FakeHttpService::Request &r);
    // POST to the token endpoint.
    void token(FakeHttpService::Request &r);

    // A form body as a server reads it; false when malformed or repeating a key.
    static bool parseForm(const QByteArray &body, QMap<QString, QString> &out);

private:
    struct Grant
    {
        QString redirectUri;
        QString challenge;
    };
    void issue(FakeHttpService::Request &r, bool bWithRefresh);
    static void oauthError(FakeHttpService::Request &r, int status, const QString &error);

    void redirectWithCode(FakeHttpService::Request &r, const QUrlQuery &q);

    QHash<QString, Grant> codes;
    QSet<QString> sessions; // cookies of signed-in browsers
    QSet<QString> accessTokens;
    QSet<QString> refreshTokens;
    QString strLastAccess;
    QString strLastRefresh;
    int nNext = 1;
};
