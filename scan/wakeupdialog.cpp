#include "scan/wakeupdialog.h"
#include "ui_wakeupdialog.h"

#include "scan/scanningthread.h"

#include <QDebug>

WakeUpDialog::WakeUpDialog(const QString &title, ScanningThread *job, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::WakeUpDialog)
    , windowTitleText(title)
    , scanJob(job)
{
    ui->setupUi(this);
    setWindowTitle(windowTitleText);
    ui->labelWarmingUpInfo->setText(tr("The machine is warming up..."));
    ui->pushButtonCancel->setText(tr("Cancel"));
    ui->progressBarWakeUp->setValue(0);
    setWindowFlags((windowFlags() & ~(Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint
                                      | Qt::WindowContextHelpButtonHint))
                   | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &WakeUpDialog::reject);
}

WakeUpDialog::~WakeUpDialog()
{
    delete ui;
}

void WakeUpDialog::setProgress(int nPercent)
{
    ui->progressBarWakeUp->setValue(nPercent);
}

void WakeUpDialog::closeByJob()
{
    closingAllowed = true;
    accept();
}

void WakeUpDialog::reject()
{
    qDebug() << "WakeUpDialog::reject";
    if (closingAllowed) {
        QDialog::reject();
        return;
    }
    if (scanJob)
        scanJob->stopWakeUp();
}
