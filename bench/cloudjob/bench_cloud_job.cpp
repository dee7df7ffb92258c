// A 20-page feeder job scanned to the fake Dropbox service the way the main
// window runs it: the scan job announces each page and the upload dialog
// uploads it while the scan goes on. Timed next to the same scan alone (to
// a local folder) and the same 20 pages uploaded alone, in one run. The
// service is a separate process, so only this side is measured. Goal: the
// whole job takes at most 1.15 times the longer of the two.
// Run: build/bin/bench_cloud_job [runs] [page ms]
#include "app/configfile.h"
#include "app/globals.h"
#include "app/logger.h"
#include "cloud/uploadingdialog.h"
#include "ptessark.h"
#include "scan/devicelists.h"
#include "scan/pmessage.h"
#include "scan/scanningthread.h"
#include "scan/scanrequest.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {
constexpr int kPages = 20;
constexpr int kDpi = 300;
constexpr int kWidth = 2550; // Letter at 300 dpi
constexpr int kHeight = 3300;
constexpr double kGoal = 1.15;
const char kToken[] = "bench-token";

ScanRequest feederRequest(const QString &folder)
{
    ScanRequest r;
    std::memset(&r, 0, sizeof r);
    r.paperSource = 2;
    r.resolution = kDpi;
    r.paperSizeId = 4;
    r.feederAvailable = true;
    r.areaInches[AreaWidth] = 8.5;
    r.areaInches[AreaHeight] = 11.0;
    r.areaPixels[AreaWidth] = kWidth;
    r.areaPixels[AreaHeight] = kHeight;
    r.localImageType = ImageJPEG;
    r.cloudImageType = ImageJPEG;
    r.cloudService = 4;
    r.storeToLocal = true;
    setWideText(r.localFolder, folder);
    setWideText(r.localFilePrefix, QStringLiteral("Scan"));
    setWideText(r.cloudLocalFolder, folder);
    setWideText(r.cloudFilePrefix, QStringLiteral("Scan"));
    setWideText(r.cloudFolderId, QStringLiteral("/Job"));
    return r;
}

QStringList pageFiles(const QString &folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({"*.jpg"}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

void emptyFolder(const QString &folder)
{
    for (const QString &path : pageFiles(folder))
        QFile::remove(path);
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

// What the fake service committed, as "size md5" lines on its output.
class Service
{
public:
    bool start()
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(FAKEDROPBOXD_PATH), {"--token", kToken});
        if (!process.waitForStarted() || !process.waitForReadyRead(10000))
            return false;
        const QList<QByteArray> ports = process.readLine().trimmed().split(' ');
        api = "http://127.0.0.1:" + QString::fromLatin1(ports.value(1));
        content = "http://127.0.0.1:" + QString::fromLatin1(ports.value(3));
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, [this] {
            while (process.canReadLine()) {
                const QList<QByteArray> words = process.readLine().trimmed().split(' ');
                if (words.value(0) == "committed")
                    committed << words.value(2);
            }
        });
        return true;
    }
    ~Service()
    {
        process.closeWriteChannel();
        process.waitForFinished(5000);
    }

    // Whether every page file arrived with its bytes.
    bool hasAll(const QStringList &paths)
    {
        // The service reports a commit just after answering it.
        QElapsedTimer waited;
        waited.start();
        while (committed.size() < paths.size() && waited.elapsed() < 5000)
            process.waitForReadyRead(100);
        QSet<QByteArray> sums;
        for (const QByteArray &sum : committed)
            sums.insert(sum);
        for (const QString &path : paths)
            if (!sums.contains(md5Of(path))) {
                std::fprintf(stderr, "not on the service: %s\n", qPrintable(path));
                return false;
            }
        return committed.size() == paths.size();
    }

    QProcess process;
    QString api, content;
    QList<QByteArray> committed;
};

