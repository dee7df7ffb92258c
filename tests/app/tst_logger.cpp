#include "app/logger.h"
#include "app/redact.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include <vector>

namespace {
QString logPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/lumerithlog.txt";
}

QStringList readLines()
{
    QFile f(logPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}
} // namespace

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(logPath());
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
        QTest::newRow("address inside a query")
            << "/token?url_with_fragment=http%3A%2F%2Fh%2Fcloud%23access_token%3Dsl.x%26token_type%3Dbearer"
            << "/token?url_with_fragment=http%3A%2F%2Fh%2Fcloud%23access_token%3D" + r + "%26token_type%3Dbearer";
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
