// Uploads one large file through GoogleFile and through OneDriveFile to the
// fake services (separate processes, so only the client is measured), has
// curl send the same bytes to the same services, and prints throughput and
// peak resident memory of each. Each transfer runs several times and the best
// time counts, so that a busy machine disturbs the comparison less.
#include "app/configfile.h"
#include "app/globals.h"
#include "app/logger.h"
#include "cloud/cloudservice.h"
#include "cloud/google/googlefile.h"
#include "cloud/oauthsignin.h"
#include "cloud/onedrive/onedrivefile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {
const double kMiB = 1024.0 * 1024.0;
const char kToken[] = "bench-token";

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

struct Fake
{
    QProcess process;
    QString first, second; // base addresses of the two host roles

    bool start(const QString &service)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(FAKECLOUDD_PATH, {service, "--token", kToken});
        if (!process.waitForStarted() || !process.waitForReadyRead(10000))
            return false;
        const QList<QByteArray> words = process.readLine().trimmed().split(' ');
        first = QString::fromLatin1(words.value(1));
        second = QString::fromLatin1(words.value(3));
        return !second.isEmpty();
    }
    // The size and MD5 of the next file the service stored.
    QByteArray stored()
    {
        if (!process.canReadLine())
            process.waitForReadyRead(10000);
        return process.readLine().trimmed();
    }
    ~Fake()
    {
        process.closeWriteChannel();
        process.waitForFinished(5000);
    }
};

struct Run
{
    double seconds = 0;
    qint64 peakKiB = 0;
    qint64 baselineKiB = 0;
    int result = 1;
};

