// brennic as the CEF runtime (or a user) starts it: a separate process whose
// exit code is the execute-process result. On Linux a result of -1 shows up
// as exit code 255.

#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>

namespace {

struct Run {
    QProcess::ExitStatus status = QProcess::CrashExit;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// No display of any kind, so a program that tried to open a window would fail.
QProcessEnvironment headlessEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LD_LIBRARY_PATH"})
        env.remove(QString::fromLatin1(name));
    return env;
}

Run runBrennic(const QStringList &arguments, const QProcessEnvironment &env = headlessEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(BRENNIC_PATH), arguments);
    Run run;
    if (!process.waitForStarted() || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus();
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace

class TestBrennic : public QObject
{
    Q_OBJECT

private slots:
    void startedByHandIsNotASubProcess_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no arguments") << QStringList();
        QTest::newRow("other switches") << QStringList{"--lang=en-US", "--enable-logging"};
        QTest::newRow("empty type") << QStringList{"--type="};
        QTest::newRow("type after the switch end") << QStringList{"--", "--type=renderer"};
    }

    void startedByHandIsNotASubProcess()
    {
        QFETCH(QStringList, arguments);
        const Run run = runBrennic(arguments);
        QCOMPARE(run.status, QProcess::NormalExit);
        QCOMPARE(run.exitCode, 255); // -1 from execute-process
        QCOMPARE(run.out, QByteArray());
        QCOMPARE(run.err, QByteArray());
    }

    void linksNoWindowingLibrary()
    {
        // The dynamic loader lists what the program loads and stops before main().
        QProcessEnvironment env = headlessEnvironment();
        env.insert(QStringLiteral("LD_TRACE_LOADED_OBJECTS"), QStringLiteral("1"));
        const Run run = runBrennic({}, env);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains("libQt5Core"), run.out.constData());
        for (const char *windowing : {"libQt5Gui", "libQt5Widgets", "libX11", "libxcb", "libwayland", "libGL"})
            QVERIFY2(!run.out.contains(windowing), windowing);
    }

#ifdef LUMERITH_CEF_STANDIN
    // The stand-in renderer reports each navigation and the hook's answer.
    void rendererLetsEveryNavigationProceed()
    {
        const Run run = runBrennic(
            {"--type=renderer", "--navigate=https://www.example.com/login?x=1", "--navigate=about:blank"});
        QCOMPARE(run.status, QProcess::NormalExit);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("https://www.example.com/login?x=1 proceeds\nabout:blank proceeds\n"));
    }

    void rolesTheStandInCannotHostFail()
    {
        const Run run = runBrennic({"--type=gpu-process"});
        QCOMPARE(run.status, QProcess::NormalExit);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("gpu-process"));
    }

    void runtimeOfAnotherApiRunsNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no switch") << QStringList();
        QTest::newRow("renderer") << QStringList{"--type=renderer", "--navigate=about:blank"};
        QTest::newRow("gpu") << QStringList{"--type=gpu-process"};
    }

    void runtimeOfAnotherApiRunsNothing()
    {
        QFETCH(QStringList, arguments);
        QProcessEnvironment env = headlessEnvironment();
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(CEFSTUB_OTHER_API_DIR));
        const Run run = runBrennic(arguments, env);
        QCOMPARE(run.status, QProcess::NormalExit);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray()); // the renderer never ran
        QVERIFY(run.err.contains("64b27477b82b44b51ce817522f744fca6768cbbb"));
    }
#endif
};

QTEST_GUILESS_MAIN(TestBrennic)
#include "tst_brennic.moc"
