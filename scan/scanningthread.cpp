#include "scan/scanningthread.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "ptessark.h"
#include "scan/devicelists.h"
#include "scan/pagefile.h"
#include "scan/pmessage.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFile>

#include <cstring>

namespace {
constexpr int kStatusTries = 10;
constexpr int kWakeUpPollMs = 500;

// Error bits of the device status, each on its own: a jam reported together
// with another bit is still a jam.
constexpr quint8 kJamBit = 0x01;
constexpr quint8 kWakeUpErrorBit = 0x02;

} // namespace

ScanningThread::ScanningThread(PMessage *hub, QObject *parent)
    : QThread(parent)
    , pHub(hub)
    , target(-1)
    , bStopWakeUp(false)
    , bCancelled(false)
{
    std::memset(&request, 0, sizeof request);
}

void ScanningThread::setRequest(const ScanRequest &record, int scanTarget)
{
    request = record;
    target = scanTarget;
}

void ScanningThread::cancel()
{
    bCancelled = true;
}

void ScanningThread::stopWakeUp()
{
    bStopWakeUp = true;
}

bool ScanningThread::isCancelled() const
{
    return bCancelled;
}

void ScanningThread::run()
{
    const ScanRequest job = request;
    runJob(job, target);
}

int ScanningThread::runJob(const ScanRequest &job, int scanTarget)
{
    PTessark &engine = tessark();
    int rc = 0;
    int imageType = ImageJPEG;
    QString path;
    QString folder, prefix;

    switch (scanTarget) {
    case TargetPreview:
        imageType = job.localImageType;
        break;
    case TargetLocal:
        folder = wideText(job.localFolder);
        prefix = wideText(job.localFilePrefix);
        imageType = job.localImageType;
        break;
    case TargetCloud:
        folder = configFile().configPath();
        prefix = wideText(job.cloudFilePrefix);
        imageType = job.cloudImageType;
        break;
    case TargetCloudAndLocal:
        folder = wideText(job.cloudLocalFolder);
        prefix = wideText(job.cloudFilePrefix);
        imageType = job.cloudImageType;
        break;
    default:
        break;
    }
    const bool cloudTarget = scanTarget == TargetCloud || scanTarget == TargetCloudAndLocal;
    const bool deleteAfterUpload = scanTarget == TargetCloud;
    const QString folderId = wideText(job.cloudFolderId);
    const bool feederJob = job.paperSource == 2;

    const DeviceRecord device = deviceLists().currentDevice();
    const QString port = device.portNameText();

    [&] {
        if (port.isEmpty()) {
            rc = -34;
            return;
        }
        rc = engine.setPortName(device.projectId, port);
        if (rc != 0)
            return;

        if (scanTarget != TargetPreview) {
            rc = makePageFileName(imageType, folder, prefix, path);
            if (rc != 0)
                return;
            if (!checkDiskSpace(path, imageType)) {
                rc = -43;
                return;
            }
        }

        bool opened = false;
        for (int tries = 0; tries < kStatusTries; ++tries) {
            tagResponseDeviceInfo reply;
            std::memset(&reply, 0, sizeof reply);
            if (!engine.getStatusFromSpecialPort(&reply)) {
                rc = -21;
                return;
            }
            if (reply.errorFlags & 0x04) {
                rc = -2;
                return;
            }
            if (reply.busy) {
                qDebug() << "Device busy times:" << tries;
                rc = -22;
                continue;
            }
            rc = engine.openPort();
            if (rc != 0)
                return;
            opened = true;
            break;
        }
        if (!opened)
            return;

        int page = 1;
        bool firstPage = true;
        bool pageStarted = false;
        for (;;) {
            tagSCANNER_STATUS status;
            std::memset(&status, 0, sizeof status);
            if (engine.getDeviceStatus(&status)) {
                rc = -31;
                return;
            }
            if (status.powerState == 2) {
                rc = wakeUp();
                if (rc != 0)
                    return;
                continue;
            }
            if (feederJob && !status.paperInFeeder) {
                rc = firstPage ? -5 : 0;
                return;
            }
            if (status.errorBits & kJamBit) {
                rc = -2;
                return;
            }
            if (status.powerState == 3) {
                rc = -22;
                return;
            }

            firstPage = false;
            if (scanTarget == TargetPreview) {
                path = wideText(job.localFilePrefix);
            } else {
                rc = makePageFileName(imageType, folder, prefix, path);
                if (rc != 0) {
                    // Pages already gathered for a PDF must not be written under an old name.
                    if (pageStarted)
                        engine.cancelJob();
                    return;
                }
            }
            if (path.isEmpty()) {
                rc = -52;
                return;
            }

            const bool diskOk = scanTarget == TargetPreview || checkDiskSpace(path, imageType);
            if (!diskOk || bCancelled) {
                if (pageStarted)
                    engine.cancelJob();
                rc = bCancelled ? -150 : -43;
                return;
            }

            logRequest(job);
            int duplexSide = job.duplexOrder;
            if (job.duplex && (job.paperSizeId == 5 || job.paperSizeId == 7))
                duplexSide = (job.duplexOrder + 2) % 4;

            engine.setParameters(pHub, job.areaPixels[AreaLeft], job.areaPixels[AreaTop], job.areaPixels[AreaWidth],
                                 job.areaPixels[AreaHeight], job.resolution, job.scanMode, job.paperSource, job.duplex,
                                 duplexSide, 1, imageType, path);
            pageStarted = true;
            if (pHub)
                emit pHub->scanningDialog(0, page);
            rc = engine.startScan();
            if (pHub)
                emit pHub->scanningDialog(2, page);

            if (bCancelled) {
                // A page meant only for upload is never handed on now, so
                // nothing would ever delete it from the data folder.
                if (rc == 0 && scanTarget == TargetCloud && imageType != ImagePDF)
                    QFile::remove(path);
                return;
            }

            if (scanTarget == TargetPreview)
                emit finishedPreview();

            // A complete page is handed on before the feeder is asked about
            // the next sheet, so a jam on that sheet never drops this one.
            if (rc == 0 && cloudTarget && (imageType == ImageJPEG || imageType == ImageTIFF) && pHub)
                emit pHub->finishedPage(folderId, path, imageType, deleteAfterUpload);

            if (feederJob && rc == 0) {
                std::memset(&status, 0, sizeof status);
                if (engine.getDeviceStatus(&status)) {
                    rc = -31;
                    return;
                }
                if (status.errorBits & kJamBit) {
                    rc = -2;
                    return;
                }
            }

            if (!feederJob || rc != 0)
                return;
            ++page;
        }
    }();

    const int finishResult = engine.scanFinish();
    // The PDF is only complete once the engine has finished it.
    if (imageType == ImagePDF && !bCancelled && rc == 0 && finishResult == 0 && cloudTarget && pHub)
        emit pHub->finishedPage(folderId, path, imageType, deleteAfterUpload);
    engine.closePort();
    if (pHub) {
        if (rc != 0)
            emit pHub->postErrorCode(rc);
        else if (finishResult != 0)
            emit pHub->postErrorCode(finishResult);
    }
    return rc != 0 ? rc : finishResult;
}

