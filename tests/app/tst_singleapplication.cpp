#include "app/singleapplication.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <cstdio>

// Child processes run the start-up the way the application does.
namespace {
const char kId[] = "lumerith_test_instance";

int runChild(const QByteArray &mode, int argc, char **argv)
{
    SingleApplication app(kId, argc, argv);
    if (mode == "second") {
        if (app.sendMessage(kId, 5000))
            return 10; // the first instance got it
        return app.isRunning() ? 11 : 12;
    }
    // mode "first": show a minimised window and report what a message does to it.
    if (app.sendMessage(kId, 5000) || app.isRunning())
        return 13;
    QMainWindow window;
    window.resize(200, 100);
    window.showMinimized();
    app.setActivationWindow(&window, true);
    QObject::connect(&app, &SingleApplication::messageReceived, &app, [&](const QString &message) {
        std::printf("message %s minimised %d\n", qPrintable(message), int(window.isMinimized()));
        std::fflush(stdout);
        QTimer::singleShot(100, &app, [&] { app.quit(); });
    });
    const int delay = qEnvironmentVariableIntValue("CHILD_LOOP_DELAY_MS");
    if (delay > 0)
        QThread::msleep(ulong(delay)); // still starting up: no event loop yet
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
} // namespace

class TestSingleApplication : public QObject
{
    Q_OBJECT

private:
    static void startChild(QProcess &p, const QByteArray &mode, int delayMs = 0)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SINGLE_CHILD", QString::fromLatin1(mode));
        env.insert("CHILD_LOOP_DELAY_MS", QString::number(delayMs));
        p.setProcessEnvironment(env);
        p.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(p.waitForStarted());
    }

private slots:
    void secondInstanceRaisesFirst()
    {
        QProcess first;
        startChild(first, "first");
        QVERIFY(first.waitForReadyRead(10000));
        QCOMPARE(first.readLine().trimmed(), QByteArray("ready"));

        QProcess second;
        startChild(second, "second");
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 10);

        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(first.readAll().trimmed(), QByteArray("message lumerith_test_instance minimised 0"));
    }

    void loneInstanceIsFirst()
    {
        // With nobody else around the message goes nowhere.
        QProcess second;
        startChild(second, "second");
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 12);
    }

    void instanceStillStartingIsFoundRunning()
    {
        QProcess first;
        startChild(first, "first", 6500);
        // Give it time to take the lock before the second one starts.
        QTest::qWait(500);
        QProcess second;
        startChild(second, "second");
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitCode(), 11);
        first.kill();
        first.waitForFinished();
    }

    void crashedInstanceLeavesNoBlock()
    {
        QProcess first;
        startChild(first, "first");
        QVERIFY(first.waitForReadyRead(10000));
        first.kill(); // lock and socket files stay behind
        QVERIFY(first.waitForFinished());

        QProcess again;
        startChild(again, "first");
        QVERIFY(again.waitForReadyRead(10000));
        QCOMPARE(again.readLine().trimmed(), QByteArray("ready"));
        QProcess second;
        startChild(second, "second");
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 10);
        QVERIFY(again.waitForFinished(10000));
    }
};

int main(int argc, char **argv)
{
    const QByteArray mode = qgetenv("SINGLE_CHILD");
    if (!mode.isEmpty())
        return runChild(mode, argc, argv);
    QCoreApplication app(argc, argv);
    TestSingleApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleapplication.moc"
