#include "sanebackend.h"

#include "app/configfile.h"
#include "enginecodes.h"
#include "hubreport.h"
#include "pagewriter.h"
#include "saneframe.h"
#include "sanesupport.h"
#include "scan/pmessage.h"

#include <QDebug>
#include <QDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include <sane/saneopts.h>

namespace {
constexpr int kReadBuffer = 256 * 1024;
constexpr double kMmPerInch = 25.4;

using CallLock = std::lock_guard<std::mutex>;

void copyModelName(const QString &model, tagResponseDeviceInfo *reply)
{
    std::memset(reply->modelName, 0, sizeof reply->modelName);
    QByteArray utf8 = model.toUtf8();
    int n = std::min(utf8.size(), int(sizeof reply->modelName) - 1);
    // Never cut a character in two.
    while (n > 0 && n < utf8.size() && (quint8(utf8.at(n)) & 0xC0) == 0x80)
        --n;
    std::memcpy(reply->modelName, utf8.constData(), size_t(n));
}
} // namespace

SaneBackend::SaneBackend(const ConfigFile &config)
    : mfpCfgFile(config.strMfpCfgFile)
    , document(config)
{
}

SaneBackend::~SaneBackend()
{
    cancelRequested = true;
    {
        std::lock_guard<std::mutex> lock(jobMutex);
        endBatch();
        closeHandle();
        document.clear();
    }
    std::lock_guard<std::mutex> lock(saneMutex);
    if (saneHeld)
        SaneSession::release();
    saneHeld = false;
}

// SANE is started on first use, so that a backend made only to be replaced
// costs nothing and a new one reads SANE's configuration afresh.
bool SaneBackend::ensureSane()
{
    std::lock_guard<std::mutex> lock(saneMutex);
    if (!saneHeld)
        saneHeld = SaneSession::acquire();
    return saneHeld;
}

std::vector<SaneBackend::Device> SaneBackend::listDevices(bool localOnly)
{
    std::vector<Device> devices;
    if (!ensureSane())
        return devices;
    CallLock lock(SaneSession::callMutex());
    const SANE_Device **list = nullptr;
    const SANE_Status status = sane_get_devices(&list, localOnly ? SANE_TRUE : SANE_FALSE);
    if (status != SANE_STATUS_GOOD || !list) {
        qDebug() << "SaneBackend::listDevices" << "sane_get_devices:" << sane_strstatus(status);
        return devices;
    }
    for (const SANE_Device **d = list; *d; ++d) {
        if (!(*d)->name)
            continue;
        Device device;
        device.name = QString::fromUtf8((*d)->name);
        device.model = QStringLiteral("%1 %2")
                           .arg(QString::fromUtf8((*d)->vendor ? (*d)->vendor : ""),
                                QString::fromUtf8((*d)->model ? (*d)->model : ""))
                           .simplified();
        devices.push_back(device);
    }
    return devices;
}

SaneBackend::Known SaneBackend::known(const QString &name)
{
    std::lock_guard<std::mutex> lock(knownMutex);
    auto it = knownDevices.find(name);
    return it == knownDevices.end() ? Known() : it->second;
}

void SaneBackend::remember(const QString &name, const QString &model, quint8 capabilities, bool keepCapabilities)
{
    std::lock_guard<std::mutex> lock(knownMutex);
    Known &k = knownDevices[name];
    if (!model.isEmpty())
        k.model = model;
    if (!keepCapabilities)
        k.capabilities = capabilities;
}

QString SaneBackend::listText(int deviceType, bool localOnly, QAbstractSocket::NetworkLayerProtocol family)
{
    QStringList entries;
    for (const Device &d : listDevices(localOnly)) {
        const QHostAddress address = addressInDeviceName(d.name);
        if (family == QAbstractSocket::UnknownNetworkLayerProtocol ? !address.isNull() : address.protocol() != family)
            continue;
        remember(d.name, d.model, 0, true);
        // The capability byte is only known once the device was opened;
        // until then bit 7 stays clear and the module asks again.
        const QString entry = deviceListEntry(deviceType, known(d.name).capabilities, d.name, d.model);
        if (!entry.isEmpty())
            entries << entry;
    }
    return entries.join(QLatin1Char(';'));
}

