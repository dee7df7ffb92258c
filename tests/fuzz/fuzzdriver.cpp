#include "fuzz/fuzzdriver.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "fuzz/cannednetwork.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {
QTemporaryDir *scratch = nullptr;

bool verbose = false;

void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    // Only a fatal message says anything here, unless LUMERITH_FUZZ_VERBOSE
    // is set (to follow one input); the rest is the product's ordinary
    // diagnostics, millions of lines in a run.
    if (verbose)
        std::fprintf(stderr, "%s\n", qPrintable(text));
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "fatal: %s\n", qPrintable(text));
        std::abort();
    }
}

QString scratchBase()
{
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/lumerith-fuzz-XXXXXX")
                                                      : QDir::tempPath() + QStringLiteral("/lumerith-fuzz-XXXXXX");
}
} // namespace

QString fuzzScratchDir()
{
    return scratch ? scratch->path() : QString();
}

QString fuzzSettingsFile()
{
    return configFile().uiConfigFile();
}

void restoreSignIns()
{
    const QString file = fuzzSettingsFile();
    writeHexValue(file, QStringLiteral("dropbox/AccessToken"), QStringLiteral("sl.fuzz-token"));
    writeHexValue(file, QStringLiteral("evernote/AccessToken"), QStringLiteral("S=s1:U=1:fuzz"));
    writeHexValue(file, QStringLiteral("evernote/NoteStoreUrl"), QStringLiteral("http://127.0.0.1:9/shard/s1/notestore"));
    // Far in the future, so that the service's clock decides nothing by accident.
    writeHexValue(file, QStringLiteral("evernote/ExpiresIn"), QStringLiteral("4102444800"));
}

void fuzzCheck(bool condition, const char *rule)
{
    if (condition)
        return;
    std::fprintf(stderr, "rule broken: %s\n", rule);
    std::abort();
}

void fuzzWaitFor(const std::function<bool()> &done, const char *what)
{
    int seenAnswers = CannedNetwork::answersGiven();
    QDeadlineTimer deadline(5000);
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        // Outside a running loop nothing else deletes what was let go later.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (CannedNetwork::answersGiven() != seenAnswers) {
            seenAnswers = CannedNetwork::answersGiven();
            deadline.setRemainingTime(5000);
        }
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "no result: %s\n", what);
            std::abort();
        }
    }
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    scratch = new QTemporaryDir(scratchBase());
    if (!scratch->isValid()) {
        std::fprintf(stderr, "no scratch folder\n");
        std::exit(1);
    }
    const QByteArray home = QFile::encodeName(scratch->path());
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("TMPDIR", home);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    verbose = qEnvironmentVariableIsSet("LUMERITH_FUZZ_VERBOSE");
    qInstallMessageHandler(quietHandler);
    new QApplication(*argc, *argv);

    QDir().mkpath(scratch->path() + "/app");
    QFile ini(scratch->path() + "/app/MFPCFG.INI");
    if (!ini.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "no module configuration file\n");
        std::exit(1);
    }
    // The hosts are never reached: the canned network answers every request.
    ini.write("[MODULE_CONFIG]\nConfigPath=LumerithFuzz\n[INIFiles]\nUIConfig=LumerithUI.ini\n[CLOUD]\n"
              "DropboxWebHost=http://127.0.0.1:9\nDropboxApiHost=http://127.0.0.1:9\n"
              "DropboxContentHost=http://127.0.0.1:9\nGoogleAccountsHost=http://127.0.0.1:9\n"
              "GoogleApiHost=http://127.0.0.1:9\nMicrosoftLoginHost=http://127.0.0.1:9\n"
              "MicrosoftGraphHost=http://127.0.0.1:9\nEvernoteHost=http://127.0.0.1:9\n"
              "GoogleClientId=fuzz-client\n");
    ini.close();
    if (!configFile().init(scratch->path() + "/app")) {
        std::fprintf(stderr, "module configuration not read\n");
        std::exit(1);
    }
    CannedNetwork::install();
    restoreSignIns();
    setUpTarget();
    return 0;
}
