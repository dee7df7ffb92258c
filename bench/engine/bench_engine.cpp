// Time of the simulated engine for one 600-dpi A4 full-colour JPEG page,
// next to cjpeg encoding the same raster from a PPM, as a ratio. Also the
// time a cancelled page takes to end. Run: build/bin/bench_engine [runs]
#include "app/configfile.h"
#include "jpegencoder.h"
#include "ptessark.h"
#include "syntheticpage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <thread>
#include <vector>

namespace {
constexpr int kWidth = 4961;
constexpr int kHeight = 7016;
constexpr int kDpi = 600;
constexpr double kGoal = 1.5;

void writeEngineKeys(const QString &ini, int pageTimeMs)
{
    QSettings s(ini, QSettings::IniFormat);
    s.setValue("ENGINE/Backend", "simulator");
    s.setValue("ENGINE/PageTime", pageTimeMs);
    s.sync();
}

// One job of one page, as the scan job runs it; the time of startScan alone.
double enginePageMs(PTessark &engine, const QString &path, int *rc)
{
    engine.setPortName(3000, "simusb-0001");
    tagResponseDeviceInfo reply{};
    engine.getStatusFromSpecialPort(&reply);
    engine.openPort();
    tagSCANNER_STATUS status{};
    engine.getDeviceStatus(&status);
    engine.setParameters(nullptr, 0, 0, kWidth, kHeight, kDpi, 0, 1, false, 0, 1, 1, path);
    QElapsedTimer timer;
    timer.start();
    *rc = engine.startScan();
    const double ms = timer.nsecsElapsed() / 1e6;
    engine.scanFinish();
    engine.closePort();
    return ms;
}

bool writePpm(const QString &path)
{
    SyntheticPageSetup setup;
    setup.width = kWidth;
    setup.height = kHeight;
    setup.dpi = kDpi;
    setup.pageNumber = 1; // what the engine draws on the first page of a job
    SyntheticPage page(setup);
    FILE *f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!f)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
    std::vector<const quint8 *> rows(64);
    for (int y = 0; y < kHeight; y += 64) {
        const int n = std::min(64, kHeight - y);
        page.rows(y, n, rows.data());
        for (int i = 0; i < n; ++i)
            std::fwrite(rows[size_t(i)], 1, size_t(kWidth) * 3, f);
    }
    return std::fclose(f) == 0;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString cjpeg = QStandardPaths::findExecutable("cjpeg");
    if (cjpeg.isEmpty()) {
        std::fprintf(stderr, "cjpeg not found (package libjpeg-turbo-progs)\n");
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;

    ConfigFile config;
    config.strMfpCfgFile = dir.filePath("MFPCFG.INI");
    config.strPDFFileName = dir.filePath("IMGPDF.pdf");
    writeEngineKeys(config.strMfpCfgFile, 0);
    PTessark engine;
    engine.initInterface(&config);

    double engineBest = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        int rc = 0;
        const QString path = dir.filePath(QString("engine_%1.jpg").arg(i));
        engineBest = std::min(engineBest, enginePageMs(engine, path, &rc));
        if (rc != 0) {
            std::fprintf(stderr, "engine page failed: %d\n", rc);
            return 1;
        }
    }

    const QString ppm = dir.filePath("page.ppm");
    if (!writePpm(ppm)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(ppm));
        return 1;
    }
    double cjpegBest = std::numeric_limits<double>::max();
    const QStringList args{"-quality", QString::number(kJpegQuality), "-outfile", dir.filePath("cjpeg.jpg"), ppm};
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(cjpeg, args);
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            std::fprintf(stderr, "cjpeg failed\n");
            return 1;
        }
        cjpegBest = std::min(cjpegBest, timer.nsecsElapsed() / 1e6);
    }

    // Cancel in the middle of a slow page.
    writeEngineKeys(config.strMfpCfgFile, 10000);
    engine.setPortName(3000, "simusb-0001");
    engine.openPort();
    engine.setParameters(nullptr, 0, 0, kWidth, kHeight, kDpi, 0, 1, false, 0, 1, 1, dir.filePath("cancel.jpg"));
    QElapsedTimer clock;
    clock.start();
    qint64 returnedNs = 0;
    std::thread page([&] {
        engine.startScan();
        returnedNs = clock.nsecsElapsed();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const qint64 cancelNs = clock.nsecsElapsed();
    engine.cancelJob();
    page.join();
    engine.scanFinish();
    engine.closePort();

    const double ratio = engineBest / cjpegBest;
    std::printf("page: %d x %d px, %d dpi, full colour, JPEG quality %d, best of %d\n", kWidth, kHeight, kDpi,
                kJpegQuality, runs);
    std::printf("engine startScan:  %8.1f ms  (%lld bytes)\n", engineBest,
                QFileInfo(dir.filePath("engine_0.jpg")).size());
    std::printf("cjpeg from PPM:    %8.1f ms  (%lld bytes)\n", cjpegBest, QFileInfo(dir.filePath("cjpeg.jpg")).size());
    std::printf("ratio engine/cjpeg: %.2f (goal <= %.1f: %s)\n", ratio, kGoal, ratio <= kGoal ? "met" : "NOT met");
    std::printf("cancel to return:  %8.1f ms  (goal <= 100 ms: %s)\n", (returnedNs - cancelNs) / 1e6,
                returnedNs - cancelNs <= 100000000 ? "met" : "NOT met");
    return 0;
}