int ScanningThread::wakeUp()
{
    if (pHub)
        emit pHub->wakeUpDialog(0, 0);
    QElapsedTimer timer;
    timer.start();
    int rc = 0;
    bool stopped = false;
    for (;;) {
        if (bStopWakeUp) {
            stopped = true;
            break;
        }
        const qint64 elapsed = timer.elapsed();
        if (pHub)
            emit pHub->wakeUpDialog(1, int(qMin<qint64>(100, elapsed * 100 / nWakeUpLimitMs)));
        if (elapsed > nWakeUpLimitMs) {
            rc = -111;
            break;
        }
        tagSCANNER_STATUS status;
        std::memset(&status, 0, sizeof status);
        if (tessark().getDeviceStatus(&status)) {
            rc = -31;
            break;
        }
        if (status.errorBits & kJamBit) {
            rc = -2;
            break;
        }
        if (status.errorBits & kWakeUpErrorBit) {
            rc = -4;
            break;
        }
        if (status.powerState == 1) {
            rc = 0;
            break;
        }
        if (status.powerState == 2) {
            qDebug() << "SCANNER_WAKE_UP" << timer.elapsed();
        } else if (status.powerState == 3) {
            rc = -22;
            break;
        } else {
            qDebug() << "UNKNOWN_ERROR";
        }
        // Sleep in short steps so a stop from the dialog is seen at once.
        for (int slept = 0; slept < kWakeUpPollMs && !bStopWakeUp; slept += 50)
            QThread::msleep(50);
    }
    if (stopped)
        rc = -150;
    qDebug() << "Wake up printer time:" << timer.elapsed();
    if (pHub)
        emit pHub->wakeUpDialog(2, 100);
    return rc;
}

void ScanningThread::logRequest(const ScanRequest &job) const
{
    qDebug() << "Paper orignal:" << job.paperSource;
    if (job.paperSource == 2) {
        if (job.duplex)
            qDebug() << "Scan from ARDF, Duplex index:" << job.duplexOrder;
        else
            qDebug() << "Scan from ADF";
    }
    qDebug() << "Resolution:" << job.resolution;
    qDebug() << "Scan mode:" << job.scanMode;
    qDebug() << "Image x offset:" << job.areaPixels[AreaLeft];
    qDebug() << "Image y offset:" << job.areaPixels[AreaTop];
    qDebug() << "Image width:" << job.areaPixels[AreaWidth];
    qDebug() << "Image height:" << job.areaPixels[AreaHeight];
    qDebug() << "Image file name:" << wideText(job.localFolder) << wideText(job.localFilePrefix);
}