int SaneBackend::getUSBScannerDevice(QString &list)
{
    // Local devices; a network backend that answers here too is left to the
    // network lists.
    list = listText(0, true, QAbstractSocket::UnknownNetworkLayerProtocol);
    return 0;
}

int SaneBackend::getIPv4ScannerDevice(QString &list)
{
    list = listText(1, false, QAbstractSocket::IPv4Protocol);
    return 0;
}

int SaneBackend::getIPv6ScannerDevice(QString &list)
{
    list = listText(1, false, QAbstractSocket::IPv6Protocol);
    return 0;
}

QString SaneBackend::resolvePort(const QString &port, int projectId)
{
    const QString name = port.trimmed();
    QHostAddress typed;
    if (!typed.setAddress(name))
        return name;
    // A typed address stands for the SANE device that carries it; of
    // several, the one the project id names.
    QString found;
    for (const Device &d : listDevices(false)) {
        if (!addressInDeviceName(d.name).isEqual(typed, QHostAddress::TolerantConversion))
            continue;
        remember(d.name, d.model, 0, true);
        if (found.isEmpty() || projectIdForDevice(d.name) == projectId)
            found = d.name;
        if (projectIdForDevice(d.name) == projectId)
            break;
    }
    return found;
}

bool SaneBackend::queryScannerStatus(int &projectId, const QString &address, tagResponseDeviceInfo *reply)
{
    if (!ensureSane())
        return false;
    const QString text = address.trimmed();
    if (text.isEmpty())
        return false;
    QString name;
    QString model;
    QHostAddress typed;
    if (typed.setAddress(text)) {
        name = resolvePort(text, projectId);
        if (name.isEmpty())
            return false;
        model = known(name).model;
    } else {
        name = text;
        for (const bool localOnly : {true, false}) {
            for (const Device &d : listDevices(localOnly)) {
                if (d.name == name)
                    model = d.model;
            }
            if (!model.isEmpty())
                break;
        }
    }
    const bool listed = !model.isEmpty();

    // What the device offers: its "source" option, read from the open handle
    // of a running job or from a short open of its own.
    quint8 capabilities = 0;
    bool answered = false;
    {
        std::lock_guard<std::mutex> lock(handleMutex);
        if (handle && openName == name) {
            capabilities = known(name).capabilities;
            answered = true;
        }
    }
    if (!answered) {
        CallLock lock(SaneSession::callMutex());
        SANE_Handle probe = nullptr;
        const SANE_Status status = sane_open(name.toUtf8().constData(), &probe);
        if (status == SANE_STATUS_GOOD) {
            capabilities = SaneOptions(probe).capabilities();
            sane_close(probe);
            answered = true;
        } else {
            qDebug() << "SaneBackend::queryScannerStatus" << name << "sane_open:" << sane_strstatus(status);
        }
    }
    if (!answered && !listed)
        return false;
    if (model.isEmpty())
        model = name;
    // A listed device that cannot be opened now (another program uses it)
    // is still there; its capabilities stay unknown.
    remember(name, model, capabilities, !answered);
    projectId = projectIdForDevice(name);
    reply->paperSource = answered ? capabilities : known(name).capabilities;
    copyModelName(model, reply);
    return true;
}

int SaneBackend::setPortName(int projectId, const QString &port)
{
    qDebug() << "SaneBackend::setPortName" << projectId << port;
    std::lock_guard<std::mutex> lock(jobMutex);
    if (pageRunning)
        return EngineCode::Busy;
    endBatch();
    closeHandle();
    portOpen = false;
    haveParameters = false;
    portName.clear();
    if (port.trimmed().isEmpty() || !ensureSane())
        return EngineCode::NoScanner;
    portName = resolvePort(port, projectId);
    return portName.isEmpty() ? EngineCode::NoScanner : EngineCode::Ok;
}

bool SaneBackend::getStatusFromSpecialPort(tagResponseDeviceInfo *reply)
{
    // SANE has no status channel besides the device itself; whether it is
    // busy or absent shows when openPort opens it.
    std::lock_guard<std::mutex> lock(jobMutex);
    if (portName.isEmpty())
        return false;
    const Known k = known(portName);
    reply->paperSource = k.capabilities;
    copyModelName(k.model.isEmpty() ? portName : k.model, reply);
    return true;
}

