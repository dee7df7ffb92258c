#include "ptessark.h"

#include "app/configfile.h"
#include "scannerbackend.h"

#include <QHostAddress>
#include <QStringList>

namespace {
// Without a backend there is no device to talk to.
constexpr int kNoScanner = -20;

// Four decimal numbers 0-255, none with a leading zero. The shorthand,
// octal and hexadecimal forms that resolvers accept ("192.168.1", "017.0.0.1",
// "0x7f.1", "1") name other machines than the user may think.
bool isDottedQuad(const QString &text)
{
    const QStringList parts = text.split('.');
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.at(0) == '0'))
            return false;
        for (const QChar c : part) {
            if (c < '0' || c > '9')
                return false;
        }
        if (part.toInt() > 255)
            return false;
    }
    return true;
}
} // namespace

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
    const QString text = address.trimmed();
    if (isDottedQuad(text))
        return 4;
    if (!text.contains(':'))
        return 0;
    // IPv6 text; an IPv4 tail ("::ffff:192.0.2.1") keeps to the rule above.
    const QString tail = text.mid(text.lastIndexOf(':') + 1);
    if (tail.contains('.') && !isDottedQuad(tail.section('%', 0, 0)))
        return 0;
    QHostAddress host;
    if (!host.setAddress(text) || host.protocol() != QAbstractSocket::IPv6Protocol)
        return 0;
    return 6;
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
