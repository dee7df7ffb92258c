// The main window's side of scan and preview jobs.
#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/configfile.h"
#include "app/errormessage.h"
#include "app/globals.h"
#include "cloud/uploadingdialog.h"
#include "scan/progressdialog.h"
#include "scan/scanningthread.h"
#include "scan/wakeupdialog.h"
#include "ui/preview.h"
#include "ui/scansettings.h"

#include <QDebug>
#include <QFile>

#include <cstring>

void MainWindow::setBusy(bool busy)
{
    // The central widget holds every control; the window itself stays enabled
    // so the job's dialogs keep working.
    ui->centralWidget->setEnabled(!busy);
    if (source() == ExposureGlass) {
        ui->pushButtonPreview->setEnabled(!busy);
        ui->pushButtonClearPreview->setEnabled(!busy);
    }
}

void MainWindow::reenableAfterJob()
{
    setBusy(false);
    applyScanButtonRule();
}

void MainWindow::startJob(int target, const ScanRequest &job)
{
    scanningThread = new ScanningThread(&hub);
    connect(scanningThread, &QThread::finished, this, &MainWindow::finishedScanningThread);
    if (target == TargetPreview)
        connect(scanningThread, &ScanningThread::finishedPreview, this, &MainWindow::finishedPreview);
    scanningThread->setRequest(job, target);
    scanningThread->start(QThread::HighPriority);
}

void MainWindow::clickedBtnScan()
{
    qDebug() << "MainWindow::clickedBtnScan";
    if (!startLock.tryLock())
        return;
    setBusy(true);
    cancelRequested = false;
    QFile::remove(configFile().pdfFileName());
    commitTextFields();

    const ScanRequest &r = scanRequest();
    int target = TargetLocal;
    if (ui->tabWidgetSetting->currentIndex() == 2 && r.cloudSignedIn)
        target = r.storeToLocal ? TargetCloudAndLocal : TargetCloud;
    startJob(target, r);
    startLock.unlock();
}

void MainWindow::clickedBtnPreview()
{
    qDebug() << "MainWindow::clickedBtnPreview";
    if (!startLock.tryLock())
        return;
    if (scanRequest().paperSource != ExposureGlass) {
        startLock.unlock();
        return;
    }
    cancelRequested = false;

    // A request of its own: the whole glass at the preview widget's size.
    ScanRequest job;
    std::memset(&job, 0, sizeof job);
    job.paperSource = ExposureGlass;
    job.scanMode = FullColor;
    job.resolution = 41;
    job.duplex = false;
    job.flatbedAvailable = true;
    job.areaInches[AreaWidth] = 8.5;
    job.areaInches[AreaHeight] = 11.693;
    job.areaCentimetres[AreaWidth] = 21.59;
    job.areaCentimetres[AreaHeight] = 29.7;
    job.areaPixels[AreaWidth] = ui->widgetPreview->width();
    job.areaPixels[AreaHeight] = ui->widgetPreview->height();
    job.localImageType = ImagePreview;
    copyToWideBuffer(configFile().previewBitmap(), job.localFilePrefix, int(sizeof job.localFilePrefix));

    setBusy(true);
    ui->pushButtonPreview->setEnabled(false);
    ui->pushButtonClearPreview->setEnabled(false);
    QFile::remove(configFile().previewBitmap());
    ui->widgetPreview->clearImage();
    ui->widgetPreview->update();

    startJob(TargetPreview, job);
    startLock.unlock();
}

void MainWindow::finishedPreview()
{
    qDebug() << "MainWindow::finishedPreview";
    ui->widgetPreview->loadImage(configFile().previewBitmap(), scanRequest().scanMode);
    ui->widgetPreview->update();
}

void MainWindow::finishedScanningThread()
{
    qDebug() << "MainWindow::finishedScanningThread";
    bool cancelled = false;
    if (scanningThread) {
        cancelled = scanningThread->isCancelled();
        if (scanningThread->isFinished()) {
            qDebug() << "scanning thread finish";
            QMutexLocker lock(&jobLock);
            delete scanningThread;
            scanningThread = nullptr;
        }
    }
    // While uploads run, the window stays disabled until they end.
    if (uploadDialog) {
        uploadDialog->finishedScanning(cancelled);
        return;
    }
    reenableAfterJob();
    if (closeRequested)
        close();
}

void MainWindow::cancelScanningJob()
{
    qDebug() << "MainWindow::cancelScanningJob";
    if (cancelRequested)
        return;
    cancelRequested = true;
    if (scanningThread)
        scanningThread->cancel();
}

void MainWindow::wakeUpDialog(int nStatus, int nProgress)
{
    qDebug() << "MainWindow::wakeUpDialog" << nStatus << nProgress;
    switch (nStatus) {
    case 0: {
        delete wakeUpDlg;
        wakeUpDlg = new WakeUpDialog(appTitle, scanningThread, this);
        wakeUpDlg->exec();
        delete wakeUpDlg;
        wakeUpDlg = nullptr;
        break;
    }
    case 1:
        if (wakeUpDlg)
            wakeUpDlg->setProgress(nProgress);
        break;
    case 2:
        if (wakeUpDlg)
            wakeUpDlg->closeByJob();
        break;
    default:
        break;
    }
}

void MainWindow::scanningDialog(int nStatus, int nPages)
{
    qDebug() << "MainWindow::scanningDialog" << nStatus << nPages;
    switch (nStatus) {
    case 0:
        delete progressDialog;
        progressDialog = new ProgressDialog(appTitle, nPages, &hub, scanningThread, this);
        progressDialog->show();
        break;
    case 2:
        if (progressDialog) {
            progressDialog->accept();
            delete progressDialog;
            progressDialog = nullptr;
        }
        break;
    default:
        break;
    }
}

void MainWindow::postErrorCode(int nErrorCode)
{
    qDebug() << "MainWindow::postErrorMessage";
    qDebug() << "Error code:" << nErrorCode;
    showErrorCode(this, nErrorCode, tr("Information"));
}