int SaneBackend::openPort()
{
    std::lock_guard<std::mutex> lock(jobMutex);
    if (portName.isEmpty())
        return EngineCode::NoScanner;
    if (pageRunning)
        return EngineCode::Busy;
    // Forgotten before the open, so that a cancel arriving during it holds.
    cancelRequested = false;
    endBatch();
    closeHandle();

    SANE_Handle opened = nullptr;
    SANE_Status status;
    quint8 capabilities = 0;
    {
        CallLock call(SaneSession::callMutex());
        status = sane_open(portName.toUtf8().constData(), &opened);
        if (status == SANE_STATUS_GOOD) {
            SaneOptions options(opened);
            sources = options.sources();
            capabilities = options.capabilities();
        }
    }
    qDebug() << "SaneBackend::openPort" << portName << sane_strstatus(status);
    if (status != SANE_STATUS_GOOD) {
        // The dll layer answers an unknown device name with "invalid argument".
        return status == SANE_STATUS_INVAL ? EngineCode::NoScanner : engineCodeForSaneStatus(status);
    }
    {
        std::lock_guard<std::mutex> h(handleMutex);
        handle = opened;
        openName = portName;
    }
    remember(portName, QString(), capabilities, false);
    portOpen = true;
    haveParameters = false;
    setup = Setup();
    started = Started::Nothing;
    batchActive = false;
    framesInBatch = 0;
    feederPageDone = false;
    pagesStarted = 0;
    jobFailed = false;
    document.clear();
    return EngineCode::Ok;
}

bool SaneBackend::getDeviceStatus(tagSCANNER_STATUS *status)
{
    std::lock_guard<std::mutex> lock(jobMutex);
    if (!portOpen)
        return true;
    const bool hasFeeder = !sources.feeder.isEmpty() || !sources.duplex.isEmpty();
    if (feederPageDone && started == Started::Nothing && !cancelRequested)
        startFrame(parameters);
    feederPageDone = false;

    // Before the first page nothing was started yet: a feeder is taken to
    // hold paper until a start says otherwise.
    status->powerState = 1;
    status->paperInFeeder = hasFeeder ? 1 : 0;
    status->errorBits = 0;
    switch (started) {
    case Started::NoDocuments:
        status->paperInFeeder = 0;
        break;
    case Started::Jammed:
        status->errorBits = 1;
        jobFailed = true;
        break;
    case Started::Busy:
        status->powerState = 3;
        jobFailed = true;
        break;
    default:
        // Other failures of the start come back from startScan with their code.
        break;
    }
    return false;
}

int SaneBackend::setParameters(PMessage *hub, int x, int y, int width, int height, int resolution, int colorMode,
                               int paperSource, bool duplex, int duplexSide, int imageType,
                               const QString &outputPath)
{
    qDebug() << "SaneBackend::setParameters" << x << y << width << height << resolution << colorMode << paperSource
             << duplex << duplexSide << imageType << outputPath;
    std::lock_guard<std::mutex> lock(jobMutex);
    parameters = PageParameters::of(hub, x, y, width, height, resolution, colorMode, paperSource, duplex, duplexSide,
                                    imageType, outputPath);
    // Here the page's origin is bounded as well.
    const int maxOffset = PageParameters::kMaxPixels * 4;
    const bool valid = parameters.valid() && x <= maxOffset && y <= maxOffset;
    haveParameters = true;
    parameterError = valid ? EngineCode::Ok : EngineCode::BadParameter;
    return parameterError;
}

