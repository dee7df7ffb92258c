#pragma once

#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QTimer>

class QNetworkAccessManager;

// What the three asynchronous service managers share. They send requests on
// the thread that owns them, remember what each outstanding reply was for,
// and hand each finished reply to the derived class:
//
//   send --> replyKinds[reply] = kind --> reply finished --> derived finishedRequest():
//            stopTimer(), takeRequestKind(reply), act by kind, close + deleteLater
//
// Every request is guarded by the inactivity time-out; progress restarts it.
// On time-out every reply is aborted and errorCode() reads -212, which is how
// the derived class tells a time-out from a user cancel (abortAllReplies()).
class CloudManager : public QObject
{
    Q_OBJECT
public:
    ~CloudManager() override;

    void setErrorCode(int nCode) { nErrorCode = nCode; }
    int errorCode() const { return nErrorCode; }
    void stopTimer();

    // Aborts every outstanding reply; each then finishes with
    // OperationCanceledError and reaches the derived finishedRequest.
    void abortAllReplies();

    // Removes the reply from the map and gives its kind; 0 when unknown.
    int takeRequestKind(QNetworkReply *reply);

    // Number of replies still outstanding.
    int pendingRequestCount() const;

public slots:
    virtual void finishedRequest();
    virtual void errorRequest(QNetworkReply::NetworkError error);
    virtual void uploadProgress(qint64 bytesSent, qint64 bytesTotal);
    virtual void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void timeoutRequest();

protected:
    // logTag names the manager in its progress lines ("DropboxManager").
    CloudManager(const char *logTag, QObject *parent);

    enum class Method { Post, Get, Put };
    QNetworkReply *sendRequest(Method method, const QNetworkRequest &request, const QByteArray &data, int kind);
    // As sendRequest, with the body read from a device that the caller keeps
    // alive until the reply has finished.
    QNetworkReply *sendRequest(Method method, const QNetworkRequest &request, QIODevice *data, int kind);

    // The HTTP status of a finished reply; 0 when there was no answer.
    static int httpStatus(QNetworkReply *reply);
    // The enum name of a network error, for log lines.
    static const char *errorName(QNetworkReply::NetworkError error);

private:
    QNetworkAccessManager *network();
    QNetworkReply *registerReply(QNetworkReply *reply, int kind);

    int nErrorCode = 0;
    mutable QMutex mutex;
    QTimer timer;
    QNetworkAccessManager *networkManager = nullptr;
    QMap<QNetworkReply *, int> replyKinds;
    const char *tag;
};
