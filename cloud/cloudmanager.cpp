#include "cloud/cloudmanager.h"

#include "cloud/cloudnetwork.h"
#include "cloud/requesttimeout.h"

#include <QDebug>
#include <QMetaEnum>
#include <QMutexLocker>
#include <QNetworkAccessManager>

CloudManager::CloudManager(const char *logTag, QObject *parent)
    : QObject(parent)
    , tag(logTag)
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &CloudManager::timeoutRequest);
}

CloudManager::~CloudManager()
{
    timer.stop();
    QMap<QNetworkReply *, int> replies;
    {
        QMutexLocker lock(&mutex);
        replies.swap(replyKinds);
    }
    // Nobody is left to take the answers: stop the transfers instead of
    // letting them run on unowned.
    for (auto it = replies.keyBegin(); it != replies.keyEnd(); ++it) {
        QNetworkReply *reply = *it;
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
    }
    if (networkManager) {
        networkManager->setParent(nullptr);
        networkManager->deleteLater();
        networkManager = nullptr;
    }
}

void CloudManager::stopTimer()
{
    timer.stop();
}

void CloudManager::abortAllReplies()
{
    QList<QNetworkReply *> replies;
    {
        QMutexLocker lock(&mutex);
        replies = replyKinds.keys();
    }
    for (QNetworkReply *reply : replies)
        reply->abort();
}

int CloudManager::takeRequestKind(QNetworkReply *reply)
{
    QMutexLocker lock(&mutex);
    int kind = 0;
    auto it = replyKinds.find(reply);
    while (it != replyKinds.end() && it.key() == reply) {
        kind = it.value();
        it = replyKinds.erase(it);
    }
    // The others stay guarded; with none left there is nothing to time out.
    if (replyKinds.isEmpty())
        timer.stop();
    else
        timer.start(cloudRequestTimeoutMs());
    return kind;
}

int CloudManager::pendingRequestCount() const
{
    QMutexLocker lock(&mutex);
    return replyKinds.size();
}

void CloudManager::finishedRequest()
{
}

void CloudManager::errorRequest(QNetworkReply::NetworkError error)
{
    Q_UNUSED(error)
}

void CloudManager::uploadProgress(qint64 bytesSent, qint64 bytesTotal)
{
    qInfo() << (QByteArray(tag) + "::uploadProgress").constData() << bytesSent << bytesTotal;
    timer.start(cloudRequestTimeoutMs());
}

void CloudManager::downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    qInfo() << (QByteArray(tag) + "::downloadProgress").constData() << bytesReceived << bytesTotal;
    timer.start(cloudRequestTimeoutMs());
}

void CloudManager::timeoutRequest()
{
    qDebug() << "Request timeout";
    nErrorCode = -212;
    abortAllReplies();
}

QNetworkAccessManager *CloudManager::network()
{
    if (!networkManager) {
        networkManager = newCloudNetworkManager(this);
    }
    return networkManager;
}

QNetworkReply *CloudManager::sendRequest(Method method, const QNetworkRequest &request, const QByteArray &data, int kind)
{
    QNetworkAccessManager *manager = network();
    timer.start(cloudRequestTimeoutMs());
    QNetworkReply *reply = nullptr;
    switch (method) {
    case Method::Post: reply = manager->post(request, data); break;
    case Method::Get: reply = manager->get(request); break;
    case Method::Put: reply = manager->put(request, data); break;
    }
    return registerReply(reply, kind);
}

QNetworkReply *CloudManager::sendRequest(Method method, const QNetworkRequest &request, QIODevice *data, int kind)
{
    QNetworkAccessManager *manager = network();
    timer.start(cloudRequestTimeoutMs());
    QNetworkReply *reply = nullptr;
    switch (method) {
    case Method::Post: reply = manager->post(request, data); break;
    case Method::Get: reply = manager->get(request); break;
    case Method::Put: reply = manager->put(request, data); break;
    }
    return registerReply(reply, kind);
}

QNetworkReply *CloudManager::registerReply(QNetworkReply *reply, int kind)
{
    {
        QMutexLocker lock(&mutex);
        replyKinds.insert(reply, kind);
    }
    // Virtual slots: the derived class's overrides receive these.
    connect(reply, &QNetworkReply::finished, this, &CloudManager::finishedRequest);
    connect(reply, &QNetworkReply::errorOccurred, this, &CloudManager::errorRequest);
    // Either direction counts as progress: a slow answer is not a stall.
    connect(reply, &QNetworkReply::uploadProgress, this, &CloudManager::uploadProgress);
    connect(reply, &QNetworkReply::downloadProgress, this, &CloudManager::downloadProgress);
    return reply;
}

int CloudManager::httpStatus(QNetworkReply *reply)
{
    return reply ? reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
}

const char *CloudManager::errorName(QNetworkReply::NetworkError error)
{
    const char *name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
    return name ? name : "UnknownNetworkError";
}
