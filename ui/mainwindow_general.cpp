// The "General" tab of the main window: the scan settings, the scan
// configurations, the scan area and the crop taken from the preview.
#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "scan/devicelists.h"
#include "scan/selectdevicedialog.h"
#include "ui/hruler.h"
#include "ui/preview.h"
#include "ui/previewlayout.h"
#include "ui/scanarea.h"
#include "ui/scanconfigflows.h"
#include "ui/scansettings.h"
#include "ui/sizefields.h"
#include "ui/vruler.h"

#include <QDebug>

namespace {
const char *const kUnitStyles[] = {
    "QPushButton#pushButtonUnit{border-image:url(:/ui/images/INCHU.BMP)}",
    "QPushButton#pushButtonUnit{border-image:url(:/ui/images/CMU.BMP)}",
    "QPushButton#pushButtonUnit{border-image:url(:/ui/images/PIXELU.BMP)}",
};
} // namespace

// Setting changes ---------------------------------------------------------

void MainWindow::moveToCustom()
{
    const int custom = configurations.customIndex(source());
    configurations.setActive(source(), custom);
    scanRequest().configIndex = custom;
}

void MainWindow::selectActiveRow()
{
    const int active = configurations.activeIndex(source());
    QListWidget *list = ui->listWidgetUserConfig;
    if (list->currentRow() != active && active >= 0 && active < list->count()) {
        const QSignalBlocker block(list);
        list->setCurrentRow(active);
    }
}

void MainWindow::updateConfigButtonState()
{
    updateConfigButtons(configurations, source(), ui->pushButtonGeneralSaveAs, ui->pushButtonGeneralDelete);
}

void MainWindow::applySettingChange(Change change)
{
    moveToCustom();
    ScanRequest &r = scanRequest();
    configurations.storeRecordInActive(source(), r);
    selectActiveRow();
    updateConfigButtonState();

    switch (change) {
    case Change::ScanMode:
        ui->widgetPreview->setScanMode(r.scanMode);
        break;
    case Change::Resolution: {
        renewValidators();
        const QSignalBlocker block(ui->comboBoxGeneralResolution);
        ui->comboBoxGeneralResolution->setCurrentIndex(resolutions.indexOf(source(), r.resolution));
        if (r.unit == Pixel)
            showUnit();
        showPaperSizeAndFields();
        break;
    }
    case Change::Unit:
        renewValidators();
        showUnit();
        showPaperSizeAndFields();
        break;
    case Change::PaperSize:
        showPaperSizeAndFields();
        showCropRect();
        break;
    case Change::TypedSize: {
        const QSignalBlocker block(ui->comboBoxGeneralPaperSize);
        const int row = ui->comboBoxGeneralPaperSize->findData(r.paperSizeId);
        if (row >= 0)
            ui->comboBoxGeneralPaperSize->setCurrentIndex(row);
        showCropRect();
        break;
    }
    }
}

void MainWindow::showUnit()
{
    const ScanRequest &r = scanRequest();
    {
        const QSignalBlocker block(ui->comboBoxGeneralUnit);
        ui->comboBoxGeneralUnit->setCurrentIndex(r.unit);
    }
    if (r.unit >= 0 && r.unit < 3)
        ui->pushButtonUnit->setStyleSheet(QString::fromLatin1(kUnitStyles[r.unit]));
    ui->widgetHRuler->setScale(r.unit, r.resolution, previewPixelsPerInch);
    ui->widgetHRuler->computePixelSteps(ui->widgetHRuler->rect());
    ui->widgetVRuler->setScale(r.unit, r.resolution, previewPixelsPerInch);
    ui->widgetVRuler->setPixelSteps(ui->widgetHRuler->tickStep(), ui->widgetHRuler->labelStep());
    ui->widgetHRuler->update();
    ui->widgetVRuler->update();
}

void MainWindow::showPaperSizeAndFields()
{
    const ScanRequest &r = scanRequest();
    QComboBox *sizes = ui->comboBoxGeneralPaperSize;
    if (sizes->currentData().toInt() != r.paperSizeId) {
        const QSignalBlocker block(sizes);
        const int row = sizes->findData(r.paperSizeId);
        if (row >= 0)
            sizes->setCurrentIndex(row);
    }
    const bool glass = source() == ExposureGlass;
    ui->lineEditGeneralWidth->setEnabled(glass);
    ui->lineEditGeneralHeight->setEnabled(glass);
    const ScanArea area = ScanArea::fromRequest(r);
    ui->lineEditGeneralWidth->setText(displayValue(area.value(r.unit, AreaWidth), r.unit));
    ui->lineEditGeneralHeight->setText(displayValue(area.value(r.unit, AreaHeight), r.unit));
}

