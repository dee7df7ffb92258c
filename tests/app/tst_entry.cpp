// The module's entry as the host program runs it: the module configuration
// file and the translations folder beside the program, the log mode they
// choose, the single-instance id and the exit code handed back.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestEntry : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch;

    QString hostPath() const { return scratch.filePath("entryhost"); }

    // The program folder: the host, the module, MFPCFG.INI and translations.
    void prepareFolder(const QByteArray &enableLogFile)
    {
        QFile::remove(hostPath());
        QVERIFY(QFile::copy(ENTRY_HOST, hostPath()));
        QVERIFY(QFile::setPermissions(hostPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QFile::remove(scratch.filePath("libcorvel.so"));
        QVERIFY(QFile::link(CORVEL_MODULE, scratch.filePath("libcorvel.so")));
        QDir().mkpath(scratch.filePath("translations"));
        QFile::remove(scratch.filePath("translations/corvel_de.qm"));
        QVERIFY(QFile::copy(QStringLiteral(CORVEL_TRANSLATIONS) + "/corvel_de.qm", scratch.filePath("translations/corvel_de.qm")));
        QFile ini(scratch.filePath("MFPCFG.INI"));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[MODULE_CONFIG]\nConfigPath=LumerithEntry\n[INIFiles]\nUIConfig=ui.ini\n[Debug]\nEnableLogFile="
                  + enableLogFile + "\nOutputMsg=0\n[ENGINE]\nBackend=simulator\n");
        QDir(scratch.filePath("tmp")).removeRecursively();
        QDir().mkpath(scratch.filePath("tmp"));
        QDir().mkpath(scratch.filePath("run"));
        QVERIFY(QFile::setPermissions(scratch.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void start(QProcess &p, const QString &locale)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", locale);
        env.insert("LANG", locale);
        env.remove("LANGUAGE");
        env.insert("TMPDIR", scratch.filePath("tmp"));
        env.insert("XDG_RUNTIME_DIR", scratch.filePath("run"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(hostPath(), QStringList());
        QVERIFY(p.waitForStarted());
    }

    // Asks until the main window answers; its Scan button's text, or empty.
    static QString shownScanText(QProcess &p)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000 && p.state() == QProcess::Running) {
            p.write("show\n");
            while (p.waitForReadyRead(500)) {
                while (p.canReadLine()) {
                    const QString line = QString::fromUtf8(p.readLine()).trimmed();
                    if (line.startsWith("window "))
                        return line.mid(7);
                }
            }
        }
        return QString();
    }

private slots:
    void runsAsTheHostRunsIt_data()
    {
        QTest::addColumn<QByteArray>("enableLogFile");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("scanText");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("German, logging") << QByteArray("1") << "de_DE.UTF-8" << QString("Scannen") << 7;
        QTest::newRow("English, no log") << QByteArray("0") << "en_US.UTF-8" << QString("Scan") << 0;
    }

    void runsAsTheHostRunsIt()
    {
        QFETCH(QByteArray, enableLogFile);
        QFETCH(QString, locale);
        QFETCH(QString, scanText);
        QFETCH(int, exitCode);
        prepareFolder(enableLogFile);

        QProcess first;
        start(first, locale);
        // The translation comes from the folder beside the program.
        QCOMPARE(shownScanText(first), scanText);
        // The single-instance id names the lock of the running instance.
        QVERIFY(QFile::exists(scratch.filePath(QStringLiteral("run/quimbel_scanapp-%1.lock").arg(getuid()))));

        // A second start hands over and returns 0 at once, without a window.
        QProcess second;
        start(second, locale);
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardOutput().contains("returned 0"));

        // The event loop's exit code comes back unchanged through the host.
        first.write(QStringLiteral("exit %1\n").arg(exitCode).toLatin1());
        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), exitCode);

        // Logging as the module configuration file says: to the temporary
        // folder, readable by its owner only, or not at all.
        const QString log = scratch.filePath("tmp/lumerithlog.txt");
        QCOMPARE(QFile::exists(log), enableLogFile == "1");
        if (QFile::exists(log)) {
            QFile f(log);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(f.readAll().contains("MainWindow::"));
            QCOMPARE(QFile::permissions(log) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        }
    }
};

QTEST_GUILESS_MAIN(TestEntry)
#include "tst_entry.moc"
