#include "scan/selectdevicedialog.h"
#include "ui_selectdevicedialog.h"

#include "app/errormessage.h"
#include "app/globals.h"
#include "ptessark.h"
#include "scan/devicelists.h"
#include "scan/searchscannerdialog.h"

#include <QApplication>
#include <QDebug>

#include <cstring>

SelectDeviceDialog::SelectDeviceDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SelectDeviceDialog)
{
    ui->setupUi(this);
    setWindowTitle(tr("Scanner Driver Selection"));
    ui->labelDevice->setText(tr("Please select a scanner driver:"));
    ui->labelIPAddress->setText(tr("IP Address:"));
    ui->pushButtonSearchDevices->setText(tr("Search Network Scanner"));
    ui->pushButtonOK->setText(tr("OK"));
    ui->pushButtonCancel->setText(tr("Cancel"));

    setWindowFlags((windowFlags() & ~(Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint))
                   | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(533, 185);

    DeviceLists &lists = deviceLists();
    lists.clearDeviceLists(0);
    QString usb;
    tessark().getUSBScannerDevice(usb);
    lists.parseDeviceList(UsbDevices, usb);
    for (int i = 0; i < lists.count(UsbDevices); ++i) {
        DeviceRecord record;
        if (lists.deviceAt(i, UsbDevices, record))
            ui->comboBoxDevice->addItem(record.aliasText(), i);
    }
    ui->comboBoxDevice->addItem(tr("Connect Scanner"), ConnectScannerItem);

    connect(ui->comboBoxDevice, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SelectDeviceDialog::currentItemChangedCmbDevice);
    connect(ui->pushButtonOK, &QPushButton::clicked, this, &SelectDeviceDialog::clickedBtnOK);
    connect(ui->pushButtonSearchDevices, &QPushButton::clicked, this, &SelectDeviceDialog::clickedBtnSearchDevices);
    connect(ui->pushButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    ui->comboBoxDevice->setCurrentIndex(0);
    currentItemChangedCmbDevice(0);
}

SelectDeviceDialog::~SelectDeviceDialog()
{
    delete ui;
}

void SelectDeviceDialog::currentItemChangedCmbDevice(int nIndex)
{
    qDebug() << "SelectDeviceDialog::currentItemChangedCmbDevice";
    const bool typed = ui->comboBoxDevice->itemData(nIndex).toInt() == ConnectScannerItem;
    ui->lineEditIPAddress->setEnabled(typed);
    if (typed)
        ui->lineEditIPAddress->setFocus();
}

void SelectDeviceDialog::clickedBtnSearchDevices()
{
    qDebug() << "SelectDeviceDialog::clickedBtnSearchDevices";
    SearchScannerDialog search(this);
    if (search.exec() == QDialog::Accepted)
        accept();
}

void SelectDeviceDialog::clickedBtnOK()
{
    qDebug() << "SelectDeviceDialog::clickedBtnOK";
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int error = 0;
    const int item = ui->comboBoxDevice->currentData().toInt();
    if (item == ConnectScannerItem) {
        const QString address = ui->lineEditIPAddress->text().trimmed();
        if (address.isEmpty() || tessark().checkIPAddress(address) == 0) {
            error = 1;
        } else {
            tagResponseDeviceInfo reply;
            std::memset(&reply, 0, sizeof reply);
            int projectId = 0;
            if (!tessark().queryScannerStatus(projectId, address, &reply)) {
                error = 2;
            } else {
                deviceLists().setDevice(1, reply.paperSource, projectId, address, replyModelName(reply));
            }
        }
    } else {
        deviceLists().selectDevice(item, UsbDevices);
    }
    QApplication::restoreOverrideCursor();

    if (error != 0) {
        showCritical(this, tr("Information"),
                     error == 1 ? tr("The entered IP address is invalid.")
                                : tr("Failed to connect to the specified machine in the network."));
        ui->lineEditIPAddress->setFocus();
        ui->lineEditIPAddress->selectAll();
        return;
    }
    accept();
}
