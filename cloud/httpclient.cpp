#include "cloud/httpclient.h"

#include "app/redact.h"
#include "cloud/requesttimeout.h"

#include <QDebug>
#include <QEventLoop>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>

HttpClient::HttpClient(QObject *parent)
    : QObject(parent)
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &HttpClient::timeoutRequest);
}

HttpClient::~HttpClient() = default;

int HttpClient::postAndWait(const QNetworkRequest &request, const QByteArray &data, QByteArray &response)
{
    bCancelled = false;
    bBusy = true;
    nErrorCode = 0;
    int result = 0;
    {
        QEventLoop loop;
        QNetworkAccessManager manager;
        connect(&manager, &QNetworkAccessManager::finished, &loop, &QEventLoop::quit);
        connect(this, &HttpClient::cancelHttpRequest, &loop, &QEventLoop::quit);

        QNetworkReply *reply = manager.post(request, data);
        connect(reply, &QNetworkReply::uploadProgress, this, &HttpClient::uploadProgress);
        // An answer that arrives slowly but steadily is progress too.
        connect(reply, &QNetworkReply::downloadProgress, this, &HttpClient::downloadProgress);
        connect(this, &HttpClient::signalTimerMode, this, &HttpClient::setTimerMode);

        emit signalTimerMode(0);
        // A cancel that came before the loop was connected must not be lost.
        if (!bCancelled && !reply->isFinished())
            loop.exec();
        emit signalTimerMode(1);
        disconnect(this, &HttpClient::signalTimerMode, this, &HttpClient::setTimerMode);
        disconnect(this, &HttpClient::cancelHttpRequest, &loop, &QEventLoop::quit);

        if (bCancelled) {
            qDebug() << "Cancel";
            disconnect(reply, nullptr, this, nullptr);
            reply->abort();
            result = nErrorCode == -212 ? -212 : -6;
        } else if (reply->error() != QNetworkReply::NoError) {
            qDebug() << QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(reply->error())
                     << redactSecrets(reply->errorString()); // the address may carry a signed query
            response = reply->readAll();
            result = -203;
        } else {
            response = reply->readAll();
        }
        reply->close();
        // The local manager goes at the end of this scope, and this thread's
        // loop may not run again soon: delete the reply now, not later.
        delete reply;
    }
    bBusy = false;
    return result;
}

void HttpClient::cancelRequest()
{
    bCancelled = true;
    emit cancelHttpRequest();
}

void HttpClient::uploadProgress(qint64 bytesSent, qint64 bytesTotal)
{
    qInfo() << "HttpClient::uploadProgress" << bytesSent << bytesTotal;
    // A late report after the request ended must not arm the timer again.
    if (bBusy)
        timer.start(cloudRequestTimeoutMs());
}

void HttpClient::downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    qInfo() << "HttpClient::downloadProgress" << bytesReceived << bytesTotal;
    if (bBusy)
        timer.start(cloudRequestTimeoutMs());
}

void HttpClient::timeoutRequest()
{
    qDebug() << "Request timeout";
    nErrorCode = -212;
    bCancelled = true;
    emit cancelHttpRequest();
}

void HttpClient::setTimerMode(int nMode)
{
    if (nMode == 0)
        timer.start(cloudRequestTimeoutMs());
    else
        timer.stop();
}
