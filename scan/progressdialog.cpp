#include "scan/progressdialog.h"
#include "ui_progressdialog.h"

#include "app/globals.h"
#include "ptessark.h"
#include "scan/pmessage.h"
#include "scan/scanningthread.h"

#include <QDebug>
#include <QKeyEvent>

ProgressDialog::ProgressDialog(const QString &title, int nPage, PMessage *hub, ScanningThread *job, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ProgressDialog)
    , windowTitleText(title)
    , pageNumber(nPage)
    , pHub(hub)
    , scanJob(job)
{
    ui->setupUi(this);
    setWindowTitle(windowTitleText);
    ui->label->setText(tr("Transferring page %1, press \"Cancel\" to abort scan.").arg(pageNumber));
    ui->pushButtonCancel->setText(tr("Cancel"));
    setWindowFlags((windowFlags() & ~(Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint
                                      | Qt::WindowContextHelpButtonHint))
                   | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);

    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &ProgressDialog::reject);
    if (pHub) {
        connect(pHub, &PMessage::scanningStatus, this, &ProgressDialog::scanningStatus);
        connect(pHub, &PMessage::cancelScanningJob, this, &ProgressDialog::cancelScanningJob, Qt::QueuedConnection);
    }
}

ProgressDialog::~ProgressDialog()
{
    delete ui;
}

void ProgressDialog::scanningStatus(int /*nFlag*/, int nProgress)
{
    ui->progressBarScanning->setValue(nProgress);
    // The page is complete in the engine: too late to cancel it.
    if (nProgress >= 100)
        ui->pushButtonCancel->setEnabled(false);
}

void ProgressDialog::cancelScanningJob()
{
    qDebug() << "ProgressDialog::cancelScanningJob";
    reject();
}

void ProgressDialog::reject()
{
    qDebug() << "ProgressDialog::reject";
    {
        QMutexLocker lock(&cancelMutex);
        if (cancelled)
            return;
        cancelled = true;
    }
    if (pHub)
        emit pHub->cancelScanningJob();
    tessark().cancelJob();
    if (scanJob)
        scanJob->cancel();
    ui->pushButtonCancel->setEnabled(false);
}

void ProgressDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}
