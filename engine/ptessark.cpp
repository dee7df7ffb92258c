#include "ptessark.h"

#include "app/configfile.h"
#include "scannerbackend.h"

#include <QHostAddress>

namespace {
// Without a backend there is no device to talk to.
constexpr int kNoScanner = -20;
}

PTessark::PTessark() = default;
PTessark::~PTessark() = default;

bool PTessark::initInterface(ConfigFile *config)
{
    if (!config)
        return false;
    backend = createScannerBackend(*config);
    return backend != nullptr;
}

int PTessark::setPortName(int projectId, const QString &portName)
{
    return backend ? backend->setPortName(projectId, portName) : kNoScanner;
}

int PTessark::getUSBScannerDevice(QString &list)
{
    list.clear();
    return backend ? backend->getUSBScannerDevice(list) : 0;
}

int PTessark::getIPv4ScannerDevice(QString &list)
{
    list.clear();
    return backend ? backend->getIPv4ScannerDevice(list) : 0;
}

int PTessark::getIPv6ScannerDevice(QString &list)
{
    list.clear();
    return backend ? backend->getIPv6ScannerDevice(list) : 0;
}

int PTessark::checkIPAddress(const QString &address)
{
    QHostAddress host;
    if (!host.setAddress(address.trimmed()))
        return 0;
    return host.protocol() == QAbstractSocket::IPv6Protocol ? 6 : 4;
}

bool PTessark::queryScannerStatus(int &projectId, const QString &address, tagResponseDeviceInfo *reply)
{
    return backend && reply && backend->queryScannerStatus(projectId, address, reply);
}

bool PTessark::getStatusFromSpecialPort(tagResponseDeviceInfo *reply)
{
    return backend && reply && backend->getStatusFromSpecialPort(reply);
}

int PTessark::openPort()
{
    return backend ? backend->openPort() : kNoScanner;
}

bool PTessark::getDeviceStatus(tagSCANNER_STATUS *status)
{
    // true means failure
    return !backend || !status || backend->getDeviceStatus(status);
}

int PTessark::setParameters(PMessage *hub, int x, int y, int width, int height, int resolution, int colorMode,
                            int paperSource, bool duplex, int duplexSide, int /*reserved*/, int imageType,
                            const QString &outputPath)
{
    return backend ? backend->setParameters(hub, x, y, width, height, resolution, colorMode, paperSource, duplex,
                                            duplexSide, imageType, outputPath)
                   : kNoScanner;
}

int PTessark::startScan()
{
    return backend ? backend->startScan() : kNoScanner;
}

int PTessark::cancelJob()
{
    return backend ? backend->cancelJob() : 0;
}

int PTessark::scanFinish()
{
    return backend ? backend->scanFinish() : 0;
}

void PTessark::closePort()
{
    if (backend)
        backend->closePort();
}
