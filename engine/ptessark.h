#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

#if defined(TESSARK_BUILD)
#define TESSARK_EXPORT __attribute__((visibility("default")))
#else
#define TESSARK_EXPORT
#endif

class ConfigFile;
class PMessage;
class ScannerBackend;

#pragma pack(push, 1)
// Device reply record, filled by the status queries.
struct tagResponseDeviceInfo
{
    quint8 reserved0[5];
    quint8 busy;            // 5: nonzero while the machine is busy
    quint8 reserved1[6];
    quint8 paperSource;     // 12: the machine's capability byte
    quint8 errorFlags;      // 13: bit 2 (value 4) paper jam
    quint8 reserved2[2];
    char modelName[64];     // 16: zero-terminated 8-bit text
};

// Status record, filled by getDeviceStatus.
struct tagSCANNER_STATUS
{
    quint8 reserved0[3];
    quint8 powerState;      // 3: 1 ready, 2 waking, 3 busy
    quint8 reserved1[2];
    quint8 paperInFeeder;   // 6: nonzero when the feeder holds paper
    quint8 errorBits;       // 7: value 1 jam, value 2 a further error
    quint8 reserved2[4];
};
#pragma pack(pop)

static_assert(sizeof(tagResponseDeviceInfo) == 80, "device reply record is 80 bytes");
static_assert(sizeof(tagSCANNER_STATUS) == 12, "status record is 12 bytes");

// Capability bits of the device reply's byte 12.
enum : quint8 {
    CapabilityValid = 0x80,
    CapabilityFeeder = 0x02,
    CapabilityDuplex = 0x04,
    CapabilityDuplexAlt = 0x08,
};

// The scan engine. One object per process; every call goes to the backend
// chosen by the module configuration file's "ENGINE/Backend" key.
class TESSARK_EXPORT PTessark
{
public:
    PTessark();
    ~PTessark();

    bool initInterface(ConfigFile *config);
    int setPortName(int projectId, const QString &portName);
    int getUSBScannerDevice(QString &list);
    int getIPv4ScannerDevice(QString &list);
    int getIPv6ScannerDevice(QString &list);
    int checkIPAddress(const QString &address);
    bool queryScannerStatus(int &projectId, const QString &address, tagResponseDeviceInfo *reply);
    bool getStatusFromSpecialPort(tagResponseDeviceInfo *reply);
    int openPort();
    bool getDeviceStatus(tagSCANNER_STATUS *status);
    int setParameters(PMessage *hub, int x, int y, int width, int height, int resolution, int colorMode,
                      int paperSource, bool duplex, int duplexSide, int reserved, int imageType,
                      const QString &outputPath);
    int startScan();
    int cancelJob();
    int scanFinish();
    void closePort();

    PTessark(const PTessark &) = delete;
    PTessark &operator=(const PTessark &) = delete;

private:
    std::unique_ptr<ScannerBackend> backend;
};