int SaneBackend::applySetup(const PageParameters &p)
{
    setup = Setup();
    CallLock call(SaneSession::callMutex());
    SaneOptions options(handle);
    const SaneOptions::Sources src = options.sources();
    auto fail = [](SANE_Status s, const char *what) {
        qDebug() << "SaneBackend::applySetup" << what << sane_strstatus(s);
        return s == SANE_STATUS_UNSUPPORTED ? EngineCode::BadParameter : engineCodeForSaneStatus(s);
    };

    // Paper source first: it may change the glass size and the other options.
    QString source;
    if (p.paperSource == 1) {
        source = src.glass;
    } else if (p.duplex) {
        source = !src.duplex.isEmpty() ? src.duplex : src.duplexSwitch ? src.feeder : QString();
    } else {
        source = src.feeder;
    }
    if (source.isEmpty())
        return EngineCode::BadParameter; // the device has no such source
    SANE_Status s;
    if (src.hasSourceOption && (s = options.setString(SANE_NAME_SCAN_SOURCE, source)) != SANE_STATUS_GOOD)
        return fail(s, "source");
    if (src.duplexSwitch && p.paperSource == 2 && (s = options.setBool("duplex", p.duplex)) != SANE_STATUS_GOOD)
        return fail(s, "duplex");

    // Colour mode: black and white falls back to 1-bit gray, then to gray
    // made black and white here; gray and colour stand in for each other.
    const QStringList modes = options.stringList(SANE_NAME_SCAN_MODE);
    QString mode = SaneOptions::modeFor(modes, p.colorMode);
    bool grayForBlackWhite = false;
    if (mode.isEmpty() && p.colorMode == 2) {
        mode = SaneOptions::modeFor(modes, 1);
        grayForBlackWhite = true;
    }
    if (mode.isEmpty())
        mode = SaneOptions::modeFor(modes, p.colorMode == 0 ? 1 : 0);
    if (!mode.isEmpty() && (s = options.setString(SANE_NAME_SCAN_MODE, mode)) != SANE_STATUS_GOOD)
        return fail(s, "mode");
    // A line-art mode brings its own depth.
    if ((p.colorMode != 2 || grayForBlackWhite) && options.usable(SANE_NAME_BIT_DEPTH)) {
        const QList<double> depths = options.numberList(SANE_NAME_BIT_DEPTH);
        const double wanted = grayForBlackWhite && depths.contains(1.0) ? 1.0 : 8.0;
        if (depths.contains(wanted)
            && (s = options.setNumber(SANE_NAME_BIT_DEPTH, wanted, SaneOptions::Round::Nearest))
                   != SANE_STATUS_GOOD)
            return fail(s, "depth");
    }

    // A resolution the device lacks is scanned at the next one up and
    // scaled down, which loses no detail.
    double deviceDpi = p.resolution;
    if (options.usable(SANE_NAME_SCAN_RESOLUTION)) {
        if ((s = options.setNumber(SANE_NAME_SCAN_RESOLUTION, p.resolution, SaneOptions::Round::Up, &deviceDpi))
            != SANE_STATUS_GOOD)
            return fail(s, "resolution");
    } else if (options.usable(SANE_NAME_SCAN_X_RESOLUTION) && options.usable(SANE_NAME_SCAN_Y_RESOLUTION)) {
        double ignored = 0;
        if ((s = options.setNumber(SANE_NAME_SCAN_X_RESOLUTION, p.resolution, SaneOptions::Round::Up,
                                   &deviceDpi))
                != SANE_STATUS_GOOD
            || (s = options.setNumber(SANE_NAME_SCAN_Y_RESOLUTION, deviceDpi, SaneOptions::Round::Nearest, &ignored))
                   != SANE_STATUS_GOOD)
            return fail(s, "resolution");
    }
    if (deviceDpi <= 0)
        deviceDpi = p.resolution;

    // The scan area in millimetres, widened to the device's steps so that
    // the page lies inside the frame, and clamped to its glass.
    int frameLeft = 0;
    int frameTop = 0;
    const char *corners[] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X, SANE_NAME_SCAN_BR_Y};
    bool geometry = true;
    for (const char *c : corners)
        geometry = geometry && options.usable(c) && options.unit(c) == SANE_UNIT_MM;
    if (geometry) {
        const double left = p.x * kMmPerInch / p.resolution;
        const double top = p.y * kMmPerInch / p.resolution;
        // One device pixel more on the far sides: devices that cut their
        // frame size down must still cover the last page pixel.
        const double margin = kMmPerInch / deviceDpi;
        const double right = (qint64(p.x) + p.width) * kMmPerInch / p.resolution + margin;
        const double bottom = (qint64(p.y) + p.height) * kMmPerInch / p.resolution + margin;
        double min = 0, maxX = 0, maxY = 0, tlX = 0, tlY = 0;
        // The bottom right corner goes out of the way first, so that the
        // top left one never passes it.
        if (options.range(SANE_NAME_SCAN_BR_X, &min, &maxX) && options.range(SANE_NAME_SCAN_BR_Y, &min, &maxY)) {
            options.setNumber(SANE_NAME_SCAN_BR_X, maxX, SaneOptions::Round::Nearest);
            options.setNumber(SANE_NAME_SCAN_BR_Y, maxY, SaneOptions::Round::Nearest);
        }
        if ((s = options.setNumber(SANE_NAME_SCAN_TL_X, left, SaneOptions::Round::Down, &tlX)) != SANE_STATUS_GOOD
            || (s = options.setNumber(SANE_NAME_SCAN_TL_Y, top, SaneOptions::Round::Down, &tlY)) != SANE_STATUS_GOOD
            || (s = options.setNumber(SANE_NAME_SCAN_BR_X, right, SaneOptions::Round::Up)) != SANE_STATUS_GOOD
            || (s = options.setNumber(SANE_NAME_SCAN_BR_Y, bottom, SaneOptions::Round::Up)) != SANE_STATUS_GOOD)
            return fail(s, "scan area");
        frameLeft = int(std::lround(tlX * deviceDpi / kMmPerInch));
        frameTop = int(std::lround(tlY * deviceDpi / kMmPerInch));
    }

    setup.valid = true;
    setup.scan = p;
    setup.deviceDpi = deviceDpi;
    setup.frameLeft = frameLeft;
    setup.frameTop = frameTop;
    qDebug() << "SaneBackend::applySetup" << "Source:" << source << "Mode:" << mode << "Device dpi:" << deviceDpi
             << "Frame origin:" << frameLeft << frameTop;
    return EngineCode::Ok;
}