void MainWindow::showCropRect()
{
    const ScanRequest &r = scanRequest();
    ui->widgetPreview->setCropInches(0, r.areaInches[AreaLeft], r.areaInches[AreaTop], r.areaInches[AreaWidth],
                                     r.areaInches[AreaHeight]);
    ui->widgetPreview->update();
}

void MainWindow::renewValidators()
{
    const ScanRequest &r = scanRequest();
    renewSizeValidators(ui->lineEditGeneralWidth, ui->lineEditGeneralHeight, r.unit, source(), r.resolution);
}

void MainWindow::synchroniseSource()
{
    const ScanRequest &r = scanRequest();
    QComboBox *sources = ui->comboBoxGeneralPaperSource;
    const QSignalBlocker block(sources);
    if (source() == ExposureGlass) {
        sources->setCurrentIndex(0);
        sources->setEnabled(r.feederAvailable);
        ui->widgetPreview->setInteractive(true);
        ui->pushButtonClearPreview->setVisible(true);
        ui->pushButtonPreview->setEnabled(true);
    } else {
        sources->setCurrentIndex(r.feederAvailable ? 1 : 0);
        sources->setEnabled(r.feederAvailable);
        ui->widgetPreview->setInteractive(false);
        ui->pushButtonClearPreview->setVisible(false);
        ui->pushButtonPreview->setEnabled(false);
    }
    layoutPreview();
    if (source() == DocumentFeeder)
        ui->widgetPreview->clearImage();
    else
        ui->widgetPreview->loadImage(configFile().previewBitmap(), r.scanMode);
}

void MainWindow::fullRefresh()
{
    const ScanRequest &r = scanRequest();
    synchroniseSource();
    {
        const QSignalBlocker block(ui->listWidgetUserConfig);
        configurations.fillList(ui->listWidgetUserConfig, source());
        ui->listWidgetUserConfig->setCurrentRow(configurations.activeIndex(source()));
    }
    updateConfigButtonState();
    {
        const QSignalBlocker block(ui->comboBoxGeneralScanMode);
        ui->comboBoxGeneralScanMode->setCurrentIndex(ui->comboBoxGeneralScanMode->findData(r.scanMode));
    }
    {
        const QSignalBlocker block(ui->comboBoxGeneralResolution);
        ui->comboBoxGeneralResolution->setCurrentIndex(resolutions.indexOf(source(), r.resolution));
    }
    showPaperSizeAndFields();
    showCropRect();
    showUnit();
    renewValidators();
    updateDuplexControls();
}

void MainWindow::updateDuplexControls()
{
    ScanRequest &r = scanRequest();
    QCheckBox *check = ui->checkBoxGeneralDuplex;
    QComboBox *order = ui->comboBoxGeneralDuplex;
    const QSignalBlocker blockCheck(check);
    const QSignalBlocker blockOrder(order);
    if (source() == ExposureGlass) {
        check->setVisible(false);
        order->setVisible(false);
        return;
    }
    if (r.duplexAvailable) {
        check->setVisible(true);
        order->setVisible(true);
        check->setChecked(r.duplex);
        order->setEnabled(r.duplex);
        order->setCurrentIndex(r.duplexOrder);
    } else {
        check->setChecked(false);
        check->setVisible(false);
        order->setEnabled(false);
        r.duplex = false;
    }
}

