#include "simulatorbackend.h"

#include "app/configfile.h"
#include "enginecodes.h"
#include "hubreport.h"
#include "pagewriter.h"
#include "scan/pmessage.h"
#include "syntheticpage.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
constexpr int kRowBatch = 16; // also one JPEG stripe of colour rows

QString listEntry(const SimulatorBackend::Device &d)
{
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(d.deviceType)
        .arg(int(SimulatorBackend::kCapabilities))
        .arg(d.projectId)
        .arg(QLatin1String(d.portName), QLatin1String(d.model));
}
} // namespace

const SimulatorBackend::Device SimulatorBackend::kDevices[3] = {
    {0, 3000, "simusb-0001", "SimScan 3000"},
    {1, 3100, "127.0.0.1", "SimScan 3100N"},
    {1, 3200, "::1", "SimScan 3200N"},
};

SimulatorBackend::SimulatorBackend(const ConfigFile &config)
    : mfpCfgFile(config.strMfpCfgFile)
    , document(config)
{
}

SimulatorBackend::~SimulatorBackend()
{
    cancelRequested = true;
    waitCondition.notify_all();
}

const SimulatorBackend::Device *SimulatorBackend::findDevice(const QString &portName)
{
    const QString name = portName.trimmed();
    QHostAddress address;
    const bool isAddress = address.setAddress(name);
    for (const Device &d : kDevices) {
        if (d.deviceType == 0 ? name == QLatin1String(d.portName) : isAddress && address == QHostAddress(d.portName))
            return &d;
    }
    return nullptr;
}

void SimulatorBackend::fillReply(const Device &d, tagResponseDeviceInfo *reply)
{
    reply->paperSource = kCapabilities;
    std::memset(reply->modelName, 0, sizeof reply->modelName);
    std::strncpy(reply->modelName, d.model, sizeof reply->modelName - 1);
}

int SimulatorBackend::getUSBScannerDevice(QString &list)
{
    list = listEntry(kDevices[0]);
    return 0;
}

void SimulatorBackend::waitForDiscovery() const
{
    // Read at each search, which needs no setPortName before it.
    const int ms = SimulatorSettings::read(mfpCfgFile).discoveryTimeMs;
    // Nothing of this object is touched while waiting, so a discovery that
    // never answers is harmless when the program ends around it.
    QElapsedTimer waited;
    waited.start();
    while (ms < 0 || waited.elapsed() < ms)
        QThread::msleep(ms < 0 ? 200 : ulong(qBound<qint64>(1, ms - waited.elapsed(), 50)));
}

int SimulatorBackend::getIPv4ScannerDevice(QString &list)
{
    waitForDiscovery();
    list = listEntry(kDevices[1]);
    return 0;
}

int SimulatorBackend::getIPv6ScannerDevice(QString &list)
{
    waitForDiscovery();
    list = listEntry(kDevices[2]);
    return 0;
}

bool SimulatorBackend::queryScannerStatus(int &projectId, const QString &address, tagResponseDeviceInfo *reply)
{
    // Only the simulated machines answer; nothing goes on the network.
    const Device *d = findDevice(address);
    if (!d)
        return false;
    projectId = d->projectId;
    fillReply(*d, reply);
    return true;
}

int SimulatorBackend::setPortName(int projectId, const QString &portName)
{
    qDebug() << "SimulatorBackend::setPortName" << projectId << portName;
    std::lock_guard<std::mutex> lock(mutex);
    settings = SimulatorSettings::read(mfpCfgFile);
    device = findDevice(portName);
    portOpen = false;
    busyAnswersLeft = settings.busyAnswers;
    sheetsLeft = settings.sheets;
    backPending = false;
    pagesStarted = 0;
    haveParameters = false;
    return device ? EngineCode::Ok : EngineCode::NoScanner;
}

bool SimulatorBackend::getStatusFromSpecialPort(tagResponseDeviceInfo *reply)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!device || settings.statusPortFail)
        return false;
    fillReply(*device, reply);
    if (busyAnswersLeft > 0) {
        --busyAnswersLeft;
        reply->busy = 1;
    }
    if (jammed())
        reply->errorFlags |= 0x04;
    return true;
}