void SaneBackend::startFrame(const PageParameters &p)
{
    started = Started::Nothing;
    if (!setup.sameScan(p)) {
        // A new setup ends whatever batch ran with the old one.
        endBatch();
        framesInBatch = 0;
        const int rc = applySetup(p);
        if (rc != EngineCode::Ok) {
            started = Started::Failed;
            startedCode = rc;
            return;
        }
    }
    SANE_Status status;
    {
        CallLock call(SaneSession::callMutex());
        batchActive = true;
        status = sane_start(handle);
    }
    qDebug() << "SaneBackend::startFrame" << sane_strstatus(status);
    if (cancelRequested) {
        // The cancel may have come before the start reached the device.
        endBatch();
        started = Started::Failed;
        startedCode = EngineCode::Cancelled;
        return;
    }
    switch (status) {
    case SANE_STATUS_GOOD:
        started = Started::Frame;
        ++framesInBatch;
        break;
    case SANE_STATUS_NO_DOCS:
        started = Started::NoDocuments;
        break;
    case SANE_STATUS_JAMMED:
        started = Started::Jammed;
        break;
    case SANE_STATUS_DEVICE_BUSY:
        started = Started::Busy;
        break;
    default:
        started = Started::Failed;
        startedCode = engineCodeForSaneStatus(status);
        break;
    }
}

void SaneBackend::endBatch()
{
    if (!batchActive)
        return;
    batchActive = false;
    std::lock_guard<std::mutex> lock(handleMutex);
    if (handle)
        sane_cancel(handle);
}

void SaneBackend::closeHandle()
{
    SANE_Handle closing = nullptr;
    {
        std::lock_guard<std::mutex> lock(handleMutex);
        closing = handle;
        handle = nullptr;
        openName.clear();
    }
    if (closing) {
        CallLock call(SaneSession::callMutex());
        sane_close(closing);
    }
    setup = Setup();
    started = Started::Nothing;
    batchActive = false;
}

