#include "app/logger.h"
#include "app/redact.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {
QString logPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/lumerithlog.txt";
}

QStringList readLines(const QString &path = logPath())
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// What stands under the shared name before the first line is written.
enum Planted { Nothing, OpenToOthers, LinkToOtherFile, SecondName, OtherUsersFile, OverTheCap };
} // namespace

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(logPath());
        QFile::remove(Logger::perUserLogFilePath());
    }

    void cleanupTestCase()
    {
        Logger::init(1, 0, false);
    }

    void startsWithBareName()
    {
        // Before init nothing has chosen a folder for the file.
        QCOMPARE(Logger::logFilePath(), QString("lumerithlog.txt"));
    }

    void fileModeFiltersInformation()
    {
        Logger::init(2, 0, false);
        QCOMPARE(Logger::logFilePath(), logPath());
        qDebug() << "MainWindow::clickedBtnScan";
        qInfo() << "an information line";
        qWarning("a warning");
        QCOMPARE(readLines(), QStringList() << "MainWindow::clickedBtnScan"
                                            << "a warning");
    }

    void outputInfoSwitchLetsInformationIn()
    {
        Logger::init(2, 1, false);
        qInfo() << "Error code:" << -22;
        QCOMPARE(readLines(), QStringList() << "Error code: -22");
    }

    void discardModeWritesNothing()
    {
        Logger::init(0, 1, false);
        qDebug() << "dropped";
        qWarning() << "dropped too";
        QVERIFY(!QFile::exists(logPath()));
    }

    void verboseAddsSourceLocation()
    {
        Logger::init(2, 0, true);
        qDebug("located");
        const QStringList lines = readLines();
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains("tst_logger.cpp(") && lines[0].endsWith(" : located"), qPrintable(lines[0]));
    }

    void secretsNeverReachTheFile_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        const QString r = redacted();
        QTest::newRow("fragment") << "http://127.0.0.1:53511/token?access_token=sl.AbC&token_type=bearer&state=s1"
                                  << "http://127.0.0.1:53511/token?access_token=" + r + "&token_type=bearer&state=s1";
        QTest::newRow("code in query") << "/cloud?code=4/0Ab-x_y&scope=drive" << "/cloud?code=" + r + "&scope=drive";
        QTest::newRow("form body") << "client_id=id1&client_secret=S3cr%21t&code_verifier=v-v.v~v&grant_type=x"
                                   << "client_id=id1&client_secret=" + r + "&code_verifier=" + r + "&grant_type=x";
        QTest::newRow("json answer") << "{\"access_token\": \"ya29.a\\\"b\", \"expires_in\": 3599, \"refresh_token\":\"1//x\"}"
                                     << "{\"access_token\": \"" + r + "\", \"expires_in\": 3599, \"refresh_token\":\"" + r + "\"}";
        QTest::newRow("oauth 1.0a answer") << "oauth_token=S=s1:U=9:E=1&oauth_token_secret=&edam_shard=s1"
                                           << "oauth_token=" + r + "&oauth_token_secret=&edam_shard=s1";
        QTest::newRow("oauth header") << "OAuth oauth_consumer_key=\"k\", oauth_signature=\"sec%26\""
                                      << "OAuth oauth_consumer_key=\"k\", oauth_signature=\"" + r + "\"";
        QTest::newRow("bearer header") << "Authorization: Bearer sl.tok-en" << "Authorization: Bearer " + r;
        QTest::newRow("address inside a query") << "/token?url_with_fragment=http%3A%2F%2F127.0.0.1%2Fcloud%23access_token%3Dsl.A-b"
                                                   "%26token_type%3Dbearer%26code%253Dx%2526state%3D9"
                                                << "/token?url_with_fragment=http%3A%2F%2F127.0.0.1%2Fcloud%23access_token%3D" + r
                                                   + "%26token_type%3Dbearer%26code%253D" + r + "%2526state%3D9";
        QTest::newRow("longer names kept") << "error_code=7&mycode=9 Error code: -22" << "error_code=7&mycode=9 Error code: -22";
    }

    void secretsNeverReachTheFile()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QCOMPARE(redactSecrets(line), expected);
        // The handler cuts them out even when a call site forgot to.
        Logger::init(2, 1, false);
        qInfo().noquote() << line;
        QCOMPARE(readLines(), QStringList() << expected);
    }

    void fileIsPrivateAndNeverPlanted_data()
    {
        QTest::addColumn<int>("planted");
        QTest::addColumn<bool>("sharedNameUsed");
        QTest::addColumn<QStringList>("sharedLines");
        QTest::newRow("nothing there") << int(Nothing) << true << QStringList{"line"};
        QTest::newRow("readable by others") << int(OpenToOthers) << true << QStringList{"old", "line"};
        QTest::newRow("link") << int(LinkToOtherFile) << false << QStringList{"victim"};
        QTest::newRow("second name of a file") << int(SecondName) << false << QStringList{"victim"};
        QTest::newRow("another user's file") << int(OtherUsersFile) << false << QStringList{"theirs"};
        QTest::newRow("over 10 MiB") << int(OverTheCap) << true << QStringList{"line"};
    }

    void fileIsPrivateAndNeverPlanted()
    {
        QFETCH(int, planted);
        QFETCH(bool, sharedNameUsed);
        QFETCH(QStringList, sharedLines);
        QTemporaryDir elsewhere;
        const QString victim = elsewhere.filePath("victim");
        writeFile(victim, "victim\n");
        switch (planted) {
        case OpenToOthers:
            writeFile(logPath(), "old\n");
            QVERIFY(QFile::setPermissions(logPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
            break;
        case LinkToOtherFile:
            QVERIFY(QFile::link(victim, logPath()));
            break;
        case SecondName:
            QCOMPARE(::link(QFile::encodeName(victim).constData(), QFile::encodeName(logPath()).constData()), 0);
            break;
        case OtherUsersFile:
            if (::geteuid() != 0)
                QSKIP("needs to hand a file to another user");
            writeFile(logPath(), "theirs\n");
            QCOMPARE(::chown(QFile::encodeName(logPath()).constData(), 65534, 65534), 0);
            break;
        case OverTheCap:
            writeFile(logPath(), QByteArray(10 * 1024 * 1024 + 1, 'x'));
            break;
        default:
            break;
        }

        Logger::init(2, 0, false);
        qDebug("line");
        const QString used = sharedNameUsed ? logPath() : Logger::perUserLogFilePath();
        QCOMPARE(readLines(used).last(), QString("line"));
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(used).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        QCOMPARE(readLines(sharedNameUsed ? logPath() : victim), sharedNameUsed ? sharedLines : QStringList{"victim"});
        if (!sharedNameUsed && planted == OtherUsersFile)
            QCOMPARE(readLines(logPath()), sharedLines);
    }

    void linesOfThreadsNeverMix()
    {
        Logger::init(2, 0, false);
        const int threads = 4, perThread = 200;
        std::vector<QThread *> workers;
        for (int t = 0; t < threads; ++t) {
            workers.push_back(QThread::create([t] {
                for (int i = 0; i < perThread; ++i)
                    qDebug("thread %d line %d with some padding to make the line longer", t, i);
            }));
            workers.back()->start();
        }
        for (QThread *w : workers) {
            QVERIFY(w->wait(30000));
            delete w;
        }
        const QStringList lines = readLines();
        QCOMPARE(lines.size(), threads * perThread);
        for (const QString &line : lines)
            QVERIFY2(QRegularExpression("^thread \\d line \\d+ with some padding to make the line longer$").match(line).hasMatch(),
                     qPrintable(line));
    }

    void twoRunsAppend()
    {
        for (int run = 0; run < 2; ++run) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("LOGGER_CHILD_RUN", QString::number(run));
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), QStringList());
            QVERIFY(child.waitForFinished(30000));
            QCOMPARE(child.exitCode(), 0);
        }
        QCOMPARE(readLines(), QStringList() << "run 0"
                                            << "run 1");
    }
};

int main(int argc, char **argv)
{
    // A child run writes one line the way the application does and exits.
    const QByteArray run = qgetenv("LOGGER_CHILD_RUN");
    if (!run.isEmpty()) {
        QCoreApplication app(argc, argv);
        Logger::init(2, 0, false);
        qDebug("run %s", run.constData());
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestLogger test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logger.moc"
