#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrlQuery>

#include <functional>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for fake services: it reads each
// request (head and Content-Length body, keep-alive honoured) and hands it
// to a handler that decides the answer.
class FakeHttpEndpoint : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray target;                    // as sent: path and query
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;

        QString path() const;
        QUrlQuery query() const;
    };

    struct Answer
    {
        int status = 200;
        QByteArray contentType = "text/plain";
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool hang = false; // never answer; the connection stays open
        bool hold = false; // answer when released, by asking the handler again
        bool reset = false; // drop the connection without an answer
    };

    using Handler = std::function<Answer(const Request &)>;

    explicit FakeHttpEndpoint(Handler handler, QObject *parent = nullptr);
    ~FakeHttpEndpoint() override;

    bool start();
    quint16 port() const;
    QString base() const; // "http://127.0.0.1:<port>"

    // Asks the handler again for every held request whose client is still
    // there, and sends those answers.
    void releaseHeld();
    int heldCount() const;

    // Largest request body accepted (413 beyond).
    static constexpr qint64 kMaxBody = 300 * 1024 * 1024;

private:
    void onNewConnection();
    void onReadable(QTcpSocket *socket);
    static void write(QTcpSocket *socket, const Answer &answer);

    Handler handler;
    QTcpServer *server = nullptr;
    QHash<QTcpSocket *, QByteArray> buffers;
    QList<QPair<QPointer<QTcpSocket>, Request>> held;
};
