#include "fuzz/cannednetwork.h"

#include "cloud/cloudnetwork.h"

#include <QMutex>
#include <QMutexLocker>
#include <QNetworkReply>
#include <QTimer>

#include <cctype>
#include <cstring>

namespace {
const QByteArray kSeparator("\n%%\n");

// Evernote calls run on their own event loops; the queue is shared.
QMutex queueMutex;
QList<CannedAnswer> queue;
int given = 0;
int requests = 0;
QList<QByteArray> bodies;
QList<QUrl> urls;

// The network error Qt's HTTP stack reports for a status.
QNetworkReply::NetworkError errorForStatus(int status)
{
    switch (status) {
    case 400: return QNetworkReply::ProtocolInvalidOperationError;
    case 401: return QNetworkReply::AuthenticationRequiredError;
    case 403: return QNetworkReply::ContentAccessDenied;
    case 404: return QNetworkReply::ContentNotFoundError;
    case 405: return QNetworkReply::ContentOperationNotPermittedError;
    case 407: return QNetworkReply::ProxyAuthenticationRequiredError;
    case 409: return QNetworkReply::ContentConflictError;
    case 410: return QNetworkReply::ContentGoneError;
    case 418: return QNetworkReply::ProtocolInvalidOperationError;
    case 500: return QNetworkReply::InternalServerError;
    case 501: return QNetworkReply::OperationNotImplementedError;
    case 503: return QNetworkReply::ServiceUnavailableError;
    default:
        if (status > 500)
            return QNetworkReply::UnknownServerError;
        if (status >= 400)
            return QNetworkReply::UnknownContentError;
        return QNetworkReply::NoError;
    }
}

class CannedReply : public QNetworkReply
{
public:
    CannedReply(QNetworkAccessManager::Operation op, const QNetworkRequest &request, const CannedAnswer *answer,
                QObject *parent)
        : QNetworkReply(parent)
    {
        setRequest(request);
        setUrl(request.url());
        setOperation(op);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        if (!answer) {
            error = QNetworkReply::ConnectionRefusedError;
        } else {
            body = answer->body;
            for (const auto &header : answer->headers)
                setRawHeader(header.first, header.second);
            if (answer->status == 0) {
                error = QNetworkReply::RemoteHostClosedError;
            } else {
                setAttribute(QNetworkRequest::HttpStatusCodeAttribute, answer->status);
                error = errorForStatus(answer->status);
            }
            setHeader(QNetworkRequest::ContentLengthHeader, body.size());
        }
        QTimer::singleShot(0, this, [this]() { complete(); });
    }

    void abort() override
    {
        if (isFinished())
            return;
        body.clear();
        offset = 0;
        error = QNetworkReply::OperationCanceledError;
        complete();
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return body.size() - offset + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin(maxSize, qint64(body.size()) - offset);
        if (n <= 0)
            return done ? -1 : 0;
        std::memcpy(data, body.constData() + offset, size_t(n));
        offset += n;
        return n;
    }

private:
    void complete()
    {
        if (done)
            return;
        done = true;
        if (!body.isEmpty()) {
            emit metaDataChanged();
            emit readyRead();
            emit downloadProgress(body.size(), body.size());
        }
        if (error != QNetworkReply::NoError) {
            setError(error, QStringLiteral("canned error"));
            emit errorOccurred(error);
        }
        setFinished(true);
        emit finished();
    }

    QByteArray body;
    qint64 offset = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    bool done = false;
};

QNetworkAccessManager *cannedFactory(QObject *parent)
{
    return new CannedNetwork(parent);
}
} // namespace

QList<CannedAnswer> splitAnswers(const QByteArray &input)
{
    QList<CannedAnswer> answers;
    int from = 0;
    for (;;) {
        const int at = input.indexOf(kSeparator, from);
        const QByteArray part = input.mid(from, at < 0 ? -1 : at - from);
        CannedAnswer answer;
        answer.body = part;
        const bool hasStatus = part.size() >= 4 && part.at(3) == ' ' && std::isdigit(uchar(part.at(0)))
                               && std::isdigit(uchar(part.at(1))) && std::isdigit(uchar(part.at(2)));
        if (hasStatus) {
            answer.status = part.left(3).toInt();
            answer.body = part.mid(4);
            while (answer.body.startsWith('@')) {
                const int end = answer.body.indexOf('\n');
                const QByteArray line = answer.body.mid(1, end < 0 ? -1 : end - 1);
                const int colon = line.indexOf(':');
                if (colon > 0)
                    answer.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
                answer.body = end < 0 ? QByteArray() : answer.body.mid(end + 1);
            }
        }
        answers.append(answer);
        if (at < 0)
            break;
        from = at + kSeparator.size();
    }
    return answers;
}

CannedNetwork::CannedNetwork(QObject *parent)
    : QNetworkAccessManager(parent)
{
}

void CannedNetwork::install()
{
    setCloudNetworkFactory(cannedFactory);
}

void CannedNetwork::setAnswers(const QList<CannedAnswer> &answers)
{
    QMutexLocker lock(&queueMutex);
    queue = answers;
    given = 0;
    requests = 0;
    bodies.clear();
    urls.clear();
}

int CannedNetwork::answersGiven()
{
    QMutexLocker lock(&queueMutex);
    return given;
}

int CannedNetwork::requestsSeen()
{
    QMutexLocker lock(&queueMutex);
    return requests;
}

QList<QByteArray> CannedNetwork::sentBodies()
{
    QMutexLocker lock(&queueMutex);
    return bodies;
}

QList<QUrl> CannedNetwork::sentUrls()
{
    QMutexLocker lock(&queueMutex);
    return urls;
}

QNetworkReply *CannedNetwork::createRequest(Operation op, const QNetworkRequest &request, QIODevice *outgoingData)
{
    // What the code under test sends is read as a server would read it.
    const QByteArray sent = outgoingData ? outgoingData->readAll() : QByteArray();
    QMutexLocker lock(&queueMutex);
    ++requests;
    bodies.append(sent);
    urls.append(request.url());
    if (queue.isEmpty())
        return new CannedReply(op, request, nullptr, this);
    const CannedAnswer answer = queue.takeFirst();
    ++given;
    return new CannedReply(op, request, &answer, this);
}
