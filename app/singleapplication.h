#pragma once

#include <QApplication>
#include <QPointer>

#include <memory>

class QLocalServer;
class QLockFile;

// An application object that knows whether another instance of the same id
// runs for this user. The first instance holds a lock file and listens on a
// local socket; later instances hand it a message and step aside.
//
//   first:  lock taken -> listen -> message arrives -> ack -> raise window
//   later:  lock busy  -> connect -> send message -> wait for ack (time-out)
class SingleApplication : public QApplication
{
    Q_OBJECT
public:
    SingleApplication(const QString &appId, int &argc, char **argv);
    ~SingleApplication() override;

    // True when another instance holds the lock.
    bool isRunning() const;
    // True only when a running instance received the message within the time-out.
    bool sendMessage(const QString &message, int timeout = 5000);
    void setActivationWindow(QWidget *window, bool activateOnMessage = true);
    QWidget *activationWindow() const;

    QString id() const;

signals:
    void messageReceived(const QString &message);

public slots:
    void activateWindow();

private:
    void acceptConnection();

    QString appId;
    QString basePath;
    std::unique_ptr<QLockFile> lock;
    QLocalServer *server = nullptr;
    bool primary = false;
    QPointer<QWidget> window;
    bool activateOnMessage = false;
};
