// Time of the engine's SANE backend for one 300-dpi colour Letter page from
// SANE's test device written as JPEG, next to scanimage --format=jpeg for the
// same frame, as a ratio. Each side is timed from the start of the job to the
// file on disk; scanimage's time includes starting its process.
// Run: build/bin/bench_sane [runs]
#include "app/configfile.h"
#include "ptessark.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {
constexpr int kDpi = 300;
constexpr int kWidth = 2550;  // 8.5 in
constexpr int kHeight = 3300; // 11 in
constexpr double kGoal = 1.2;

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

double enginePageMs(PTessark &engine, const QString &path, int *rc)
{
    QElapsedTimer timer;
    timer.start();
    *rc = engine.setPortName(0, "test:0");
    tagResponseDeviceInfo reply{};
    if (*rc == 0 && !engine.getStatusFromSpecialPort(&reply))
        *rc = -21;
    if (*rc == 0)
        *rc = engine.openPort();
    tagSCANNER_STATUS status{};
    if (*rc == 0 && engine.getDeviceStatus(&status))
        *rc = -31;
    if (*rc == 0) {
        engine.setParameters(nullptr, 0, 0, kWidth, kHeight, kDpi, 0, 1, false, 0, 1, 1, path);
        *rc = engine.startScan();
    }
    const int finish = engine.scanFinish();
    engine.closePort();
    if (*rc == 0)
        *rc = finish;
    return timer.nsecsElapsed() / 1e6;
}

// The engine's diagnostic lines would only slow it down here.
void quiet(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quiet);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString scanimage = QStandardPaths::findExecutable("scanimage");
    if (scanimage.isEmpty()) {
        std::fprintf(stderr, "scanimage not found (package sane-utils)\n");
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;

    // A private SANE configuration: the test device alone, with glass for
    // Letter and a colour picture rather than a solid one.
    const QString saneConfig = dir.filePath("sane");
    QDir().mkpath(saneConfig);
    if (!writeFile(saneConfig + "/dll.conf", "test\n")
        || !writeFile(saneConfig + "/test.conf",
                      "number_of_devices 1\ngeometry_max 400.0\ntest-picture \"Color pattern\"\n"))
        return 2;
    qputenv("SANE_CONFIG_DIR", QFile::encodeName(saneConfig));

    ConfigFile config;
    config.strMfpCfgFile = dir.filePath("MFPCFG.INI");
    config.strPDFFileName = dir.filePath("IMGPDF.pdf");
    if (!writeFile(config.strMfpCfgFile, "[ENGINE]\nBackend=sane\n"))
        return 2;
    PTessark engine;
    if (!engine.initInterface(&config)) {
        std::fprintf(stderr, "no SANE backend in this engine\n");
        return 2;
    }

    // The engine widens the area to whole millimetres (the test device's
    // step) and a pixel more: 216 x 280 mm. scanimage scans that frame too.
    const QStringList args{"-d", "test:0", "--mode", "Color", "--resolution", QString::number(kDpi),
                           "-l", "0", "-t", "0", "-x", "216", "-y", "280", "--format=jpeg",
                           "-o", dir.filePath("scanimage.jpg")};
    double engineBest = std::numeric_limits<double>::max();
    double scanimageBest = std::numeric_limits<double>::max();
    // Interleaved, so that both see the same machine load.
    for (int i = 0; i < runs; ++i) {
        int rc = 0;
        engineBest = std::min(engineBest, enginePageMs(engine, dir.filePath("engine.jpg"), &rc));
        if (rc != 0) {
            std::fprintf(stderr, "engine page failed: %d\n", rc);
            return 1;
        }
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(scanimage, args);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit
            || process.exitCode() != 0) {
            std::fprintf(stderr, "scanimage failed: %s\n", process.readAllStandardError().constData());
            return 1;
        }
        scanimageBest = std::min(scanimageBest, timer.nsecsElapsed() / 1e6);
    }

    const double ratio = engineBest / scanimageBest;
    std::printf("page: %d x %d px, %d dpi, colour, SANE test device \"Color pattern\", best of %d\n", kWidth,
                kHeight, kDpi, runs);
    std::printf("engine job (open .. close):  %8.1f ms  (%lld bytes, JPEG quality 85)\n", engineBest,
                QFileInfo(dir.filePath("engine.jpg")).size());
    std::printf("scanimage --format=jpeg:     %8.1f ms  (%lld bytes, its default quality)\n", scanimageBest,
                QFileInfo(dir.filePath("scanimage.jpg")).size());
    std::printf("ratio engine/scanimage: %.2f (goal <= %.1f: %s)\n", ratio, kGoal, ratio <= kGoal ? "met" : "NOT met");
    return 0;
}
