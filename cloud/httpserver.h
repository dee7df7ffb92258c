#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// The loopback listener that a sign-in's redirect reaches (port 53511).
//
// Dropbox (service 4), whose token comes back in the URL fragment:
//   browser GET /cloud#token... --> index page, whose script asks for
//   GET /token?url_with_fragment=<whole address> --> verificationToken(address) --> verdict
//   --> success or failure page --> verificationFinish(verdict)
// Other services: every request gets a well-formed empty answer, unless the
// owner has the listener take the code redirect (sign-in in the desktop's
// browser):
//   browser GET /cloud?code=..&state=.. --> verificationToken(address) --> verdict
//   --> success or failure page --> verificationFinish(verdict)
//
// It listens on loopback addresses only ("localhost" means 127.0.0.1 and
// ::1), answers one request per connection and closes it. Whatever connects
// (junk, half requests, oversize lines, many sockets) is bounded in size and
// time and never stops the next well-formed request from being answered.
class HttpServer : public QObject
{
    Q_OBJECT
public:
    explicit HttpServer(int nCloudService, QObject *parent = nullptr);
    ~HttpServer() override;

    // Takes port, path and address from the redirect URI; false when it has
    // no port or its host is not a loopback address.
    bool setRedirectURL(const QString &url);
    // Services other than Dropbox: with this on, a GET of the redirect path
    // that carries a query is handed to verificationToken as a whole address
    // and answered with the result page for the verdict. Off by default: an
    // embedded web view reads the redirect itself.
    void setAnswerCodeRedirects(bool bEnable) { bCodeRedirects = bEnable; }

    // (Re)starts listening; false, and not listening, when the port is taken
    // (on ::1 too, for "localhost"); a machine without IPv6 listens on
    // 127.0.0.1 alone.
    bool startListening();
    void stopListening();

    bool isListening() const;
    // The port actually bound (useful with port 0); 0 when not listening.
    quint16 serverPort() const;
    // The addresses actually bound.
    QList<QHostAddress> listeningAddresses() const;

    // Longest request line accepted, and most connections served at once.
    static constexpr int kMaxRequestBytes = 16384;
    static constexpr int kMaxConnections = 32;
    // A connection that has not sent a complete request line by then is
    // dropped. Ten seconds in the product; tests shorten it.
    void setIdleTimeout(int ms);

signals:
    void verificationReceived(QMap<QString, QString> params);
    // Connected directly by the owner; the receiver's result is the verdict.
    bool verificationToken(QString strUrl);
    void verificationFinish(bool bSuccess);

private slots:
    void newConnection();
    void clientRequest();

private:
    struct Connection
    {
        QByteArray buffer;
        bool bAnswered = false;
    };

    void parseDropboxRequest(const QString &request, QTcpSocket *socket);
    void parseCodeRedirect(const QString &request, QTcpSocket *socket);
    void answerVerdict(const QString &address, QTcpSocket *socket);
    void sendIndexPage(QTcpSocket *socket);
    void sendResultPage(QTcpSocket *socket, bool bSuccess);
    void sendEmptyAnswer(QTcpSocket *socket);
    void sendAnswer(QTcpSocket *socket, const QByteArray &body);
    void dropConnection(QTcpSocket *socket);
    QTcpServer *listenOn(const QHostAddress &address, quint16 port, QAbstractSocket::SocketError *error = nullptr);

    QTcpServer *tcpServer = nullptr;     // IPv4 loopback, or the one address given
    QTcpServer *tcpServerIPv6 = nullptr; // ::1, when the host is "localhost"
    int nCloudService;
    int nPort = -1;
    QString strPath;
    QHostAddress hostAddress{QHostAddress::LocalHost};
    bool bBothLoopbacks = false;
    bool bCodeRedirects = false;
    int nIdleTimeoutMs = 10000;
    QHash<QTcpSocket *, Connection> connections;
};
