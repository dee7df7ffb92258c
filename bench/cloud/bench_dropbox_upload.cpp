// Uploads one large file through DropboxFile to the fake service (a separate
// process, so only the client is measured), then has curl post the same bytes
// to the same service, and prints throughput and peak resident memory of both.
#include "app/configfile.h"
#include "app/globals.h"
#include "app/logger.h"
#include "cloud/dropbox/dropboxapi.h"
#include "cloud/dropbox/dropboxfile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {
const double kMiB = 1024.0 * 1024.0;

qint64 statusKiB(const char *field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Lets the peak (VmHWM) start again from the current resident size.
bool resetPeak()
{
    QFile clear("/proc/self/clear_refs");
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

QByteArray md5Of(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(&f);
    return hash.result().toHex();
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Logger::init(0, 0, false); // the client's diagnostic lines would only slow it down
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 512;
    const qint64 size = mib * 1024 * 1024;
    const QString token = "bench-token";

    QProcess fake;
    fake.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    fake.start(FAKEDROPBOXD_PATH, {"--token", token, "--max-request", QString::number(size + 1)});
    if (!fake.waitForStarted() || !fake.waitForReadyRead(10000)) {
        std::fprintf(stderr, "fake service did not start\n");
        return 1;
    }
    const QList<QByteArray> ports = fake.readLine().trimmed().split(' ');
    const QString api = "http://127.0.0.1:" + QString::fromLatin1(ports.value(1));
    const QString content = "http://127.0.0.1:" + QString::fromLatin1(ports.value(3));

    const QString dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/lumerith-bench";
    QDir().mkpath(dir);
    QFile ini(dir + "/MFPCFG.INI");
    ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
    ini.write("[MODULE_CONFIG]\nConfigPath=LumerithBench\n[INIFiles]\nUIConfig=bench.ini\n[CLOUD]\nDropboxApiHost="
              + api.toUtf8() + "\nDropboxContentHost=" + content.toUtf8() + "\n");
    ini.close();
    configFile().init(dir);
    writeHexValue(configFile().uiConfigFile(), "dropbox/AccessToken", token);

    // Sparse: no disk traffic to speak of, the same bytes for both clients.
    const QString path = dir + "/bench_upload.bin";
    QFile data(path);
    if (!data.open(QIODevice::WriteOnly | QIODevice::Truncate) || !data.resize(size)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
        return 1;
    }
    data.close();
    const QByteArray expected = md5Of(path);

    // DropboxFile.
    const qint64 baselineKiB = statusKiB("VmRSS:");
    const bool peakReset = resetPeak();
    DropboxFile file;
    int result = 1;
    QEventLoop loop;
    QObject::connect(&file, &DropboxFile::finishedCreateFile, &loop, [&](int nErrorCode) {
        result = nErrorCode;
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    if (file.createFile("/Bench", path, 1) == 0)
        loop.exec();
    const double clientSeconds = clock.elapsed() / 1000.0;
    struct rusage self{};
    getrusage(RUSAGE_SELF, &self);
    const qint64 clientPeakKiB = peakReset ? statusKiB("VmHWM:") : qint64(self.ru_maxrss);
    fake.waitForReadyRead(5000);
    const QList<QByteArray> committed = fake.readLine().trimmed().split(' ');
    const bool sameBytes = result == 0 && committed.value(1).toLongLong() == size && committed.value(2) == expected;

    // curl, the same bytes in one request to the same service.
    QProcess curl;
    clock.restart();
    curl.start("curl", {"-s", "-o", "/dev/null", "-w", "%{http_code}", "-X", "POST", "-H", "Expect:",
                        "-H", "Authorization: Bearer " + token, "-H", "Content-Type: application/octet-stream",
                        "-H", "Dropbox-API-Arg: {\"close\":false}", "-T", path,
                        content + "/2/files/upload_session/start"});
    const bool curlRan = curl.waitForFinished(600000);
    const double curlSeconds = clock.elapsed() / 1000.0;
    const QByteArray curlStatus = curl.readAllStandardOutput();
    struct rusage children{};
    getrusage(RUSAGE_CHILDREN, &children); // only curl has been reaped so far

    fake.closeWriteChannel();
    fake.waitForFinished(5000);
    QFile::remove(path);

    const double clientRate = size / kMiB / clientSeconds;
    const double curlRate = size / kMiB / curlSeconds;
    const double chunkMiB = kDropboxChunkSize / kMiB;
    std::printf("upload of %lld MiB to the fake service on loopback\n", static_cast<long long>(mib));
    std::printf("  DropboxFile: %7.2f s  %8.1f MiB/s  peak RSS %7.1f MiB (baseline %.1f MiB, +%.1f MiB)  result %d, bytes %s\n",
                clientSeconds, clientRate, clientPeakKiB / 1024.0, baselineKiB / 1024.0,
                (clientPeakKiB - baselineKiB) / 1024.0, result, sameBytes ? "match" : "DIFFER");
    std::printf("  curl:        %7.2f s  %8.1f MiB/s  peak RSS %7.1f MiB  HTTP %s%s\n", curlSeconds, curlRate,
                children.ru_maxrss / 1024.0, curlStatus.constData(), curlRan ? "" : " (did not finish)");
    std::printf("  goals: throughput >= half of curl's: %s (%.0f%%); peak <= baseline + two chunks (%.0f MiB): %s\n",
                clientRate >= curlRate / 2 ? "met" : "MISSED", 100.0 * clientRate / curlRate, 2 * chunkMiB,
                (clientPeakKiB - baselineKiB) / 1024.0 <= 2 * chunkMiB ? "met" : "MISSED");
    return sameBytes ? 0 : 1;
}
