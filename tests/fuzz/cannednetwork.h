#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QString>

// Answers every cloud request from a queue, without a network: the cloud
// code's network factory (cloud/cloudnetwork.h) hands out managers whose
// replies take the next canned answer. Each reply finishes on the next turn
// of the event loop, with the HTTP status, the network error Qt gives that
// status and the body. With the queue empty a request fails as a refused
// connection, so every operation ends.
//
// A target's input is a sequence of answers (splitAnswers):
//
//   200 {"entries": ...}        <- status, one blank, body
//   %%                          <- a line of its own between two answers
//   409 {"error_summary": ...}
//
// An answer that does not start with three digits and a blank is a 200 with
// the whole text as its body; status 000 is a connection that broke after
// the body's bytes. Lines right after the status that start with "@" are
// response headers ("@Location: https://..."), for answers that carry their
// meaning there.
struct CannedAnswer
{
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
};

QList<CannedAnswer> splitAnswers(const QByteArray &input);

class CannedNetwork : public QNetworkAccessManager
{
    Q_OBJECT
public:
    explicit CannedNetwork(QObject *parent = nullptr);

    // Installs the factory; the driver does it once.
    static void install();
    // Replaces the queue; the count of requests starts again.
    static void setAnswers(const QList<CannedAnswer> &answers);
    static int answersGiven();
    static int requestsSeen();
    // The request bodies and addresses, in order, for rules about what was sent.
    static QList<QByteArray> sentBodies();
    static QList<QUrl> sentUrls();

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request, QIODevice *outgoingData) override;
};