int SimulatorBackend::openPort()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!device)
        return EngineCode::NoScanner;
    portOpen = true;
    openedAt = std::chrono::steady_clock::now();
    pagesStarted = 0;
    statusAnswers = 0;
    backPending = false;
    haveParameters = false;
    cancelRequested = false;
    jobFailed = false;
    document.clear();
    return EngineCode::Ok;
}

bool SimulatorBackend::asleep() const
{
    if (settings.wakeUpTimeMs == 0)
        return false;
    if (settings.wakeUpTimeMs < 0)
        return true;
    return std::chrono::steady_clock::now() - openedAt < std::chrono::milliseconds(settings.wakeUpTimeMs);
}

bool SimulatorBackend::getDeviceStatus(tagSCANNER_STATUS *status)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!portOpen)
        return true;
    const bool answersUsedUp = settings.statusFailAfter > 0 && ++statusAnswers > settings.statusFailAfter;
    if (answersUsedUp || pageFault(settings.statusFailAtPage)) {
        jobFailed = true;
        return true;
    }
    const bool sleeping = asleep();
    status->powerState = sleeping ? 2 : pageFault(settings.busyAtPage) ? 3 : 1;
    status->paperInFeeder = (sheetsLeft > 0 || backPending) ? 1 : 0;
    quint8 errors = 0;
    if (sleeping)
        errors |= quint8(settings.wakeUpErrorBits);
    if (jammed())
        errors |= 1;
    status->errorBits = errors;
    if (errors || status->powerState == 3)
        jobFailed = true;
    return false;
}

int SimulatorBackend::setParameters(PMessage *hub, int x, int y, int width, int height, int resolution,
                                    int colorMode, int paperSource, bool duplex, int duplexSide, int imageType,
                                    const QString &outputPath)
{
    qDebug() << "SimulatorBackend::setParameters" << x << y << width << height << resolution << colorMode
             << paperSource << duplex << duplexSide << imageType << outputPath;
    std::lock_guard<std::mutex> lock(mutex);
    parameters = PageParameters::of(hub, x, y, width, height, resolution, colorMode, paperSource, duplex, duplexSide,
                                    imageType, outputPath);
    haveParameters = true;
    parameterError = parameters.valid() ? EngineCode::Ok : EngineCode::BadParameter;
    return parameterError;
}

int SimulatorBackend::startScan()
{
    SyntheticPageSetup setup;
    PageParameters p;
    int pageTimeMs = 0;
    int failAtRow = -1;
    int failCode = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!portOpen)
            return EngineCode::NoScanner;
        if (pageRunning)
            return EngineCode::Busy;
        int refused = EngineCode::Ok;
        if (cancelRequested)
            refused = EngineCode::Cancelled;
        else if (!haveParameters)
            refused = EngineCode::BadParameter;
        else if (parameterError != EngineCode::Ok)
            refused = parameterError;
        else if (jammed())
            refused = EngineCode::PaperJam;
        else if (asleep() || pageFault(settings.busyAtPage))
            refused = EngineCode::Busy;
        p = parameters;

        setup.side = SyntheticPageSetup::Side::Single;
        if (refused == EngineCode::Ok && p.paperSource == 2) {
            if (backPending) {
                backPending = false;
                setup.side = SyntheticPageSetup::Side::Back;
            } else if (sheetsLeft <= 0) {
                refused = EngineCode::FeederEmpty;
            } else {
                --sheetsLeft;
                backPending = p.duplex;
                if (p.duplex)
                    setup.side = SyntheticPageSetup::Side::Front;
            }
        }
        if (refused != EngineCode::Ok) {
            jobFailed = true;
            return refused;
        }

        setup.pageNumber = ++pagesStarted;
        if (settings.errorAtPage == setup.pageNumber && settings.errorCode != 0) {
            failAtRow = p.height / 2;
            failCode = settings.errorCode;
        }
        pageTimeMs = settings.pageTimeMs;
        pageRunning = true;
    }
    qDebug() << "SimulatorBackend::startScan" << "Page:" << setup.pageNumber;

    setup.x = p.x;
    setup.y = p.y;
    setup.width = p.width;
    setup.height = p.height;
    setup.dpi = p.resolution;
    setup.mode = p.pixelMode();
    // The back of a sheet printed head to foot comes out upside down.
    setup.turned = setup.side == SyntheticPageSetup::Side::Back && (p.duplexSide == 1 || p.duplexSide == 3);

    int rc;
    {
        SyntheticPage page(setup);
        std::unique_ptr<PageWriter> writer = createPageWriter(p.imageType, p.path, document.store());
        rc = writer ? runPage(page, *writer, p.hub, setup.pageNumber, pageTimeMs, failAtRow, failCode)
                    : EngineCode::BadParameter;
    }

    std::lock_guard<std::mutex> lock(mutex);
    pageRunning = false;
    if (rc != EngineCode::Ok)
        jobFailed = true;
    else
        document.pageWritten(p);
    qDebug() << "SimulatorBackend::startScan" << "Error code:" << rc;
    return rc;
}

