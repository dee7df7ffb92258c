#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/configfile.h"
#include "app/errormessage.h"
#include "app/globals.h"
#include "ptessark.h"
#include "scan/devicelists.h"
#include "scan/scanningthread.h"
#include "scan/selectdevicedialog.h"
#include "ui/aboutdialog.h"
#include "ui/hruler.h"
#include "ui/preview.h"
#include "ui/previewlayout.h"
#include "ui/scanarea.h"
#include "ui/scanconfigflows.h"
#include "ui/scansettings.h"
#include "ui/sizefields.h"
#include "ui/vruler.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpressionValidator>
#include <QStandardPaths>

#include <cmath>

namespace {
template <size_t N>
QString text(const char16_t (&field)[N])
{
    return fromWideBuffer(field, int(sizeof field));
}

template <size_t N>
void setText(char16_t (&field)[N], const QString &value)
{
    copyToWideBuffer(value, field, int(sizeof field));
}

QString documentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

int correctedImageType(int type)
{
    if (type < 1 || type > 4 || type == 2)
        return ImageJPEG;
    return type;
}

void fillFormatList(QComboBox *combo, int current)
{
    fillComboRows(combo, {{QObject::tr("JPEG"), int(ImageJPEG)},
                          {QObject::tr("TIFF (Single Page)"), int(ImageTIFF)},
                          {QObject::tr("PDF (Image)"), int(ImagePDF)}});
    const int row = combo->findData(current);
    combo->setCurrentIndex(row >= 0 ? row : 0);
}

const char *const kUnitStyles[] = {
    "QPushButton#pushButtonUnit{border-image:url(:/ui/images/INCHU.BMP)}",
    "QPushButton#pushButtonUnit{border-image:url(:/ui/images/CMU.BMP)}",
    "QPushButton#pushButtonUnit{border-image:url(:/ui/images/PIXELU.BMP)}",
};
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    initModuleResources();
    // 1. Form, icon, flags, the form's size.
    ui->setupUi(this);
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addFile(QString(":/ui/images/icon_%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    setWindowFlags((windowFlags() & ~Qt::WindowMaximizeButtonHint) | Qt::CustomizeWindowHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    formSize = size();
    appTitle = tr("Lumerith V2");

    // 2. The engine learns the device of module load; each job names its port again.
    {
        const DeviceRecord device = deviceLists().currentDevice();
        tessark().setPortName(device.projectId, device.portNameText());
    }

    // 3. Settings and port.
    loadSettings();
    deviceLists().loadPortSettings();

    // 4. Texts and lists.
    setTexts();
    fillGeneralTab();
    fillLocalTab();
    fillCloudTab();

    // 5, 6. Signals and focus-out watching.
    connectSignals();
    for (QLineEdit *edit : {ui->lineEditGeneralWidth, ui->lineEditGeneralHeight, ui->lineEditManagerFolder,
                            ui->lineEditManagerFileName, ui->lineEditCloudLocalFolder, ui->lineEditCloudFileName})
        edit->installEventFilter(this);

    ScanRequest &record = scanRequest();
    // 7, 8. What the machine offers.
    queryMachine(record);
    if (record.paperSource == DocumentFeeder && !record.feederAvailable)
        record.paperSource = ExposureGlass;

    // 9. Title and preview.
    updateWindowTitle();
    ui->widgetPreview->setMaxCropRects(1);
    layoutPreview();
    ui->widgetPreview->clearImage();

    // 10. The active configuration of the source.
    configurations.applyActiveTo(source(), record);
    queryMachine(record);
    updateWindowTitle();
    if (!record.feederAvailable && !record.duplexAvailable)
        record.paperSource = ExposureGlass;
    disconnectSignals();
    paperSizes.fillComboBox(ui->comboBoxGeneralPaperSize, source());
    fullRefresh();
    connectSignals();

    // 11. Unit display.
    showUnit();

    // 12. Cloud controls; scanning starts from a destination tab.
    ui->comboBoxCloudService->setEnabled(true);
    ui->pushButtonCloudLogin->setEnabled(true);
    ui->pushButtonCloudLogout->setEnabled(false);
    ui->pushButtonCloudBrowse->setEnabled(false);
    ui->pushButtonScan->setEnabled(false);
    applyScanButtonRule();
}

MainWindow::~MainWindow()
{
    if (scanningThread) {
        // Only reached when the window goes away without a close (tests, shutdown).
        scanningThread->cancel();
        tessark().cancelJob();
        scanningThread->wait();
        delete scanningThread;
    }
    delete ui;
}

int MainWindow::source() const
{
    return scanRequest().paperSource == DocumentFeeder ? DocumentFeeder : ExposureGlass;
}

void MainWindow::loadSettings()
{
    ScanRequest &r = scanRequest();
    UserSettings s(configFile().uiConfigFile());

    int paperSource = s.value("CommonConfig/PaperSource", 1).toInt();
    r.paperSource = paperSource == 1 || paperSource == 2 ? paperSource : 1;
    r.duplex = s.value("CommonConfig/Duplex", false).toBool();
    const int duplexItem = s.value("CommonConfig/DuplexItem", 0).toInt();
    r.duplexOrder = duplexItem > 3 || duplexItem < 0 ? 0 : duplexItem;
    QString folder = s.value("CommonConfig/ScanTo", QString()).toString();
    setText(r.localFolder, folder.trimmed().isEmpty() ? documentsFolder() : folder);
    QString prefix = s.value("CommonConfig/FilePrefix", QString()).toString();
    setText(r.localFilePrefix, prefix.trimmed().isEmpty() ? QStringLiteral("Scan") : prefix);
    r.localImageType = correctedImageType(s.value("CommonConfig/ImageType", 1).toInt());

    const int service = s.value("Cloud/CloudService", 1).toInt();
    r.cloudService = service <= 0 || service > 5 ? 1 : service;
    const QString host = s.value("Cloud/HostURL", QString()).toString();
    if (!host.trimmed().isEmpty())
        setText(r.hostUrl, host);
    folder = s.value("Cloud/ScanTo", QString()).toString();
    setText(r.cloudLocalFolder, folder.trimmed().isEmpty() ? documentsFolder() : folder);
    prefix = s.value("Cloud/FilePrefix", QString()).toString();
    setText(r.cloudFilePrefix, prefix.trimmed().isEmpty() ? QStringLiteral("Scan") : prefix);
    r.cloudImageType = correctedImageType(s.value("Cloud/ImageType", 1).toInt());
    r.storeToLocal = s.value("Cloud/StoredToLocal", true).toBool();
    r.cloudSignedIn = false;
}

void MainWindow::saveSettings() const
{
    const ScanRequest &r = scanRequest();
    UserSettings s(configFile().uiConfigFile());
    // Every start begins on the exposure glass.
    s.setValue("CommonConfig/PaperSource", 1);
    s.setValue("CommonConfig/Duplex", r.duplex);
    s.setValue("CommonConfig/DuplexItem", r.duplexOrder);
    s.setValue("CommonConfig/ScanTo", text(r.localFolder));
    s.setValue("CommonConfig/FilePrefix", text(r.localFilePrefix));
    s.setValue("CommonConfig/ImageType", r.localImageType);
    s.setValue("Cloud/CloudService", r.cloudService);
    s.setValue("Cloud/ScanTo", text(r.cloudLocalFolder));
    s.setValue("Cloud/FilePrefix", text(r.cloudFilePrefix));
    s.setValue("Cloud/ImageType", r.cloudImageType);
    s.setValue("Cloud/StoredToLocal", r.storeToLocal);
}

void MainWindow::setTexts()
{
    setWindowTitle(appTitle);
    ui->groupBoxSettingFrame->setTitle(tr("Scanner Settings"));
    ui->tabWidgetSetting->setTabText(0, tr("General"));
    ui->tabWidgetSetting->setTabText(1, tr("Store to Local"));
    ui->tabWidgetSetting->setTabText(2, tr("Store to Cloud"));
    ui->groupBoxGeneralPageFrame->setTitle(tr("Scan Page For"));
    ui->labelGeneralScanner->setText(tr("Scanner:"));
    ui->pushButtonGeneralDevices->setText(tr("Select Machine"));
    ui->labelGeneralPaperSource->setText(tr("Original:"));
    ui->pushButtonGeneralSaveAs->setText(tr("Save As"));
    ui->pushButtonGeneralDelete->setText(tr("Delete"));
    ui->groupBoxGeneralConfigFrame->setTitle(tr("Scan Configuration"));
    ui->labelGeneralScanMode->setText(tr("Scn. Mode:"));
    ui->labelGeneralResolution->setText(tr("Resolution:"));
    ui->labelGeneralPaperSize->setText(tr("Size:"));
    ui->checkBoxGeneralDuplex->setText(tr("Duplex"));
    ui->groupBoxImageOption->setTitle(tr("Image Option"));
    ui->labelManagerScanTo->setText(tr("Scan To:"));
    ui->pushButtonManagerBrowse->setText(tr("Browse..."));
    ui->labelManagerFileName->setText(tr("File Name Prefix:"));
    ui->labelManagerImageFormat->setText(tr("Format:"));
    ui->groupBoxCloudOption->setTitle(tr("Cloud Option"));
    ui->labelCloudService->setText(tr("Cloud Service:"));
    ui->labelCloudHostURL->setText(tr("Host URL: (e.g. %1)").arg("https://contoso.sharepoint.example/sites/scans"));
    ui->pushButtonCloudLogin->setText(tr("Login"));
    ui->pushButtonCloudLogout->setText(tr("Logout"));
    ui->groupBoxCloudImageOption->setTitle(tr("Image Option"));
    ui->labelCloudFolder->setText(tr("Cloud Folder:"));
    ui->pushButtonCloudBrowse->setText(tr("Browse"));
    ui->checkBoxCloudStoredToLocal->setText(tr("Enable Store to Local Disk"));
    ui->pushButtonCloudLocalBrowse->setText(tr("Browse"));
    ui->labelCloudFileName->setText(tr("File Name Prefix:"));
    ui->labelCloudFormat->setText(tr("Format:"));
    ui->groupBoxPreviewFrame->setTitle(QString());
    ui->pushButtonExit->setText(tr("Exit"));
    ui->pushButtonPreview->setText(tr("Preview"));
    ui->pushButtonAbout->setText(tr("About..."));
    ui->pushButtonClearPreview->setText(tr("Clear"));
    ui->pushButtonScan->setText(tr("Scan"));
    ui->pushButtonUnit->setFocusPolicy(Qt::NoFocus);
    ui->graphicsViewGeneralWidth->setFocusPolicy(Qt::NoFocus);
    ui->graphicsViewGeneralHeight->setFocusPolicy(Qt::NoFocus);
}

void MainWindow::fillGeneralTab()
{
    fillPaperSourceComboBox(ui->comboBoxGeneralPaperSource);
    configurations.buildDefaults(isMetricLocale());
    configurations.load();
    configurations.fillList(ui->listWidgetUserConfig, ExposureGlass);
    fillScanModeComboBox(ui->comboBoxGeneralScanMode);
    resolutions.fillComboBox(ui->comboBoxGeneralResolution, DocumentFeeder);
    paperSizes.fillComboBox(ui->comboBoxGeneralPaperSize, ExposureGlass);
    fillUnitComboBox(ui->comboBoxGeneralUnit);
    fillDuplexComboBox(ui->comboBoxGeneralDuplex);
}

void MainWindow::fillLocalTab()
{
    const ScanRequest &r = scanRequest();
    fillFormatList(ui->comboBoxManagerImageFormat, r.localImageType);
    ui->lineEditManagerFolder->setMaxLength(256);
    ui->lineEditManagerFolder->setText(text(r.localFolder));
    ui->lineEditManagerFileName->setMaxLength(50);
    ui->lineEditManagerFileName->setText(text(r.localFilePrefix));
    const QRegularExpression prefixRule(QStringLiteral("[^\\\\/:*?\"<>|]+"));
    ui->lineEditManagerFileName->setValidator(new QRegularExpressionValidator(prefixRule, ui->lineEditManagerFileName));
    ui->lineEditCloudFileName->setValidator(new QRegularExpressionValidator(prefixRule, ui->lineEditCloudFileName));
}

void MainWindow::connectSignals()
{
    connect(ui->pushButtonExit, &QPushButton::clicked, this, &MainWindow::clickedBtnExit, Qt::UniqueConnection);
    connect(ui->pushButtonScan, &QPushButton::clicked, this, &MainWindow::clickedBtnScan, Qt::UniqueConnection);
    connect(ui->pushButtonPreview, &QPushButton::clicked, this, &MainWindow::clickedBtnPreview, Qt::UniqueConnection);
    connect(ui->pushButtonAbout, &QPushButton::clicked, this, &MainWindow::clickedBtnAbout, Qt::UniqueConnection);
    connect(ui->pushButtonClearPreview, &QPushButton::clicked, this, &MainWindow::clickedBtnClearPreview,
            Qt::UniqueConnection);
    connect(ui->pushButtonUnit, &QPushButton::clicked, this, &MainWindow::clickedBtnUnit, Qt::UniqueConnection);
    connect(ui->widgetPreview, &Preview::previewUpdate, this, &MainWindow::previewUpdate, Qt::UniqueConnection);
    connect(ui->tabWidgetSetting, &QTabWidget::currentChanged, this, &MainWindow::currentChangedTabWidgetSetting,
            Qt::UniqueConnection);
    connect(ui->pushButtonGeneralDevices, &QPushButton::clicked, this, &MainWindow::clickedBtnGeneralDevices,
            Qt::UniqueConnection);
    connect(ui->comboBoxGeneralPaperSource, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::currentIndexChangedCmbPaperSource, Qt::UniqueConnection);
    connect(ui->listWidgetUserConfig, &QListWidget::currentRowChanged, this,
            &MainWindow::currentRowChangedListGeneraUserConfig, Qt::UniqueConnection);
    connect(ui->pushButtonGeneralSaveAs, &QPushButton::clicked, this, &MainWindow::clickedBtnGeneralSaveAs,
            Qt::UniqueConnection);
    connect(ui->pushButtonGeneralDelete, &QPushButton::clicked, this, &MainWindow::clickedBtnGeneralDelete,
            Qt::UniqueConnection);
    connect(ui->comboBoxGeneralScanMode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::currentItemChangedCmbGeneralScanMode, Qt::UniqueConnection);
    connect(ui->comboBoxGeneralResolution, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::currentItemChangedCmbGeneralResolution, Qt::UniqueConnection);
    connect(ui->comboBoxGeneralPaperSize, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::currentItemChangedCmbGeneralPaperSize, Qt::UniqueConnection);
    connect(ui->comboBoxGeneralUnit, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::currentItemChangedCmbGeneralUnit, Qt::UniqueConnection);
    connect(ui->checkBoxGeneralDuplex, &QCheckBox::clicked, this, &MainWindow::clickedChkGeneralDuplex,
            Qt::UniqueConnection);
    connect(ui->comboBoxGeneralDuplex, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::currentItemChangedCmbGeneralDuplex, Qt::UniqueConnection);
    connect(ui->pushButtonManagerBrowse, &QPushButton::clicked, this, &MainWindow::clickedBtnManagerBrowse,
            Qt::UniqueConnection);
    connect(ui->comboBoxManagerImageFormat, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::currentItemChangedCmbManagerImageFormat, Qt::UniqueConnection);
    connect(&hub, &PMessage::wakeUpDialog, this, &MainWindow::wakeUpDialog, Qt::UniqueConnection);
    connect(&hub, &PMessage::scanningDialog, this, &MainWindow::scanningDialog, Qt::UniqueConnection);
    connect(&hub, &PMessage::postErrorCode, this, &MainWindow::postErrorCode, Qt::UniqueConnection);
    connect(&hub, &PMessage::finishedPage, this, &MainWindow::finishedPage, Qt::UniqueConnection);
    connect(&hub, &PMessage::finishedUploadFiles, this, &MainWindow::finishedUploadFiles,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    connect(&hub, &PMessage::cancelScanningJob, this, &MainWindow::cancelScanningJob,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    connect(ui->comboBoxCloudService, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::currentItemChangedCloudService, Qt::UniqueConnection);
    connect(ui->pushButtonCloudLogin, &QPushButton::clicked, this, &MainWindow::clickedBtnCloudLogin,
            Qt::UniqueConnection);
    connect(ui->pushButtonCloudLogout, &QPushButton::clicked, this, &MainWindow::clickedBtnCloudLogout,
            Qt::UniqueConnection);
    connect(ui->pushButtonCloudBrowse, &QPushButton::clicked, this, &MainWindow::clickedBtnCloudBrowse,
            Qt::UniqueConnection);
    connect(ui->checkBoxCloudStoredToLocal, &QCheckBox::clicked, this, &MainWindow::clickedChkCloudStoredToLocal,
            Qt::UniqueConnection);
    connect(ui->pushButtonCloudLocalBrowse, &QPushButton::clicked, this, &MainWindow::clickedBtnCloudLocalBrowse,
            Qt::UniqueConnection);
    connect(ui->comboBoxCloudImageFormat, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::currentItemChangedCmbCloudImageFormat, Qt::UniqueConnection);
}

void MainWindow::disconnectSignals()
{
    for (QObject *sender : std::initializer_list<QObject *>{
             ui->pushButtonExit, ui->pushButtonScan, ui->pushButtonPreview, ui->pushButtonAbout,
             ui->pushButtonClearPreview, ui->pushButtonUnit, ui->widgetPreview, ui->tabWidgetSetting,
             ui->pushButtonGeneralDevices, ui->comboBoxGeneralPaperSource, ui->listWidgetUserConfig,
             ui->pushButtonGeneralSaveAs, ui->pushButtonGeneralDelete, ui->comboBoxGeneralScanMode,
             ui->comboBoxGeneralResolution, ui->comboBoxGeneralPaperSize, ui->comboBoxGeneralUnit,
             ui->checkBoxGeneralDuplex, ui->comboBoxGeneralDuplex, ui->pushButtonManagerBrowse,
             ui->comboBoxManagerImageFormat, &hub, ui->comboBoxCloudService, ui->pushButtonCloudLogin,
             ui->pushButtonCloudLogout, ui->pushButtonCloudBrowse, ui->checkBoxCloudStoredToLocal,
             ui->pushButtonCloudLocalBrowse, ui->comboBoxCloudImageFormat})
        disconnect(sender, nullptr, this, nullptr);
}

void MainWindow::updateWindowTitle()
{
    const DeviceRecord device = deviceLists().currentDevice();
    const QString alias = device.aliasText();
    const QString model = device.modelText();
    if (alias.isEmpty() && model.isEmpty())
        setWindowTitle(appTitle);
    else
        setWindowTitle(appTitle + " - " + alias + ", " + model);
}

void MainWindow::layoutPreview()
{
    setFixedSize(formSize);
    previewPixelsPerInch = layoutPreviewArea(ui->groupBoxPreviewFrame, ui->pushButtonUnit, ui->widgetPreview,
                                             ui->widgetHRuler, ui->widgetVRuler, fullScanHeight(source()));
    if (source() == DocumentFeeder) {
        const int right = ui->groupBoxPreviewFrame->geometry().right();
        setFixedWidth(right + ui->groupBoxSettingFrame->geometry().left());
    }
}

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

// Slots --------------------------------------------------------------------

void MainWindow::clickedBtnExit()
{
    qDebug() << "MainWindow::clickedBtnExit";
    close();
}

void MainWindow::clickedBtnAbout()
{
    qDebug() << "MainWindow::clickedBtnAbout";
    AboutDialog about(this);
    about.exec();
}

void MainWindow::clickedBtnClearPreview()
{
    qDebug() << "MainWindow::clickedBtnClearPreview";
    QFile::remove(configFile().previewBitmap());
    ui->widgetPreview->clearImage();
    ui->widgetPreview->update();
}

void MainWindow::clickedBtnUnit()
{
    qDebug() << "MainWindow::clickedBtnUnit";
    ui->comboBoxGeneralUnit->setCurrentIndex((scanRequest().unit + 1) % 3);
}

void MainWindow::previewUpdate(QRect rectCrop, int nCropState)
{
    qDebug() << "MainWindow::previewUpdate";
    ScanRequest &r = scanRequest();
    const QRect rect = rectCrop.normalized();
    const double s = previewPixelsPerInch;
    if (s <= 0)
        return;
    auto setSpan = [&](int offsetIndex, int lengthIndex, int offsetPx, int lengthPx, int widgetLength, double full) {
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

void MainWindow::currentChangedTabWidgetSetting(int nIndex)
{
    qDebug() << "MainWindow::currentChangedTabWidgetSetting" << nIndex;
    applyScanButtonRule();
}

void MainWindow::applyScanButtonRule()
{
    switch (ui->tabWidgetSetting->currentIndex()) {
    case 1:
        ui->pushButtonScan->setEnabled(true);
        break;
    case 2:
        ui->pushButtonScan->setEnabled(scanRequest().cloudSignedIn);
        break;
    default:
        ui->pushButtonScan->setEnabled(false);
        break;
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

void MainWindow::clickedBtnManagerBrowse()
{
    qDebug() << "MainWindow::clickedBtnManagerBrowse";
    ScanRequest &r = scanRequest();
    chooseFolder(ui->lineEditManagerFolder, r.localFolder, int(sizeof r.localFolder));
}

void MainWindow::currentItemChangedCmbManagerImageFormat(int nIndex)
{
    qDebug() << "MainWindow::currentItemChangedCmbManagerImageFormat" << nIndex;
    if (nIndex >= 0)
        scanRequest().localImageType = ui->comboBoxManagerImageFormat->itemData(nIndex).toInt();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        ScanRequest &r = scanRequest();
        if (watched == ui->lineEditGeneralWidth || watched == ui->lineEditGeneralHeight) {
            const SizeField field = watched == ui->lineEditGeneralWidth ? SizeField::Width : SizeField::Height;
            auto *edit = static_cast<QLineEdit *>(watched);
            if (commitSizeField(this, edit, r, field, tr("Information")) == TypedSizeResult::Stored)
                applySettingChange(Change::TypedSize);
        } else if (watched == ui->lineEditManagerFolder) {
            setText(r.localFolder, ui->lineEditManagerFolder->text());
        } else if (watched == ui->lineEditCloudLocalFolder) {
            setText(r.cloudLocalFolder, ui->lineEditCloudLocalFolder->text());
        } else if (watched == ui->lineEditManagerFileName) {
            commitPrefixField(ui->lineEditManagerFileName, r.localFilePrefix, int(sizeof r.localFilePrefix));
        } else if (watched == ui->lineEditCloudFileName) {
            commitPrefixField(ui->lineEditCloudFileName, r.cloudFilePrefix, int(sizeof r.cloudFilePrefix));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::commitFolderField(QLineEdit *edit, char16_t *field, int bytes)
{
    if (edit->text().trimmed().isEmpty())
        edit->setText(fromWideBuffer(field, bytes));
    else if (edit->text() != fromWideBuffer(field, bytes))
        copyToWideBuffer(edit->text(), field, bytes);
}

void MainWindow::commitPrefixField(QLineEdit *edit, char16_t *field, int bytes)
{
    if (edit->text().trimmed().isEmpty())
        edit->setText(QStringLiteral("Scan"));
    if (edit->text() != fromWideBuffer(field, bytes))
        copyToWideBuffer(edit->text(), field, bytes);
}

void MainWindow::commitTextFields()
{
    ScanRequest &r = scanRequest();
    commitFolderField(ui->lineEditManagerFolder, r.localFolder, int(sizeof r.localFolder));
    commitFolderField(ui->lineEditCloudLocalFolder, r.cloudLocalFolder, int(sizeof r.cloudLocalFolder));
    commitPrefixField(ui->lineEditManagerFileName, r.localFilePrefix, int(sizeof r.localFilePrefix));
    commitPrefixField(ui->lineEditCloudFileName, r.cloudFilePrefix, int(sizeof r.cloudFilePrefix));
}

bool MainWindow::chooseFolder(QLineEdit *edit, char16_t *field, int bytes)
{
    QString start = fromWideBuffer(field, bytes);
    if (!QFileInfo(start).isDir())
        start = documentsFolder();
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("Select a Folder"), start, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (chosen.isEmpty() || !QFileInfo::exists(chosen))
        return false;
    edit->setText(chosen);
    copyToWideBuffer(chosen, field, bytes);
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    qDebug() << "MainWindow::closeEvent";
    if (scanningThread || uploadDialog) {
        event->ignore();
        if (closeRequested)
            return;
        const int answer = askQuestion(this, tr("Information"),
                                       tr("The current operation is not completed. Are you sure you want to cancel "
                                          "the current task?"),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
        closeRequested = true;
        // The work may have ended while the question was open; then nothing
        // is left to close the window later.
        if (scanningThread || uploadDialog) {
            emit hub.cancelScanningJob();
            return;
        }
    }
    commitTextFields();
    saveSettings();
    configurations.save();
    deviceLists().savePortSettings();
    QFile::remove(configFile().previewBitmap());
    event->accept();
}
