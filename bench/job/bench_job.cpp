// Pages per minute of a 20-page feeder scan (300 dpi, full colour, JPEG)
// through the real ScanningThread, next to the engine writing the same 20
// pages with the same calls and no job around them. The ratio is the job's
// overhead. Run: build/bin/bench_job [runs]
#include "app/configfile.h"
#include "app/globals.h"
#include "ptessark.h"
#include "scan/devicelists.h"
#include "scan/pmessage.h"
#include "scan/scanningthread.h"
#include "scan/scanrequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {
constexpr int kPages = 20;
constexpr int kDpi = 300;
constexpr int kWidth = 2550;  // Letter at 300 dpi
constexpr int kHeight = 3300;
constexpr double kGoalPercent = 10.0;

bool writeModuleConfig(const QString &appDir)
{
    QFile f(QDir(appDir).filePath("MFPCFG.INI"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&f);
    out << "[MODULE_CONFIG]\nConfigPath=LumerithBench\n[INIFiles]\nUIConfig=ui.ini\n";
    out << "[ENGINE]\nBackend=simulator\nPageTime=0\nSheets=" << kPages << "\n";
    return true;
}

ScanRequest feederRequest(const QString &folder)
{
    ScanRequest r;
    std::memset(&r, 0, sizeof r);
    r.paperSource = 2;
    r.scanMode = 0;
    r.resolution = kDpi;
    r.paperSizeId = 4;
    r.feederAvailable = true;
    r.areaInches[2] = 8.5;
    r.areaInches[3] = 11.0;
    r.areaPixels[2] = kWidth;
    r.areaPixels[3] = kHeight;
    r.localImageType = ImageJPEG;
    copyToWideBuffer(folder, r.localFolder, int(sizeof r.localFolder));
    copyToWideBuffer("Scan", r.localFilePrefix, int(sizeof r.localFilePrefix));
    return r;
}

int countFiles(const QString &folder)
{
    return int(QDir(folder).entryList(QDir::Files).size());
}

void emptyFolder(const QString &folder)
{
    QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        dir.remove(name);
}

double jobMs(PMessage &hub, const QString &folder)
{
    ScanningThread job(&hub);
    job.setRequest(feederRequest(folder), TargetLocal);
    QElapsedTimer timer;
    timer.start();
    job.start(QThread::HighPriority);
    job.wait();
    return timer.nsecsElapsed() / 1e6;
}

// The engine calls of the same job, on this thread, without the job.
double engineMs(PMessage &hub, const QString &folder, int *rc)
{
    PTessark &engine = tessark();
    QElapsedTimer timer;
    timer.start();
    *rc = engine.setPortName(3000, "simusb-0001");
    tagResponseDeviceInfo reply{};
    engine.getStatusFromSpecialPort(&reply);
    if (*rc == 0)
        *rc = engine.openPort();
    for (int page = 1; *rc == 0; ++page) {
        tagSCANNER_STATUS status{};
        engine.getDeviceStatus(&status);
        if (!status.paperInFeeder)
            break;
        engine.setParameters(&hub, 0, 0, kWidth, kHeight, kDpi, 0, 2, false, 0, 1, ImageJPEG,
                             QDir(folder).filePath(QString("page_%1.jpg").arg(page)));
        *rc = engine.startScan();
    }
    engine.scanFinish();
    engine.closePort();
    return timer.nsecsElapsed() / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    // Keep the engine's work files out of the user's configuration folder.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    const QString appDir = dir.filePath("app");
    const QString jobDir = dir.filePath("job");
    const QString engineDir = dir.filePath("engine");
    QDir().mkpath(appDir);
    QDir().mkpath(jobDir);
    QDir().mkpath(engineDir);
    if (!writeModuleConfig(appDir) || !configFile().init(appDir) || !tessark().initInterface(&configFile())) {
        std::fprintf(stderr, "cannot set up the simulated scanner\n");
        return 2;
    }
    deviceLists().setDevice(0, 134, 3000, "simusb-0001", "SimScan 3000");
    PMessage hub;
    int jobErrors = 0;
    QObject::connect(&hub, &PMessage::postErrorCode, &hub, [&jobErrors](int) { ++jobErrors; }, Qt::DirectConnection);

    double jobBest = std::numeric_limits<double>::max();
    double engineBest = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        emptyFolder(jobDir);
        jobBest = std::min(jobBest, jobMs(hub, jobDir));
        if (jobErrors != 0 || countFiles(jobDir) != kPages) {
            std::fprintf(stderr, "the job wrote %d pages (errors: %d)\n", countFiles(jobDir), jobErrors);
            return 1;
        }
        emptyFolder(engineDir);
        int rc = 0;
        engineBest = std::min(engineBest, engineMs(hub, engineDir, &rc));
        if (rc != 0 || countFiles(engineDir) != kPages) {
            std::fprintf(stderr, "the engine wrote %d pages (code %d)\n", countFiles(engineDir), rc);
            return 1;
        }
    }

    const double overhead = (jobBest / engineBest - 1.0) * 100.0;
    std::printf("%d feeder pages, %d x %d px, %d dpi, full colour JPEG, page time 0, best of %d\n", kPages, kWidth,
                kHeight, kDpi, runs);
    std::printf("scan job:     %8.1f ms  %6.1f pages/min\n", jobBest, kPages * 60000.0 / jobBest);
    std::printf("engine alone: %8.1f ms  %6.1f pages/min\n", engineBest, kPages * 60000.0 / engineBest);
    std::printf("ratio job/engine: %.3f, overhead %.1f %% (goal <= %.0f %%: %s)\n", jobBest / engineBest, overhead,
                kGoalPercent, overhead <= kGoalPercent ? "met" : "NOT met");
    return 0;
}
