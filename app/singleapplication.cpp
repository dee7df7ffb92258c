#include "app/singleapplication.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

#include <unistd.h>

namespace {
constexpr char kAck = 'A';
// Messages are short; anything longer is not from us.
constexpr quint32 kMaxMessage = 64 * 1024;

QString runtimeFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return dir;
}
} // namespace

SingleApplication::SingleApplication(const QString &id, int &argc, char **argv)
    : QApplication(argc, argv)
    , appId(id)
{
    basePath = runtimeFolder() + "/" + appId + "-" + QString::number(getuid());
    lock = std::make_unique<QLockFile>(basePath + ".lock");
    // Only a dead owner makes the lock stale, never its age.
    lock->setStaleLockTime(0);
    primary = lock->tryLock(0);
    if (!primary)
        return;

    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString socketPath = basePath + ".sock";
    QLocalServer::removeServer(socketPath); // left behind by a crashed instance
    server->listen(socketPath);
    connect(server, &QLocalServer::newConnection, this, &SingleApplication::acceptConnection);
}

SingleApplication::~SingleApplication()
{
    if (server)
        server->close();
    if (lock && primary)
        lock->unlock();
}

QString SingleApplication::id() const
{
    return appId;
}

bool SingleApplication::isRunning() const
{
    return !primary;
}

bool SingleApplication::sendMessage(const QString &message, int timeout)
{
    if (primary)
        return false;
    QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    // The other instance may still be setting up its listener.
    for (;;) {
        socket.connectToServer(basePath + ".sock");
        if (socket.waitForConnected(int(qMax<qint64>(0, deadline.remainingTime()))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    const QByteArray body = message.toUtf8();
    QByteArray frame;
    QDataStream out(&frame, QIODevice::WriteOnly);
    out << quint32(body.size());
    frame += body;
    socket.write(frame);
    if (!socket.waitForBytesWritten(int(qMax<qint64>(0, deadline.remainingTime()))))
        return false;
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(qMax<qint64>(0, deadline.remainingTime()))))
            return false;
    }
    char ack = 0;
    return socket.getChar(&ack) && ack == kAck;
}

void SingleApplication::setActivationWindow(QWidget *w, bool activate)
{
    window = w;
    activateOnMessage = activate;
}

QWidget *SingleApplication::activationWindow() const
{
    return window;
}

void SingleApplication::activateWindow()
{
    if (!window)
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void SingleApplication::acceptConnection()
{
    while (QLocalSocket *socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (socket->bytesAvailable() < qint64(sizeof(quint32)))
                return;
            QDataStream in(socket->peek(sizeof(quint32)));
            quint32 size = 0;
            in >> size;
            if (size > kMaxMessage) {
                socket->abort();
                return;
            }
            if (socket->bytesAvailable() < qint64(sizeof(quint32) + size))
                return;
            socket->read(sizeof(quint32));
            const QString message = QString::fromUtf8(socket->read(size));
            socket->putChar(kAck);
            socket->flush();
            socket->disconnectFromServer();
            if (activateOnMessage)
                activateWindow();
            emit messageReceived(message);
        });
    }
}
