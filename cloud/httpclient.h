#pragma once

#include <QByteArray>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QObject>
#include <QTimer>

#include <atomic>

// Blocking POST for the cloud worker thread:
//
//   worker thread: postAndWait() --> local event loop ... finished / cancelHttpRequest --> result
//   owner thread:  setTimerMode() starts/stops the inactivity timer, uploadProgress() restarts it,
//                  cancelRequest() or timeoutRequest() --> cancelHttpRequest
//
// The object (and so its timer) belongs to the thread that built it; the
// request runs on whichever thread calls postAndWait. One request at a time.
class HttpClient : public QObject
{
    Q_OBJECT
public:
    explicit HttpClient(QObject *parent = nullptr);
    ~HttpClient() override;

    // 0, -6 (cancelled), -203 (network or HTTP error; the error body is
    // still returned) or -212 (no progress within the time-out).
    int postAndWait(const QNetworkRequest &request, const QByteArray &data, QByteArray &response);

    // Ends a running postAndWait with -6; any thread.
    void cancelRequest();

    bool isBusy() const { return bBusy.load(); }

signals:
    void cancelHttpRequest();
    void signalTimerMode(int nMode);
    void closeTimer();

public slots:
    void uploadProgress(qint64 bytesSent, qint64 bytesTotal);
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void timeoutRequest();
    void setTimerMode(int nMode);

private:
    std::atomic<int> nErrorCode{0};
    std::atomic<bool> bCancelled{false};
    std::atomic<bool> bBusy{false};
    QTimer timer;
    QNetworkProxy noProxy{QNetworkProxy::NoProxy};
};
