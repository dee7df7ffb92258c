#pragma once

#include "scan/scanrequest.h"

#include <QThread>

#include <atomic>

class PMessage;

// One scan or preview job: opens the port, wakes the machine, scans page
// after page into named files and reports through the hub.
//
//   setPortName -> status port (10 tries) -> openPort
//     -> per page: getDeviceStatus [wake-up] -> setParameters -> startScan
//   -> scanFinish -> closePort -> postErrorCode when the job failed
class ScanningThread : public QThread
{
    Q_OBJECT
public:
    explicit ScanningThread(PMessage *hub, QObject *parent = nullptr);

    void setRequest(const ScanRequest &record, int scanTarget);
    void cancel();
    void stopWakeUp();
    bool isCancelled() const;
    // How long the wake-up waits for the machine: a minute, shorter in tests.
    void setWakeUpLimit(int ms) { nWakeUpLimitMs = ms; }

signals:
    void finishedPreview();

protected:
    void run() override;

private:
    int runJob(const ScanRequest &job, int scanTarget);
    int wakeUp();
    void logRequest(const ScanRequest &job) const;

    PMessage *pHub;
    ScanRequest request;
    int target;
    std::atomic_bool bStopWakeUp;
    std::atomic_bool bCancelled;
    int nWakeUpLimitMs = 60000;
};
