#pragma once

#include "jobdocument.h"
#include "pageparameters.h"
#include "scannerbackend.h"
#include "simulatorsettings.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

class PageWriter;
class SyntheticPage;

// A multifunction machine without hardware: three devices (one on USB, one
// found over IPv4 and one over IPv6) that scan a synthetic test sheet from the
// glass or from a feeder with duplex, at a set pace, with the faults the
// module configuration file's "[ENGINE]" section asks for (README.md,
// "Simulated scanner"). The job calls come from one thread; cancelJob and the
// device queries may come from any other.
class SimulatorBackend : public ScannerBackend
{
public:
    struct Device
    {
        int deviceType;  // 0 USB, 1 network
        int projectId;
        const char *portName;
        const char *model;
    };
    static const Device kDevices[3];
    static constexpr quint8 kCapabilities = CapabilityValid | CapabilityFeeder | CapabilityDuplex;

    explicit SimulatorBackend(const ConfigFile &config);
    ~SimulatorBackend() override;

    int setPortName(int projectId, const QString &portName) override;
    int getUSBScannerDevice(QString &list) override;
    int getIPv4ScannerDevice(QString &list) override;
    int getIPv6ScannerDevice(QString &list) override;
    bool queryScannerStatus(int &projectId, const QString &address, tagResponseDeviceInfo *reply) override;
    bool getStatusFromSpecialPort(tagResponseDeviceInfo *reply) override;
    int openPort() override;
    bool getDeviceStatus(tagSCANNER_STATUS *status) override;
    int setParameters(PMessage *hub, int x, int y, int width, int height, int resolution, int colorMode,
                      int paperSource, bool duplex, int duplexSide, int imageType,
                      const QString &outputPath) override;
    int startScan() override;
    int cancelJob() override;
    int scanFinish() override;
    void closePort() override;

private:
    static const Device *findDevice(const QString &portName);
    static void fillReply(const Device &device, tagResponseDeviceInfo *reply);
    // A network search takes DiscoveryTime (or never ends).
    void waitForDiscovery() const;
    // Faults tied to page n are there from the end of page n - 1 (from
    // openPort for page 1) until the next setPortName.
    bool pageFault(int page) const { return page > 0 && pagesStarted >= page - 1; }
    bool asleep() const;
    bool jammed() const { return settings.jamAtOpen || pageFault(settings.jamAtPage); }
    int runPage(SyntheticPage &page, PageWriter &writer, QObject *hub, int pageNumber, int pageTimeMs,
                int failAtRow, int failCode);
    bool waitUntil(std::chrono::steady_clock::time_point when);

    QString mfpCfgFile;

    std::mutex mutex; // guards everything below up to the job flags
    SimulatorSettings settings;
    const Device *device = nullptr;
    bool portOpen = false;
    std::chrono::steady_clock::time_point openedAt;
    int busyAnswersLeft = 0;
    int sheetsLeft = 0;
    bool backPending = false;
    int pagesStarted = 0;
    int statusAnswers = 0; // getDeviceStatus answers since openPort
    bool pageRunning = false;
    bool haveParameters = false;
    int parameterError = 0;
    PageParameters parameters;

    // The PDF pages of the running job: the pages from the job thread only,
    // the document name under the mutex.
    JobDocument document;

    // Set from any thread.
    std::atomic<bool> cancelRequested{false};
    std::atomic<bool> jobFailed{false};
    std::mutex waitMutex;
    std::condition_variable waitCondition;
};