template <class Uploader>
Run runClient(Uploader &uploader, const QString &folder, const QString &path)
{
    Run run;
    run.baselineKiB = statusKiB("VmRSS:");
    const bool peakReset = resetPeak();
    QEventLoop loop;
    QObject::connect(&uploader, &Uploader::finishedCreateFile, &loop, [&](int nErrorCode) {
        run.result = nErrorCode;
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    if (uploader.createFile(folder, path, 4) == 0)
        loop.exec();
    run.seconds = clock.elapsed() / 1000.0;
    struct rusage self{};
    getrusage(RUSAGE_SELF, &self);
    run.peakKiB = peakReset ? statusKiB("VmHWM:") : qint64(self.ru_maxrss);
    return run;
}

// A sparse file of zeros standing for one fragment of the (sparse) upload.
QString fragmentFile(const QString &dir, qint64 n, qint64 length)
{
    const QString name = dir + QStringLiteral("/fragment%1.bin").arg(n);
    QFile f(name);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.resize(length);
    return name;
}

// The fastest run, and the highest growth over its baseline of all.
Run keepBest(const Run &best, const Run &run, bool bFirst)
{
    if (bFirst)
        return run;
    Run out = run.seconds < best.seconds ? run : best;
    out.result = best.result != 0 ? best.result : run.result;
    const Run &higher = run.peakKiB - run.baselineKiB > best.peakKiB - best.baselineKiB ? run : best;
    out.peakKiB = higher.peakKiB;
    out.baselineKiB = higher.baselineKiB;
    return out;
}

QByteArray curl(const QStringList &args, double *seconds = nullptr)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start("curl", QStringList{"-s", "-H", "Expect:"} + args);
    process.waitForFinished(600000);
    if (seconds)
        *seconds = clock.elapsed() / 1000.0;
    return process.readAllStandardOutput();
}

void report(const char *name, const Run &run, qint64 size, double curlSeconds, double allowanceMiB, bool sameBytes)
{
    const double rate = size / kMiB / run.seconds, curlRate = size / kMiB / curlSeconds;
    const double growthMiB = (run.peakKiB - run.baselineKiB) / 1024.0;
    std::printf("  %-12s %7.2f s %8.1f MiB/s  peak RSS %7.1f MiB (baseline %.1f, +%.1f)  result %d, bytes %s\n", name,
                run.seconds, rate, run.peakKiB / 1024.0, run.baselineKiB / 1024.0, growthMiB, run.result,
                sameBytes ? "match" : "DIFFER");
    std::printf("  %-12s %7.2f s %8.1f MiB/s\n", "curl", curlSeconds, curlRate);
    std::printf("  goals: throughput >= 0.75 of curl's: %s (%.2f); peak <= baseline + %.0f MiB: %s\n",
                rate >= 0.75 * curlRate ? "met" : "MISSED", rate / curlRate, allowanceMiB,
                growthMiB <= allowanceMiB ? "met" : "MISSED");
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Logger::init(0, 0, false); // the client's diagnostic lines would only slow it down
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 512;
    const int runs = argc > 2 ? qMax(1, QByteArray(argv[2]).toInt()) : 3;
    const qint64 size = mib * 1024 * 1024;

    Fake google, graph;
    if (!google.start("google") || !graph.start("graph")) {
        std::fprintf(stderr, "fake services did not start\n");
        return 1;
    }
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/lumerith-bench";
    QDir().mkpath(dir);
    QFile ini(dir + "/MFPCFG.INI");
    ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
    ini.write("[MODULE_CONFIG]\nConfigPath=LumerithBench\n[INIFiles]\nUIConfig=bench.ini\n[CLOUD]\nGoogleAccountsHost="
              + google.first.toUtf8() + "\nGoogleApiHost=" + google.second.toUtf8() + "\nMicrosoftLoginHost="
              + graph.first.toUtf8() + "\nMicrosoftGraphHost=" + graph.second.toUtf8() + "\n");
    ini.close();
    configFile().init(dir);
    for (int service : {int(CloudGoogleDrive), int(CloudOneDrive)}) {
        OAuthTokens tokens(service);
        tokens.saveAccessToken(kToken);
        tokens.storeRefreshToken("fake-refresh");
        tokens.saveExpiresIn(OAuthTokens::now() + 3600);
    }

    // Sparse: no disk traffic to speak of, the same bytes for every client.
    const QString path = dir + "/bench_upload.pdf";
    QFile data(path);
    if (!data.open(QIODevice::WriteOnly | QIODevice::Truncate) || !data.resize(size)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
        return 1;
    }
    data.close();
    const QByteArray expected = "stored " + QByteArray::number(size) + ' ' + md5Of(path);
    const QString bearer = QStringLiteral("Authorization: Bearer ") + kToken;
    std::printf("upload of %lld MiB to the fake services on loopback, best of %d\n", static_cast<long long>(mib), runs);

    bool allMatch = true;
    {
        Run best;
        double curlBest = 0;
        bool same = true;
        for (int i = 0; i < runs; ++i) {
            GoogleFile file;
            const Run run = runClient(file, "root", path);
            same = same && run.result == 0 && google.stored() == expected;
            best = keepBest(best, run, i == 0);
            // curl: the same session opening, then the same PUT.
            const QByteArray head = curl({"-D", "-", "-o", "/dev/null", "-X", "POST", "-H", bearer, "-H",
                                          "Content-Type: application/json; charset=utf-8", "-H",
                                          "X-Upload-Content-Length: " + QString::number(size), "-d",
                                          R"({"parents":[{"id":"root"}],"title":"curl.pdf"})",
                                          google.second + "/upload/drive/v2/files?uploadType=resumable"});
            QString location;
            for (const QByteArray &line : head.split('\n')) {
                if (line.toLower().startsWith("location:"))
                    location = QString::fromLatin1(line.mid(9).trimmed());
            }
            double curlSeconds = 0;
            curl({"-o", "/dev/null", "-X", "PUT", "-H", bearer, "-H",
                  QStringLiteral("Content-Range: bytes 0-%1/%2").arg(size - 1).arg(size), "-T", path, location},
                 &curlSeconds);
            same = same && google.stored() == expected;
            curlBest = i == 0 ? curlSeconds : qMin(curlBest, curlSeconds);
        }
        report("GoogleFile:", best, size, curlBest, 16, same);
        allMatch = allMatch && same;
    }
    {
        Run best;
        double curlBest = 0;
        bool same = true;
        for (int i = 0; i < runs; ++i) {
            OneDriveFile file;
            const Run run = runClient(file, "/", path);
            same = same && run.result == 0 && graph.stored() == expected;
            best = keepBest(best, run, i == 0);
            const QByteArray session =
                curl({"-X", "POST", "-H", bearer, "-H", "Content-Type: application/json", "-d",
                      R"({"item":{"@microsoft.graph.conflictBehavior":"rename","name":"curl.pdf"}})",
                      graph.second + "/v1.0/me/drive/items/root:/curl.pdf:/createUploadSession"});
            const QString uploadUrl = QJsonDocument::fromJson(session).object().value("uploadUrl").toString();
            // The service takes fragments only, so curl sends the same ones,
            // one after the other on one connection, as the client does.
            QStringList args;
            for (qint64 offset = 0, n = 0; offset < size; offset += OneDriveFile::kFragmentSize, ++n) {
                const qint64 last = qMin(size, offset + OneDriveFile::kFragmentSize) - 1;
                if (n > 0)
                    args << "--next" << "-s" << "-H" << "Expect:";
                args << "-o" << "/dev/null" << "-X" << "PUT" << "-H"
                     << QStringLiteral("Content-Range: bytes %1-%2/%3").arg(offset).arg(last).arg(size) << "-T"
                     << fragmentFile(dir, n, last - offset + 1) << uploadUrl;
            }
            double curlSeconds = 0;
            curl(args, &curlSeconds);
            same = same && graph.stored() == expected;
            curlBest = i == 0 ? curlSeconds : qMin(curlBest, curlSeconds);
        }
        report("OneDriveFile:", best, size, curlBest, OneDriveFile::kFragmentSize / kMiB, same);
        allMatch = allMatch && same;
    }
    QFile::remove(path);
    for (const QString &name : QDir(dir).entryList({"fragment*.bin"}))
        QFile::remove(dir + "/" + name);
    return allMatch ? 0 : 1;
}