void MainWindow::previewUpdate(QRect rectCrop, int nCropState)
{
    qDebug() << "MainWindow::previewUpdate";
    // A size typed but not yet committed would be lost under the new area.
    commitTypedSizes();
    ScanRequest &r = scanRequest();
    const QRect rect = rectCrop.normalized();
    const double s = previewPixelsPerInch;
    if (s <= 0)
        return;
    auto toPreview = [](double value) { return qint32(roundTo(value, 0, true)); };
    // A span whose pixels did not move keeps its exact value (4.25 in is not
    // a whole number of preview pixels), so touching an edge changes nothing.
    auto setSpan = [&](int offsetIndex, int lengthIndex, int offsetPx, int lengthPx, int widgetLength, double full) {
        const int shownOffset = toPreview(s * r.areaInches[offsetIndex]);
        const int shownLength = toPreview(s * r.areaInches[lengthIndex] + shownOffset) - shownOffset;
        if (offsetPx == shownOffset && lengthPx == shownLength)
            return;
        const double length = lengthPx == widgetLength - 1 ? full : lengthPx / s;
        const double offset = offsetPx / s;
        r.areaInches[offsetIndex] = offset;
        r.areaInches[lengthIndex] = length;
        r.areaCentimetres[offsetIndex] = offset * 2.54;
        r.areaCentimetres[lengthIndex] = length * 2.54;
        r.areaPixels[offsetIndex] = inchesToPixels(offset, r.resolution);
        r.areaPixels[lengthIndex] = inchesToPixels(length, r.resolution);
    };
    auto setOffset = [&](int index, int px) {
        if (px == toPreview(s * r.areaInches[index]))
            return;
        const double offset = px / s;
        r.areaInches[index] = offset;
        r.areaCentimetres[index] = offset * 2.54;
        r.areaPixels[index] = inchesToPixels(offset, r.resolution);
    };

    moveToCustom();
    if (nCropState == 0 || nCropState == 2)
        setSpan(AreaLeft, AreaWidth, rect.left(), rect.width(), ui->widgetPreview->width(), FullScanWidth);
    if (nCropState == 1 || nCropState == 2)
        setSpan(AreaTop, AreaHeight, rect.top(), rect.height(), ui->widgetPreview->height(), fullScanHeight(source()));
    if (nCropState == 3) {
        setOffset(AreaLeft, rect.left());
        setOffset(AreaTop, rect.top());
    } else {
        r.paperSizeId = UserDefinedPaperSize;
    }
    configurations.storeRecordInActive(source(), r);
    selectActiveRow();
    updateConfigButtonState();
    showPaperSizeAndFields();
}

void MainWindow::commitTypedSizes()
{
    // The unit button and the preview take no focus, so the size fields do
    // not lose it when they are used: commit what was typed first.
    ScanRequest &r = scanRequest();
    for (QLineEdit *edit : {ui->lineEditGeneralWidth, ui->lineEditGeneralHeight}) {
        const SizeField field = edit == ui->lineEditGeneralWidth ? SizeField::Width : SizeField::Height;
        if (edit->isEnabled() && commitSizeField(this, edit, r, field, tr("Information")) == TypedSizeResult::Stored)
            applySettingChange(Change::TypedSize);
    }
}

void MainWindow::clickedBtnGeneralDevices()
{
    qDebug() << "MainWindow::clickedBtnGeneralDevices";
    SelectDeviceDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    ScanRequest &r = scanRequest();
    queryMachine(r);
    updateWindowTitle();
    if (!r.feederAvailable && !r.duplexAvailable && r.paperSource != ExposureGlass) {
        // The new machine has no feeder: back to the glass with its configuration.
        configurations.applyActiveTo(ExposureGlass, r);
        r.paperSource = ExposureGlass;
        disconnectSignals();
        paperSizes.fillComboBox(ui->comboBoxGeneralPaperSize, source());
        fullRefresh();
        connectSignals();
        return;
    }
    synchroniseSource();
    updateDuplexControls();
}

void MainWindow::currentIndexChangedCmbPaperSource(int nIndex)
{
    qDebug() << "MainWindow::currentIndexChangedCmbPaperSource" << nIndex;
    const int newSource = ui->comboBoxGeneralPaperSource->itemData(nIndex).toInt();
    ScanRequest &r = scanRequest();
    if (newSource == r.paperSource || (newSource != ExposureGlass && newSource != DocumentFeeder))
        return;
    configurations.applyActiveTo(newSource, r);
    r.paperSource = newSource;
    disconnectSignals();
    paperSizes.fillComboBox(ui->comboBoxGeneralPaperSize, source());
    fullRefresh();
    connectSignals();
}

