#pragma once

#include "ptessark.h"

#include <QString>

#include <memory>

// One kind of device behind PTessark. The engine forwards every call to the
// backend chosen at initInterface.
class ScannerBackend
{
public:
    virtual ~ScannerBackend() = default;

    virtual int setPortName(int projectId, const QString &portName) = 0;
    virtual int getUSBScannerDevice(QString &list) = 0;
    virtual int getIPv4ScannerDevice(QString &list) = 0;
    virtual int getIPv6ScannerDevice(QString &list) = 0;
    virtual bool queryScannerStatus(int &projectId, const QString &address, tagResponseDeviceInfo *reply) = 0;
    virtual bool getStatusFromSpecialPort(tagResponseDeviceInfo *reply) = 0;
    virtual int openPort() = 0;
    virtual bool getDeviceStatus(tagSCANNER_STATUS *status) = 0;
    virtual int setParameters(PMessage *hub, int x, int y, int width, int height, int resolution, int colorMode,
                              int paperSource, bool duplex, int duplexSide, int imageType,
                              const QString &outputPath) = 0;
    virtual int startScan() = 0;
    virtual int cancelJob() = 0;
    virtual int scanFinish() = 0;
    virtual void closePort() = 0;
};

// Builds the backend named by the module configuration file ("ENGINE/Backend").
std::unique_ptr<ScannerBackend> createScannerBackend(const ConfigFile &config);