int SaneBackend::startScan()
{
    PageParameters p;
    Setup s;
    int pageNumber = 0;
    bool turned = false;
    {
        std::lock_guard<std::mutex> lock(jobMutex);
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
        p = parameters;

        if (refused == EngineCode::Ok) {
            // A frame started for other settings than these is dropped.
            if (started == Started::Frame && !setup.sameScan(p)) {
                endBatch();
                started = Started::Nothing;
            }
            if (started == Started::Nothing)
                startFrame(p);
            switch (started) {
            case Started::Frame:
                break;
            case Started::NoDocuments:
                refused = EngineCode::FeederEmpty;
                break;
            case Started::Jammed:
                refused = EngineCode::PaperJam;
                break;
            case Started::Busy:
                refused = EngineCode::Busy;
                break;
            default:
                refused = startedCode;
                break;
            }
            started = Started::Nothing;
        }
        if (refused != EngineCode::Ok) {
            jobFailed = true;
            feederPageDone = false;
            endBatch();
            qDebug() << "SaneBackend::startScan" << "Error code:" << refused;
            return refused;
        }
        pageNumber = ++pagesStarted;
        // Duplex frames come front, back, front ...; the back of a sheet
        // turned head to foot comes out upside down.
        const bool back = p.paperSource == 2 && p.duplex && framesInBatch % 2 == 0;
        turned = back && (p.duplexSide == 1 || p.duplexSide == 3);
        s = setup;
        pageRunning = true;
    }
    qDebug() << "SaneBackend::startScan" << "Page:" << pageNumber;

    int rc;
    try {
        rc = readPage(p, s, pageNumber, turned);
    } catch (const std::bad_alloc &) {
        rc = EngineCode::LowMemory;
    }

    std::lock_guard<std::mutex> lock(jobMutex);
    pageRunning = false;
    if (rc == EngineCode::Ok) {
        feederPageDone = p.paperSource == 2;
        if (p.paperSource != 2)
            endBatch(); // a glass scan is one frame
        document.pageWritten(p);
    } else {
        jobFailed = true;
        feederPageDone = false;
        endBatch();
    }
    qDebug() << "SaneBackend::startScan" << "Error code:" << rc;
    return rc;
}