void MainWindow::currentRowChangedListGeneraUserConfig(int nIndex)
{
    qDebug() << "MainWindow::currentRowChangedListGeneraUserConfig" << nIndex;
    ScanRequest &r = scanRequest();
    if (nIndex < 0 || nIndex == r.configIndex)
        return;
    if (!configurations.setActive(source(), nIndex))
        return;
    r.configIndex = nIndex;
    configurations.applyActiveTo(source(), r);
    updateConfigButtonState();
    {
        const QSignalBlocker block(ui->comboBoxGeneralScanMode);
        ui->comboBoxGeneralScanMode->setCurrentIndex(ui->comboBoxGeneralScanMode->findData(r.scanMode));
    }
    {
        const QSignalBlocker block(ui->comboBoxGeneralResolution);
        ui->comboBoxGeneralResolution->setCurrentIndex(resolutions.indexOf(source(), r.resolution));
    }
    showUnit();
    renewValidators();
    showPaperSizeAndFields();
    ui->widgetPreview->setScanMode(r.scanMode);
    showCropRect();
}

void MainWindow::clickedBtnGeneralSaveAs()
{
    qDebug() << "MainWindow::clickedBtnGeneralSaveAs";
    if (saveConfigurationAs(this, configurations, source(), ui->listWidgetUserConfig, scanRequest(),
                            tr("Information"))) {
        disconnectSignals();
        fullRefresh();
        connectSignals();
    }
}

void MainWindow::clickedBtnGeneralDelete()
{
    qDebug() << "MainWindow::clickedBtnGeneralDelete";
    if (deleteConfiguration(this, configurations, source(), ui->listWidgetUserConfig, scanRequest(),
                            tr("Information"))) {
        disconnectSignals();
        fullRefresh();
        connectSignals();
    }
}

void MainWindow::currentItemChangedCmbGeneralScanMode(int nIndex)
{
    qDebug() << "MainWindow::currentItemChangedCmbGeneralScanMode" << nIndex;
    ScanRequest &r = scanRequest();
    const int mode = ui->comboBoxGeneralScanMode->itemData(nIndex).toInt();
    if (nIndex < 0 || mode == r.scanMode)
        return;
    r.scanMode = mode;
    applySettingChange(Change::ScanMode);
}

void MainWindow::currentItemChangedCmbGeneralResolution(int nIndex)
{
    qDebug() << "MainWindow::currentItemChangedCmbGeneralResolution" << nIndex;
    ScanRequest &r = scanRequest();
    const int dpi = resolutions.dpiAt(source(), nIndex);
    if (dpi <= 0 || dpi == r.resolution)
        return;
    changeResolution(r, dpi);
    applySettingChange(Change::Resolution);
}

void MainWindow::currentItemChangedCmbGeneralPaperSize(int nIndex)
{
    qDebug() << "MainWindow::currentItemChangedCmbGeneralPaperSize" << nIndex;
    ScanRequest &r = scanRequest();
    const int id = ui->comboBoxGeneralPaperSize->itemData(nIndex).toInt();
    if (nIndex < 0 || id == r.paperSizeId)
        return;
    if (id == UserDefinedPaperSize) {
        // Names the current area; nothing else changes.
        moveToCustom();
        r.paperSizeId = id;
        configurations.storeRecordInActive(source(), r);
        selectActiveRow();
        updateConfigButtonState();
        return;
    }
    if (!applyPaperSize(r, paperSizes, id))
        return;
    applySettingChange(Change::PaperSize);
}

void MainWindow::currentItemChangedCmbGeneralUnit(int nIndex)
{
    qDebug() << "MainWindow::currentItemChangedCmbGeneralUnit" << nIndex;
    ScanRequest &r = scanRequest();
    if (nIndex < 0 || nIndex > 2 || nIndex == r.unit)
        return;
    r.unit = nIndex;
    applySettingChange(Change::Unit);
}

void MainWindow::clickedChkGeneralDuplex()
{
    qDebug() << "MainWindow::clickedChkGeneralDuplex";
    ScanRequest &r = scanRequest();
    r.duplex = ui->checkBoxGeneralDuplex->isChecked();
    ui->comboBoxGeneralDuplex->setEnabled(r.duplex);
    configurations.storeRecordInActive(source(), r);
}

void MainWindow::currentItemChangedCmbGeneralDuplex(int nIndex)
{
    qDebug() << "MainWindow::currentItemChangedCmbGeneralDuplex" << nIndex;
    if (nIndex < 0)
        return;
    ScanRequest &r = scanRequest();
    r.duplexOrder = nIndex;
    configurations.storeRecordInActive(source(), r);
}