// The scan alone: the job to a local folder.
double scanMs(PMessage &hub, const QString &folder)
{
    ScanningThread job(&hub);
    job.setRequest(feederRequest(folder), TargetLocal);
    QEventLoop loop;
    QObject::connect(&job, &QThread::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    job.start(QThread::HighPriority);
    loop.exec();
    return timer.nsecsElapsed() / 1e6;
}

// The uploads alone: the pages of a finished scan handed over at once.
double uploadMs(PMessage &hub, const QStringList &paths)
{
    UploadingDialog dialog(QStringLiteral("Lumerith V2"), &hub, 4);
    QEventLoop loop;
    QObject::connect(&hub, &PMessage::finishedUploadFiles, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QElapsedTimer timer;
    timer.start();
    for (const QString &path : paths)
        dialog.addUploadFile(QStringLiteral("/Alone"), path, ImageJPEG, false);
    dialog.finishedScanning(false);
    loop.exec();
    return timer.nsecsElapsed() / 1e6;
}

// The whole job, as the main window runs it: the upload dialog made by the
// first page, told when the scan has ended, done when the uploads are.
double wholeJobMs(PMessage &hub, const QString &folder)
{
    ScanningThread job(&hub);
    job.setRequest(feederRequest(folder), TargetCloudAndLocal);
    UploadingDialog *dialog = nullptr;
    QEventLoop loop;
    QObject ctx;
    QObject::connect(&hub, &PMessage::finishedPage, &ctx, [&](QString id, QString path, int type, bool bDelete) {
        if (!dialog)
            dialog = new UploadingDialog(QStringLiteral("Lumerith V2"), &hub, 4);
        dialog->addUploadFile(id, path, type, bDelete);
    });
    QObject::connect(&job, &QThread::finished, &ctx, [&] {
        if (dialog)
            dialog->finishedScanning(job.isCancelled());
        else
            loop.quit();
    });
    QObject::connect(&hub, &PMessage::finishedUploadFiles, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QElapsedTimer timer;
    timer.start();
    job.start(QThread::HighPriority);
    loop.exec();
    const double ms = timer.nsecsElapsed() / 1e6;
    delete dialog;
    return ms;
}

bool writeModuleConfig(const QString &appDir, const Service &service, int pageMs)
{
    QFile f(QDir(appDir).filePath("MFPCFG.INI"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write("[MODULE_CONFIG]\nConfigPath=LumerithBench\n[INIFiles]\nUIConfig=ui.ini\n");
    f.write("[ENGINE]\nBackend=simulator\nPageTime=" + QByteArray::number(pageMs) + "\nSheets="
            + QByteArray::number(kPages) + "\n");
    f.write("[CLOUD]\nDropboxApiHost=" + service.api.toUtf8() + "\nDropboxContentHost=" + service.content.toUtf8()
            + "\n");
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Logger::init(0, 0, false); // the diagnostic lines would only slow the job down
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const int pageMs = argc > 2 ? std::max(0, atoi(argv[2])) : 300;

    Service service;
    if (!service.start()) {
        std::fprintf(stderr, "fake service did not start\n");
        return 2;
    }
    const QString appDir = dir.filePath("app");
    const QString scanDir = dir.filePath("scan");
    const QString jobDir = dir.filePath("job");
    for (const QString &d : {appDir, scanDir, jobDir})
        QDir().mkpath(d);
    if (!writeModuleConfig(appDir, service, pageMs) || !configFile().init(appDir)
        || !tessark().initInterface(&configFile())) {
        std::fprintf(stderr, "cannot set up the simulated scanner\n");
        return 2;
    }
    writeHexValue(configFile().uiConfigFile(), QStringLiteral("dropbox/AccessToken"), QString::fromLatin1(kToken));
    deviceLists().setDevice(0, 134, 3000, "simusb-0001", "SimScan 3000");
    PMessage hub;
    int errors = 0;
    QObject::connect(&hub, &PMessage::postErrorCode, &hub, [&errors](int) { ++errors; }, Qt::DirectConnection);

    double scanBest = std::numeric_limits<double>::max();
    double uploadBest = scanBest;
    double wholeBest = scanBest;
    for (int i = 0; i < runs; ++i) {
        emptyFolder(scanDir);
        scanBest = std::min(scanBest, scanMs(hub, scanDir));
        const QStringList scanned = pageFiles(scanDir);
        service.committed.clear();
        uploadBest = std::min(uploadBest, uploadMs(hub, scanned));
        if (errors || scanned.size() != kPages || !service.hasAll(scanned)) {
            std::fprintf(stderr, "scan alone: %d pages, %d uploaded, errors %d\n", int(scanned.size()),
                         int(service.committed.size()), errors);
            return 1;
        }
        emptyFolder(jobDir);
        service.committed.clear();
        wholeBest = std::min(wholeBest, wholeJobMs(hub, jobDir));
        const QStringList kept = pageFiles(jobDir);
        if (errors || kept.size() != kPages || !service.hasAll(kept)) {
            std::fprintf(stderr, "whole job: %d pages, %d uploaded, errors %d\n", int(kept.size()),
                         int(service.committed.size()), errors);
            return 1;
        }
    }

    const double longer = std::max(scanBest, uploadBest);
    const double ratio = wholeBest / longer;
    std::printf("%d feeder pages, %d x %d px, %d dpi, colour JPEG, page time %d ms, to the fake Dropbox service, "
                "best of %d\n",
                kPages, kWidth, kHeight, kDpi, pageMs, runs);
    std::printf("scan alone:    %8.1f ms\n", scanBest);
    std::printf("uploads alone: %8.1f ms\n", uploadBest);
    std::printf("whole job:     %8.1f ms  (scan and uploads one after the other: %.1f ms)\n", wholeBest,
                scanBest + uploadBest);
    std::printf("whole job / longer of the two: %.3f (goal <= %.2f: %s)\n", ratio, kGoal,
                ratio <= kGoal ? "met" : "NOT met");
    return 0;
}