int SaneBackend::readPage(const PageParameters &p, const Setup &s, int pageNumber, bool turned)
{
    SANE_Handle h;
    {
        std::lock_guard<std::mutex> lock(handleMutex);
        h = handle;
    }
    SANE_Parameters frame;
    std::memset(&frame, 0, sizeof frame);
    SANE_Status status;
    {
        CallLock call(SaneSession::callMutex());
        status = sane_get_parameters(h, &frame);
    }
    if (status != SANE_STATUS_GOOD)
        return cancelRequested ? EngineCode::Cancelled : engineCodeForSaneStatus(status);
    qDebug() << "SaneBackend::readPage" << "Frame:" << frame.format << frame.depth << frame.pixels_per_line
             << frame.lines << frame.bytes_per_line;

    PageFormat format;
    format.width = p.width;
    format.height = p.height;
    format.dpi = p.resolution;
    format.mode = p.pixelMode();
    std::unique_ptr<PageWriter> writer = createPageWriter(p.imageType, p.path, document.store());
    if (!writer)
        return EngineCode::BadParameter;

    // A turned page is gathered in a scratch file and written bottom up.
    std::unique_ptr<QTemporaryFile> spool;
    const qint64 rowBytes = format.bytesPerRow();
    SaneFrame::RowSink sink;
    if (turned) {
        spool = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/tessark-turn-XXXXXX"));
        if (!spool->open())
            return EngineCode::SaveFailed;
        sink = [&spool, rowBytes](const quint8 *row) {
            return spool->write(reinterpret_cast<const char *>(row), rowBytes) == rowBytes ? EngineCode::Ok
                                                                                             : EngineCode::SaveFailed;
        };
    } else {
        sink = [&writer](const quint8 *row) { return writer->writeRows(&row, 1); };
    }

    SaneFrame::Geometry g;
    g.x = p.x;
    g.y = p.y;
    g.width = p.width;
    g.height = p.height;
    g.dpi = p.resolution;
    g.deviceDpi = s.deviceDpi;
    g.frameLeft = s.frameLeft;
    g.frameTop = s.frameTop;
    SaneFrame assembler;
    int rc = assembler.start(g, frame, format.mode, sink);
    if (rc != EngineCode::Ok)
        return rc;
    rc = writer->start(format);
    if (rc != EngineCode::Ok)
        return rc;
    reportScanningStatus(p.hub, pageNumber, 0);

    const int lineBytes = assembler.bytesPerLine();
    std::vector<quint8> buffer(size_t(std::max(kReadBuffer, 2 * lineBytes)));
    size_t filled = 0;
    int progress = 0;
    for (;;) {
        if (cancelRequested) {
            writer->abort();
            return EngineCode::Cancelled;
        }
        SANE_Int length = 0;
        const SANE_Int room = SANE_Int(std::min<size_t>(buffer.size() - filled, 0x7fffffff));
        {
            CallLock call(SaneSession::callMutex());
            status = sane_read(h, buffer.data() + filled, room, &length);
        }
        if (status == SANE_STATUS_EOF)
            break;
        if (status != SANE_STATUS_GOOD || cancelRequested) {
            writer->abort();
            return cancelRequested ? EngineCode::Cancelled : engineCodeForSaneStatus(status);
        }
        filled += size_t(std::max<SANE_Int>(0, std::min(length, room)));
        size_t used = 0;
        while (filled - used >= size_t(lineBytes)) {
            rc = assembler.addLine(buffer.data() + used);
            if (rc != EngineCode::Ok) {
                writer->abort();
                return rc;
            }
            used += size_t(lineBytes);
        }
        if (used > 0) {
            std::memmove(buffer.data(), buffer.data() + used, filled - used);
            filled -= used;
        }
        // 100 is kept for the page that is complete and in place.
        const int now = std::min(99, int(qint64(assembler.rowsDone()) * 100 / p.height));
        if (now != progress) {
            progress = now;
            reportScanningStatus(p.hub, pageNumber, progress);
        }
    }
    if (cancelRequested) {
        writer->abort();
        return EngineCode::Cancelled;
    }
    rc = assembler.finish();
    if (rc == EngineCode::Ok && turned) {
        const int pixel = format.mode == PixelMode::Color ? 3 : 1;
        std::vector<quint8> row(static_cast<size_t>(rowBytes));
        std::vector<quint8> flipped(static_cast<size_t>(rowBytes));
        for (int y = p.height - 1; y >= 0 && rc == EngineCode::Ok; --y) {
            if (!spool->seek(qint64(y) * rowBytes)
                || spool->read(reinterpret_cast<char *>(row.data()), rowBytes) != rowBytes) {
                rc = EngineCode::SaveFailed;
                break;
            }
            for (int x = 0; x < p.width; ++x)
                std::memcpy(flipped.data() + size_t(p.width - 1 - x) * pixel, row.data() + size_t(x) * pixel,
                            size_t(pixel));
            const quint8 *out = flipped.data();
            rc = writer->writeRows(&out, 1);
        }
    }
    if (rc != EngineCode::Ok) {
        writer->abort();
        return rc;
    }
    rc = writer->finish();
    if (rc != EngineCode::Ok)
        return rc;
    reportScanningStatus(p.hub, pageNumber, 100);
    return EngineCode::Ok;
}

int SaneBackend::cancelJob()
{
    qDebug() << "SaneBackend::cancelJob";
    cancelRequested = true;
    jobFailed = true;
    // SANE allows sane_cancel at any time, also while another thread reads;
    // the handle lock only keeps it from racing with sane_close.
    std::lock_guard<std::mutex> lock(handleMutex);
    if (handle)
        sane_cancel(handle);
    return EngineCode::Ok;
}

int SaneBackend::scanFinish()
{
    QString path;
    {
        std::lock_guard<std::mutex> lock(jobMutex);
        if (pageRunning)
            return EngineCode::Busy;
        endBatch();
        path = document.takeDocumentPath(jobFailed || cancelRequested);
    }
    const int rc = document.finish(path);
    qDebug() << "SaneBackend::scanFinish" << "Error code:" << rc;
    return rc;
}

void SaneBackend::closePort()
{
    std::lock_guard<std::mutex> lock(jobMutex);
    if (pageRunning)
        return;
    endBatch();
    closeHandle();
    portOpen = false;
    haveParameters = false;
    feederPageDone = false;
    document.clear();
}
