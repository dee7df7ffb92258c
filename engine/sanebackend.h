#pragma once

#include "jobdocument.h"
#include "pageparameters.h"
#include "saneoptions.h"
#include "scannerbackend.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include <sane/sane.h>

// Real scanners through SANE (README.md, "Real scanners (SANE)"). The port
// name is the SANE device name, or a network address that one of SANE's
// device names carries. The job calls come from one thread; cancelJob may come
// from any other at any time, the device lists and queries from any thread
// between jobs.
//
// SANE only learns that a feeder is empty by starting the next frame, so
// after a feeder page the next getDeviceStatus starts it and reports what the
// device said (empty, jammed, busy); startScan then reads that frame.
class SaneBackend : public ScannerBackend
{
public:
    explicit SaneBackend(const ConfigFile &config);
    ~SaneBackend() override;

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
    // What the device was set to for the frames it starts.
    struct Setup
    {
        bool valid = false;
        PageParameters scan;
        double deviceDpi = 0;
        int frameLeft = 0, frameTop = 0;

        bool sameScan(const PageParameters &p) const { return valid && scan.sameScan(p); }
    };
    // What the last sane_start of the job said, until startScan takes it.
    enum class Started { Nothing, Frame, NoDocuments, Jammed, Busy, Failed };
    struct Device
    {
        QString name;
        QString model;
    };
    struct Known
    {
        QString model;
        quint8 capabilities = 0;
    };

    bool ensureSane();
    std::vector<Device> listDevices(bool localOnly);
    QString listText(int deviceType, bool localOnly, QAbstractSocket::NetworkLayerProtocol family);
    Known known(const QString &name);
    void remember(const QString &name, const QString &model, quint8 capabilities, bool keepCapabilities);
    QString resolvePort(const QString &port, int projectId);

    // Job thread, with jobMutex held.
    void startFrame(const PageParameters &p);
    int applySetup(const PageParameters &p);
    void endBatch();
    void closeHandle();
    int readPage(const PageParameters &p, const Setup &s, int pageNumber, bool turned);

    QString mfpCfgFile;

    std::mutex saneMutex; // guards saneHeld
    bool saneHeld = false;

    std::mutex knownMutex; // guards known devices
    std::map<QString, Known> knownDevices;

    std::mutex jobMutex; // guards the job state below
    QString portName;
    bool portOpen = false;
    SaneOptions::Sources sources;
    bool haveParameters = false;
    int parameterError = 0;
    PageParameters parameters;
    Setup setup;
    Started started = Started::Nothing;
    int startedCode = 0;
    bool batchActive = false;   // sane_start was called since the last sane_cancel
    int framesInBatch = 0;      // frames started since the device was set up
    bool feederPageDone = false; // the last page came from the feeder and is complete
    int pagesStarted = 0;
    bool pageRunning = false;
    JobDocument document; // its pages from the job thread only

    std::mutex handleMutex; // guards handle and openName; sane_cancel runs under it
    SANE_Handle handle = nullptr;
    QString openName;

    std::atomic<bool> cancelRequested{false};
    std::atomic<bool> jobFailed{false};
};
