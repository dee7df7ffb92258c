#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/configfile.h"
#include "app/errormessage.h"
#include "app/globals.h"
#include "ptessark.h"
#include "scan/devicelists.h"
#include "scan/pagefile.h"
#include "scan/scanningthread.h"
#include "ui/aboutdialog.h"
#include "ui/hruler.h"
#include "ui/preview.h"
#include "ui/previewlayout.h"
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


namespace {
// The default folder of both tabs. A new account may not have it yet, and a
// default that does not exist would fail the first scan: make it.
QString documentsFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QDir().mkpath(folder);
    return folder;
}

int correctedImageType(int type)
{
    if (type < 1 || type > 4 || type == 2)
        return ImageJPEG;
    return type;
}

// A stored prefix keeps to the rule of typed ones ("../x" would lead out of
// the chosen folder); a blank or broken one is the default.
QString storedPrefix(const QString &prefix)
{
    return prefix.trimmed().isEmpty() || !isValidFilePrefix(prefix) ? QStringLiteral("Scan") : prefix;
}

void fillFormatList(QComboBox *combo, int current)
{
    fillComboRows(combo, {{QObject::tr("JPEG"), int(ImageJPEG)},
                          {QObject::tr("TIFF (Single Page)"), int(ImageTIFF)},
                          {QObject::tr("PDF (Image)"), int(ImagePDF)}});
    const int row = combo->findData(current);
    combo->setCurrentIndex(row >= 0 ? row : 0);
}
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
    QString folder = iniText(s, "CommonConfig/ScanTo");
    setWideText(r.localFolder, folder.trimmed().isEmpty() ? documentsFolder() : folder);
    setWideText(r.localFilePrefix, storedPrefix(iniText(s, "CommonConfig/FilePrefix")));
    r.localImageType = correctedImageType(s.value("CommonConfig/ImageType", 1).toInt());

    const int service = s.value("Cloud/CloudService", 1).toInt();
    r.cloudService = service <= 0 || service > 5 ? 1 : service;
    const QString host = iniText(s, "Cloud/HostURL");
    if (!host.trimmed().isEmpty())
        setWideText(r.hostUrl, host);
    folder = iniText(s, "Cloud/ScanTo");
    setWideText(r.cloudLocalFolder, folder.trimmed().isEmpty() ? documentsFolder() : folder);
    setWideText(r.cloudFilePrefix, storedPrefix(iniText(s, "Cloud/FilePrefix")));
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
    s.setValue("CommonConfig/ScanTo", wideText(r.localFolder));
    s.setValue("CommonConfig/FilePrefix", wideText(r.localFilePrefix));
    s.setValue("CommonConfig/ImageType", r.localImageType);
    s.setValue("Cloud/CloudService", r.cloudService);
    s.setValue("Cloud/ScanTo", wideText(r.cloudLocalFolder));
    s.setValue("Cloud/FilePrefix", wideText(r.cloudFilePrefix));
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
    ui->lineEditManagerFolder->setText(wideText(r.localFolder));
    ui->lineEditManagerFileName->setMaxLength(kMaxFilePrefixLength);
    ui->lineEditManagerFileName->setText(wideText(r.localFilePrefix));
    const QRegularExpression prefixRule(filePrefixPattern());
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
    commitTypedSizes();
    ui->comboBoxGeneralUnit->setCurrentIndex((scanRequest().unit + 1) % 3);
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
            commitFolderField(ui->lineEditManagerFolder, r.localFolder, int(sizeof r.localFolder));
        } else if (watched == ui->lineEditCloudLocalFolder) {
            commitFolderField(ui->lineEditCloudLocalFolder, r.cloudLocalFolder, int(sizeof r.cloudLocalFolder));
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
    // A blank folder would make every scan fail until a restart: the field
    // gets the last folder back (the documents folder if there is none).
    if (edit->text().trimmed().isEmpty()) {
        QString last = fromWideBuffer(field, bytes);
        if (last.trimmed().isEmpty()) {
            last = documentsFolder();
            copyToWideBuffer(last, field, bytes);
        }
        edit->setText(last);
    } else if (edit->text() != fromWideBuffer(field, bytes)) {
        copyToWideBuffer(edit->text(), field, bytes);
    }
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
