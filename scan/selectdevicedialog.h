#pragma once

#include <QDialog>

namespace Ui {
class SelectDeviceDialog;
}

// Scanner selection: a USB device from the engine's list, an address typed
// in, or a machine found by the network search.
class SelectDeviceDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SelectDeviceDialog(QWidget *parent = nullptr);
    ~SelectDeviceDialog() override;

    static constexpr int ConnectScannerItem = 999;

protected slots:
    void clickedBtnOK();
    void clickedBtnSearchDevices();
    void currentItemChangedCmbDevice(int nIndex);

private:
    Ui::SelectDeviceDialog *ui;
};