int SimulatorBackend::runPage(SyntheticPage &page, PageWriter &writer, QObject *hub, int pageNumber,
                              int pageTimeMs, int failAtRow, int failCode)
{
    const PageFormat format = page.format();
    int rc = writer.start(format);
    if (rc != EngineCode::Ok)
        return rc;
    reportScanningStatus(hub, pageNumber, 0);

    const auto started = std::chrono::steady_clock::now();
    std::vector<const quint8 *> rows(kRowBatch);
    int progress = 0;
    int row = 0;
    while (row < format.height) {
        if (cancelRequested) {
            writer.abort();
            return EngineCode::Cancelled;
        }
        if (failAtRow >= 0 && row >= failAtRow) {
            writer.abort();
            return failCode;
        }
        int count = std::min(kRowBatch, format.height - row);
        if (failAtRow >= 0)
            count = std::min(count, failAtRow - row);
        page.rows(row, count, rows.data());
        rc = writer.writeRows(rows.data(), count);
        if (rc != EngineCode::Ok) {
            writer.abort();
            return rc;
        }
        row += count;

        // 100 is kept for the page that is complete and in place.
        const int now = std::min(99, int(qint64(row) * 100 / format.height));
        if (now != progress) {
            progress = now;
            reportScanningStatus(hub, pageNumber, progress);
        }
        if (pageTimeMs > 0) {
            const auto due = started + std::chrono::milliseconds(qint64(pageTimeMs) * row / format.height);
            if (!waitUntil(due)) {
                writer.abort();
                return EngineCode::Cancelled;
            }
        }
    }
    if (failAtRow >= 0 && row >= failAtRow) {
        writer.abort();
        return failCode;
    }
    if (cancelRequested) {
        writer.abort();
        return EngineCode::Cancelled;
    }
    rc = writer.finish();
    if (rc != EngineCode::Ok)
        return rc;
    reportScanningStatus(hub, pageNumber, 100);
    return EngineCode::Ok;
}

bool SimulatorBackend::waitUntil(std::chrono::steady_clock::time_point when)
{
    std::unique_lock<std::mutex> lock(waitMutex);
    return !waitCondition.wait_until(lock, when, [this] { return cancelRequested.load(); });
}

int SimulatorBackend::cancelJob()
{
    qDebug() << "SimulatorBackend::cancelJob";
    cancelRequested = true;
    jobFailed = true;
    {
        // Taken once so a page between its check and its wait still wakes.
        std::lock_guard<std::mutex> lock(waitMutex);
    }
    waitCondition.notify_all();
    return EngineCode::Ok;
}

int SimulatorBackend::scanFinish()
{
    QString path;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (pageRunning)
            return EngineCode::Busy;
        path = document.takeDocumentPath(jobFailed || cancelRequested);
    }
    const int rc = document.finish(path);
    qDebug() << "SimulatorBackend::scanFinish" << "Error code:" << rc;
    return rc;
}

void SimulatorBackend::closePort()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (pageRunning)
        return;
    portOpen = false;
    haveParameters = false;
    document.clear();
}
