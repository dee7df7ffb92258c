// The main window on its own: its slot table, start state, settings file
// corrections, setting changes, the crop from the preview and Close.
#include "modaldriver.h"
#include "testsupport.h"
#include "windowtest.h"
#include "scan/simdevice.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "scan/devicelists.h"
#include "scan/scanrequest.h"
#include "ui/mainwindow.h"
#include "ui/preview.h"
#include "ui/scansettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaMethod>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QtTest>

#include <memory>

namespace {
template <size_t N>
QString text(const char16_t (&field)[N])
{
    return fromWideBuffer(field, int(sizeof field));
}

QString documents()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    SimDevice sim;

    QVariant stored(const QString &key) const { return QSettings(settingsFile(), QSettings::IniFormat).value(key); }

private slots:
    void init()
    {
        QFile::remove(settingsFile());
        QFile::remove(configFile().previewBitmap());
        deviceLists().setDevice(0, 0, 0, QString(), QString());
    }

    void slotTableOrder()
    {
        const QStringList expected = {
            "clickedBtnExit()", "clickedBtnScan()", "clickedBtnPreview()", "clickedBtnAbout()",
            "clickedBtnClearPreview()", "clickedBtnUnit()", "previewUpdate(QRect,int)",
            "currentChangedTabWidgetSetting(int)", "clickedBtnGeneralDevices()",
            "currentIndexChangedCmbPaperSource(int)", "currentRowChangedListGeneraUserConfig(int)",
            "clickedBtnGeneralSaveAs()", "clickedBtnGeneralDelete()", "currentItemChangedCmbGeneralScanMode(int)",
            "currentItemChangedCmbGeneralResolution(int)", "currentItemChangedCmbGeneralPaperSize(int)",
            "currentItemChangedCmbGeneralUnit(int)", "clickedChkGeneralDuplex()",
            "currentItemChangedCmbGeneralDuplex(int)", "clickedBtnManagerBrowse()",
            "currentItemChangedCmbManagerImageFormat(int)", "eventFilter(QObject*,QEvent*)", "wakeUpDialog(int,int)",
            "scanningDialog(int,int)", "postErrorCode(int)", "finishedPage(QString,QString,int,bool)",
            "finishedUploadFiles()", "finishedScanningThread()", "cancelScanningJob()", "finishedPreview()",
            "currentItemChangedCloudService(int)", "clickedBtnCloudLogin()", "clickedBtnCloudLogout()",
            "clickedBtnCloudBrowse()", "clickedChkCloudStoredToLocal()", "clickedBtnCloudLocalBrowse()",
            "currentItemChangedCmbCloudImageFormat(int)",
        };
        const QMetaObject &mo = MainWindow::staticMetaObject;
        QStringList found;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
            const QMetaMethod m = mo.method(i);
            QCOMPARE(m.methodType(), QMetaMethod::Slot);
            QCOMPARE(m.access(), QMetaMethod::Protected);
            found << QString::fromLatin1(m.methodSignature());
        }
        QCOMPARE(found, expected);
    }

    void freshSettingsFileStartState()
    {
        QDir().rmdir(documents()); // a new account without one
        auto w = openWindow();
        QVERIFY(QFileInfo(documents()).isDir());
        const ScanRequest &r = scanRequest();

        QCOMPARE(w->size(), QSize(769, 567));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w->windowTitle(), QString("Lumerith V2"));
        QCOMPARE(child<QTabWidget>(w.get(), "tabWidgetSetting")->currentIndex(), 0);

        QCOMPARE(r.paperSource, qint32(ExposureGlass));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxGeneralPaperSource")->currentData().toInt(), 1);
        // No scanner chosen yet: nothing but the glass is offered.
        QVERIFY(!child<QComboBox>(w.get(), "comboBoxGeneralPaperSource")->isEnabled());
        QCOMPARE(child<QListWidget>(w.get(), "listWidgetUserConfig")->currentItem()->text(), QString("Custom..."));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxGeneralUnit")->currentText(), QString("inches"));
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralWidth")->text(), QString("8.50"));
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralHeight")->text(), QString("11.00"));
        QVERIFY(child<QPushButton>(w.get(), "pushButtonClearPreview")->isVisible());
        QVERIFY(child<QPushButton>(w.get(), "pushButtonPreview")->isEnabled());
        QVERIFY(!child<QCheckBox>(w.get(), "checkBoxGeneralDuplex")->isVisible());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonScan")->isEnabled());

        QCOMPARE(text(r.localFolder), documents());
        QCOMPARE(text(r.cloudLocalFolder), documents());
        QCOMPARE(text(r.localFilePrefix), QString("Scan"));
        QCOMPARE(text(r.cloudFilePrefix), QString("Scan"));
        QCOMPARE(r.localImageType, qint32(ImageJPEG));
        QCOMPARE(r.cloudService, 1);
        QVERIFY(r.storeToLocal);
        QVERIFY(!r.cloudSignedIn);
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditManagerFolder")->text(), documents());
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditManagerFileName")->text(), QString("Scan"));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxManagerImageFormat")->currentText(), QString("JPEG"));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxCloudService")->currentText(), QString("GoogleDrive"));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxCloudService")->count(), 4);
        QVERIFY(child<QCheckBox>(w.get(), "checkBoxCloudStoredToLocal")->isChecked());
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditCloudLocalFolder")->text(), documents());
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditCloudFileName")->text(), QString("Scan"));
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditCloudFolder")->text(), QString("Scan"));
        QVERIFY(child<QLineEdit>(w.get(), "lineEditCloudFolder")->isReadOnly());
        QVERIFY(child<QPushButton>(w.get(), "pushButtonCloudLogin")->isEnabled());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonCloudLogout")->isEnabled());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonCloudBrowse")->isEnabled());
        QVERIFY(child<QLineEdit>(w.get(), "lineEditCloudHostURL")->isHidden());
    }

    void settingsCorrections_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("combo");
        QTest::addColumn<QString>("shown");

        QTest::newRow("ImageType 2") << "CommonConfig/ImageType" << QVariant(2) << "comboBoxManagerImageFormat" << "JPEG";
        QTest::newRow("ImageType 0") << "CommonConfig/ImageType" << QVariant(0) << "comboBoxManagerImageFormat" << "JPEG";
        QTest::newRow("ImageType 5") << "CommonConfig/ImageType" << QVariant(5) << "comboBoxManagerImageFormat" << "JPEG";
        QTest::newRow("ImageType 3") << "CommonConfig/ImageType" << QVariant(3) << "comboBoxManagerImageFormat"
                                     << "TIFF (Single Page)";
        QTest::newRow("cloud ImageType 2") << "Cloud/ImageType" << QVariant(2) << "comboBoxCloudImageFormat" << "JPEG";
        QTest::newRow("cloud ImageType 4") << "Cloud/ImageType" << QVariant(4) << "comboBoxCloudImageFormat"
                                           << "PDF (Image)";
        QTest::newRow("CloudService 7") << "Cloud/CloudService" << QVariant(7) << "comboBoxCloudService"
                                        << "GoogleDrive";
        QTest::newRow("CloudService 0") << "Cloud/CloudService" << QVariant(0) << "comboBoxCloudService"
                                        << "GoogleDrive";
        // SharePoint is not offered unless switched on: no row matches.
        QTest::newRow("CloudService 5") << "Cloud/CloudService" << QVariant(5) << "comboBoxCloudService"
                                        << "GoogleDrive";
        QTest::newRow("CloudService 4") << "Cloud/CloudService" << QVariant(4) << "comboBoxCloudService" << "Dropbox";
    }

    void settingsCorrections()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(QString, combo);
        QFETCH(QString, shown);
        writeSettings({{key, value}});
        auto w = openWindow();
        QComboBox *list = child<QComboBox>(w.get(), combo.toLatin1().constData());
        QCOMPARE(list->currentText(), shown);
        const ScanRequest &r = scanRequest();
        if (combo == "comboBoxManagerImageFormat")
            QCOMPARE(r.localImageType, list->currentData().toInt());
        else if (combo == "comboBoxCloudImageFormat")
            QCOMPARE(r.cloudImageType, list->currentData().toInt());
        else
            QCOMPARE(r.cloudService, list->currentData().toInt());
    }

    void blankFoldersAndPrefixes()
    {
        writeSettings({{"CommonConfig/ScanTo", "   "},
                       {"CommonConfig/FilePrefix", ""},
                       {"Cloud/ScanTo", ""},
                       {"Cloud/FilePrefix", "  "},
                       {"CommonConfig/PaperSource", 9}});
        auto w = openWindow();
        const ScanRequest &r = scanRequest();
        QCOMPARE(text(r.localFolder), documents());
        QCOMPARE(text(r.cloudLocalFolder), documents());
        QCOMPARE(text(r.localFilePrefix), QString("Scan"));
        QCOMPARE(text(r.cloudFilePrefix), QString("Scan"));
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditManagerFolder")->text(), documents());
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditCloudFileName")->text(), QString("Scan"));
        QCOMPARE(r.paperSource, qint32(ExposureGlass));
    }

    void storedPrefixesKeepTheTypedRule_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("taken");
        QTest::newRow("plain") << "Invoice" << "Invoice";
        QTest::newRow("50 characters") << QString(50, 'p') << QString(50, 'p');
        QTest::newRow("51 characters") << QString(51, 'p') << "Scan";
        QTest::newRow("leads out of the folder") << "../x" << "Scan";
        QTest::newRow("absolute path") << "/tmp/x" << "Scan";
        QTest::newRow("forbidden character") << "a:b" << "Scan";
    }

    void storedPrefixesKeepTheTypedRule()
    {
        QFETCH(QString, stored);
        QFETCH(QString, taken);
        writeSettings({{"CommonConfig/FilePrefix", stored}, {"Cloud/FilePrefix", stored}});
        auto w = openWindow();
        QCOMPARE(text(scanRequest().localFilePrefix), taken);
        QCOMPARE(text(scanRequest().cloudFilePrefix), taken);
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditManagerFileName")->text(), taken);
    }

    void feederAtStartOnlyWithAFeeder()
    {
        // No scanner stored: the glass, whatever the file says.
        writeSettings({{"CommonConfig/PaperSource", 2}});
        {
            auto w = openWindow();
            QCOMPARE(scanRequest().paperSource, qint32(ExposureGlass));
            QCOMPARE(child<QComboBox>(w.get(), "comboBoxGeneralPaperSource")->currentIndex(), 0);
        }

        QMap<QString, QVariant> values = simulatedPort();
        values.insert("CommonConfig/PaperSource", 2);
        values.insert("CommonConfig/Duplex", true);
        values.insert("CommonConfig/DuplexItem", 7);
        writeSettings(values);
        auto w = openWindow();
        const ScanRequest &r = scanRequest();
        QCOMPARE(r.paperSource, qint32(DocumentFeeder));
        QVERIFY(r.feederAvailable);
        QCOMPARE(w->windowTitle(), QString("Lumerith V2 - USB, SimScan 3000"));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxGeneralPaperSource")->currentIndex(), 1);
        QCheckBox *duplex = child<QCheckBox>(w.get(), "checkBoxGeneralDuplex");
        QVERIFY(duplex->isVisible());
        QVERIFY(duplex->isChecked());
        // DuplexItem above 3 reads as the first order.
        QCOMPARE(r.duplexOrder, 0);
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxGeneralDuplex")->currentIndex(), 0);
        QVERIFY(child<QComboBox>(w.get(), "comboBoxGeneralDuplex")->isEnabled());

        QVERIFY(w->close());
        QCOMPARE(stored("CommonConfig/PaperSource").toInt(), 1);
        QCOMPARE(stored("CommonConfig/DuplexItem").toInt(), 0);
    }

    void unitButtonCyclesBack()
    {
        auto w = openWindow();
        QListWidget *configs = child<QListWidget>(w.get(), "listWidgetUserConfig");
        configs->setCurrentRow(0); // "Editing Text (OCR)": 300 dpi
        QCOMPARE(scanRequest().resolution, 300);
        QCOMPARE(scanRequest().configIndex, 0);
        const ScanRequest before = scanRequest();

        QPushButton *unit = child<QPushButton>(w.get(), "pushButtonUnit");
        QComboBox *units = child<QComboBox>(w.get(), "comboBoxGeneralUnit");
        QLineEdit *width = child<QLineEdit>(w.get(), "lineEditGeneralWidth");
        const QStringList images = {"INCHU.BMP", "CMU.BMP", "PIXELU.BMP"};
        const QStringList widths = {"8.50", "21.59", "2550"};
        for (int press = 1; press <= 3; ++press) {
            QTest::mouseClick(unit, Qt::LeftButton);
            const int expected = (before.unit + press) % 3;
            QCOMPARE(scanRequest().unit, expected);
            QCOMPARE(units->currentIndex(), expected);
            QVERIFY2(unit->styleSheet().contains(images.at(expected)), qPrintable(unit->styleSheet()));
            QCOMPARE(width->text(), widths.at(expected));
            QCOMPARE(configs->currentItem()->text(), QString("Custom..."));
        }
        QCOMPARE(scanRequest().unit, before.unit);
        QCOMPARE(scanRequest().configIndex, 5);
        QCOMPARE(scanRequest().areaInches[AreaWidth], before.areaInches[AreaWidth]);
        QCOMPARE(scanRequest().resolution, 300);
        QVERIFY(child<QPushButton>(w.get(), "pushButtonGeneralSaveAs")->isEnabled());
    }

    void resolutionChangeKeepsInches()
    {
        auto w = openWindow();
        child<QListWidget>(w.get(), "listWidgetUserConfig")->setCurrentRow(1); // 200 dpi preset
        const ScanRequest before = scanRequest();
        QCOMPARE(before.resolution, 200);

        selectRow(child<QComboBox>(w.get(), "comboBoxGeneralResolution"), "600dpi");
        const ScanRequest &r = scanRequest();
        QCOMPARE(r.resolution, 600);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(r.areaInches[i], before.areaInches[i]);
            QCOMPARE(r.areaCentimetres[i], before.areaCentimetres[i]);
            QCOMPARE(r.areaPixels[i], inchesToPixels(before.areaInches[i], 600));
        }
        QCOMPARE(r.paperSizeId, before.paperSizeId);
        QCOMPARE(r.configIndex, 5);
        QCOMPARE(child<QListWidget>(w.get(), "listWidgetUserConfig")->currentRow(), 5);
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralWidth")->text(), QString("8.50"));

        // In pixels the fields follow the resolution.
        selectRow(child<QComboBox>(w.get(), "comboBoxGeneralUnit"), "pixels");
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralWidth")->text(), QString("5100"));
        selectRow(child<QComboBox>(w.get(), "comboBoxGeneralResolution"), "100dpi");
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralWidth")->text(), QString("850"));
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralHeight")->text(), QString("1100"));
    }

    void feederHidesClearAndDisablesPreview()
    {
        writeSettings(simulatedPort());
        auto w = openWindow();
        QComboBox *sources = child<QComboBox>(w.get(), "comboBoxGeneralPaperSource");
        QVERIFY(sources->isEnabled());
        const int glassWidth = w->width();

        sources->setCurrentIndex(1);
        QCOMPARE(scanRequest().paperSource, qint32(DocumentFeeder));
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonClearPreview")->isVisible());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonPreview")->isEnabled());
        QVERIFY(!child<QLineEdit>(w.get(), "lineEditGeneralWidth")->isEnabled());
        QVERIFY(!child<QLineEdit>(w.get(), "lineEditGeneralHeight")->isEnabled());
        QVERIFY(!child<Preview>(w.get(), "widgetPreview")->isInteractive());
        QVERIFY(child<QCheckBox>(w.get(), "checkBoxGeneralDuplex")->isVisible());
        QCOMPARE(child<QListWidget>(w.get(), "listWidgetUserConfig")->count(), 4);
        QCOMPARE(child<Preview>(w.get(), "widgetPreview")->size(), QSize(290, 477));
        QVERIFY(w->width() < glassWidth);
        // "Preview" does nothing in the feeder, even when called.
        QVERIFY(QMetaObject::invokeMethod(w.get(), "clickedBtnPreview"));
        QVERIFY(!w->runningJob());
        QVERIFY(child<QWidget>(w.get(), "centralWidget")->isEnabled());

        sources->setCurrentIndex(0);
        QVERIFY(child<QPushButton>(w.get(), "pushButtonClearPreview")->isVisible());
        QVERIFY(child<QPushButton>(w.get(), "pushButtonPreview")->isEnabled());
        QVERIFY(child<QLineEdit>(w.get(), "lineEditGeneralWidth")->isEnabled());
        QVERIFY(child<Preview>(w.get(), "widgetPreview")->isInteractive());
        QCOMPARE(child<Preview>(w.get(), "widgetPreview")->size(), QSize(350, 480));
        QCOMPARE(w->width(), glassWidth);
    }

    void leavingTextFields()
    {
        auto w = openWindow();
        const ScanRequest &r = scanRequest();
        QLineEdit *prefix = child<QLineEdit>(w.get(), "lineEditManagerFileName");
        QLineEdit *cloudPrefix = child<QLineEdit>(w.get(), "lineEditCloudFileName");

        prefix->setText("Invoice");
        focusOut(prefix);
        QCOMPARE(text(r.localFilePrefix), QString("Invoice"));
        prefix->clear();
        focusOut(prefix);
        QCOMPARE(prefix->text(), QString("Scan"));
        QCOMPARE(text(r.localFilePrefix), QString("Scan"));

        cloudPrefix->setText("  ");
        focusOut(cloudPrefix);
        QCOMPARE(cloudPrefix->text(), QString("Scan"));
        QCOMPARE(text(r.cloudFilePrefix), QString("Scan"));

        // Folders are taken as typed; a blank one gets the last folder back.
        QLineEdit *folder = child<QLineEdit>(w.get(), "lineEditManagerFolder");
        folder->setText("/no/such/folder");
        focusOut(folder);
        QCOMPARE(text(r.localFolder), QString("/no/such/folder"));
        folder->setText("  ");
        focusOut(folder);
        QCOMPARE(folder->text(), QString("/no/such/folder"));
        QCOMPARE(text(r.localFolder), QString("/no/such/folder"));
        QLineEdit *cloudFolder = child<QLineEdit>(w.get(), "lineEditCloudLocalFolder");
        cloudFolder->setText("/elsewhere");
        focusOut(cloudFolder);
        QCOMPARE(text(r.cloudLocalFolder), QString("/elsewhere"));
        // Without any folder before, the documents folder.
        setWideText(scanRequest().cloudLocalFolder, QString());
        cloudFolder->clear();
        focusOut(cloudFolder);
        QCOMPARE(cloudFolder->text(), documents());
        QCOMPARE(text(r.cloudLocalFolder), documents());

        // The prefix fields refuse characters that cannot be in a file name.
        QTest::keyClicks(prefix, "a/b:c");
        QVERIFY(!prefix->text().contains('/'));
        QVERIFY(!prefix->text().contains(':'));
        QCOMPARE(prefix->maxLength(), 50);
        QCOMPARE(folder->maxLength(), 256);
    }

    void settingsRoundTripThroughClose()
    {
        QTemporaryDir localDir, cloudDir;
        writeSettings(simulatedPort());
        {
            auto w = openWindow();
            // Glass: a custom resolution.
            selectRow(child<QComboBox>(w.get(), "comboBoxGeneralResolution"), "300dpi");
            // Feeder: duplex, third order.
            child<QComboBox>(w.get(), "comboBoxGeneralPaperSource")->setCurrentIndex(1);
            QTest::mouseClick(child<QCheckBox>(w.get(), "checkBoxGeneralDuplex"), Qt::LeftButton);
            child<QComboBox>(w.get(), "comboBoxGeneralDuplex")->setCurrentIndex(2);
            // Local tab, the prefix left unfocused: Close commits it.
            child<QLineEdit>(w.get(), "lineEditManagerFolder")->setText(localDir.path());
            child<QLineEdit>(w.get(), "lineEditManagerFileName")->setText("Typed");
            selectRow(child<QComboBox>(w.get(), "comboBoxManagerImageFormat"), "TIFF (Single Page)");
            // Cloud tab.
            selectRow(child<QComboBox>(w.get(), "comboBoxCloudService"), "Dropbox");
            selectRow(child<QComboBox>(w.get(), "comboBoxCloudImageFormat"), "PDF (Image)");
            QTest::mouseClick(child<QCheckBox>(w.get(), "checkBoxCloudStoredToLocal"), Qt::LeftButton);
            QVERIFY(!child<QLineEdit>(w.get(), "lineEditCloudLocalFolder")->isEnabled());
            child<QLineEdit>(w.get(), "lineEditCloudLocalFolder")->setText(cloudDir.path());
            child<QLineEdit>(w.get(), "lineEditCloudFileName")->setText("Cloudy");

            QFile bitmap(configFile().previewBitmap());
            QVERIFY(bitmap.open(QIODevice::WriteOnly));
            bitmap.close();
            QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonExit"), Qt::LeftButton);
            QVERIFY(!w->isVisible());
            QVERIFY(!QFile::exists(configFile().previewBitmap()));
        }

        QCOMPARE(stored("CommonConfig/PaperSource").toInt(), 1);
        QCOMPARE(stored("CommonConfig/Duplex").toBool(), true);
        QCOMPARE(stored("CommonConfig/DuplexItem").toInt(), 2);
        QCOMPARE(stored("CommonConfig/ScanTo").toString(), localDir.path());
        QCOMPARE(stored("CommonConfig/FilePrefix").toString(), QString("Typed"));
        QCOMPARE(stored("CommonConfig/ImageType").toInt(), 3);
        QCOMPARE(stored("Cloud/CloudService").toInt(), 4);
        QCOMPARE(stored("Cloud/ImageType").toInt(), 4);
        QCOMPARE(stored("Cloud/StoredToLocal").toBool(), false);
        QCOMPARE(stored("Cloud/ScanTo").toString(), cloudDir.path());
        QCOMPARE(stored("Cloud/FilePrefix").toString(), QString("Cloudy"));
        QCOMPARE(stored("FBConfig/ConfigCount").toInt(), 1);
        QCOMPARE(stored("ADFConfig/ConfigCount").toInt(), 1);
        QCOMPARE(stored("Port/Default").toString(), QString("simusb-0001"));
        QCOMPARE(stored("Port/ProjectID").toInt(), 3000);

        deviceLists().setDevice(0, 0, 0, QString(), QString());
        auto w = openWindow();
        const ScanRequest &r = scanRequest();
        QCOMPARE(w->windowTitle(), QString("Lumerith V2 - USB, SimScan 3000"));
        QCOMPARE(r.paperSource, qint32(ExposureGlass));
        QCOMPARE(r.resolution, 300);
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxGeneralResolution")->currentText(), QString("300dpi"));
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditManagerFolder")->text(), localDir.path());
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditManagerFileName")->text(), QString("Typed"));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxManagerImageFormat")->currentText(), QString("TIFF (Single Page)"));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxCloudService")->currentText(), QString("Dropbox"));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxCloudImageFormat")->currentText(), QString("PDF (Image)"));
        QVERIFY(!child<QCheckBox>(w.get(), "checkBoxCloudStoredToLocal")->isChecked());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonCloudLocalBrowse")->isEnabled());
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditCloudLocalFolder")->text(), cloudDir.path());
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditCloudFileName")->text(), QString("Cloudy"));
        child<QComboBox>(w.get(), "comboBoxGeneralPaperSource")->setCurrentIndex(1);
        QVERIFY(child<QCheckBox>(w.get(), "checkBoxGeneralDuplex")->isChecked());
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxGeneralDuplex")->currentIndex(), 2);
    }

    void typedSizeMessages_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: refused or taken without a box
        QTest::addColumn<bool>("taken");

        const QString range = "The value is out of the range. Please enter a value from %1 to %2 %3.";
        QTest::newRow("inch width too small") << "inches" << "lineEditGeneralWidth" << "0.1"
                                              << range.arg("0.30", "8.50", "inch") << false;
        QTest::newRow("inch height too small") << "inches" << "lineEditGeneralHeight" << "0.2"
                                               << range.arg("0.30", "11.69", "inch") << false;
        QTest::newRow("inch width too wide") << "inches" << "lineEditGeneralWidth" << "9"
                                             << range.arg("0.30", "8.50", "inch") << false;
        QTest::newRow("cm width too small") << "cm" << "lineEditGeneralWidth" << "0.5"
                                            << range.arg("0.76", "21.59", "cm") << false;
        QTest::newRow("pixel width too small") << "pixels" << "lineEditGeneralWidth" << "10"
                                               << range.arg("30", "850", "pixel") << false;
        QTest::newRow("inch width taken") << "inches" << "lineEditGeneralWidth" << "5" << QString() << true;
        QTest::newRow("cm height taken") << "cm" << "lineEditGeneralHeight" << "20" << QString() << true;
    }

    void typedSizeMessages()
    {
        QFETCH(QString, unit);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(bool, taken);

        auto w = openWindow(); // "Custom...": Letter at 100 dpi
        selectRow(child<QComboBox>(w.get(), "comboBoxGeneralUnit"), unit);
        QCOMPARE(scanRequest().paperSizeId, 4);
        const ScanRequest before = scanRequest();
        QLineEdit *edit = child<QLineEdit>(w.get(), field.toLatin1().constData());
        const QString shown = edit->text();

        ModalDriver driver;
        if (!message.isEmpty())
            driver.answerBox(QMessageBox::AcceptRole);
        edit->setText(typed);
        focusOut(edit);
        QTRY_VERIFY(driver.finished());
        QCOMPARE(driver.unexpected, 0);
        const ScanRequest &r = scanRequest();
        if (message.isEmpty()) {
            QCOMPARE(driver.seen.size(), 0);
        } else {
            QCOMPARE(driver.seen.size(), 1);
            QCOMPARE(driver.seen.at(0).title, QString("Information"));
            QCOMPARE(driver.seen.at(0).text, message);
            QCOMPARE(driver.seen.at(0).icon, QMessageBox::Warning);
        }
        const int index = field == "lineEditGeneralWidth" ? AreaWidth : AreaHeight;
        if (!taken) {
            QCOMPARE(edit->text(), shown);
            QCOMPARE(r.areaInches[index], before.areaInches[index]);
            QCOMPARE(r.areaPixels[index], before.areaPixels[index]);
            QCOMPARE(r.paperSizeId, 4);
            return;
        }
        const double inches = unit == "cm" ? typed.toDouble() / 2.54 : typed.toDouble();
        QVERIFY(qFuzzyCompare(r.areaInches[index], inches));
        QCOMPARE(r.areaPixels[index], inchesToPixels(inches, 100));
        QCOMPARE(r.paperSizeId, 13);
        QCOMPARE(r.configIndex, 5);
        QCOMPARE(child<QListWidget>(w.get(), "listWidgetUserConfig")->currentItem()->text(), QString("Custom..."));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxGeneralPaperSize")->currentData().toInt(), 13);
        const QRect crop = child<Preview>(w.get(), "widgetPreview")->cropRects().value(0);
        // The rectangle covers as many preview pixels as the area is long.
        QCOMPARE(index == AreaWidth ? crop.width() : crop.height(), inchesToPixels(inches, 41));
    }

    void typedSizeIsCommittedBeforeItIsUsed_data()
    {
        QTest::addColumn<bool>("unitButton"); // else a drag of the preview's height
        QTest::newRow("unit button") << true;
        QTest::newRow("preview drag") << false;
    }

    void typedSizeIsCommittedBeforeItIsUsed()
    {
        QFETCH(bool, unitButton);
        auto w = openWindow(); // inches
        QLineEdit *width = child<QLineEdit>(w.get(), "lineEditGeneralWidth");
        width->setText("5"); // typed, the focus still in the field
        if (unitButton)
            QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonUnit"), Qt::LeftButton);
        else
            emit child<Preview>(w.get(), "widgetPreview")->previewUpdate(QRect(0, 41, 100, 83), Preview::CropHeight);
        QCOMPARE(scanRequest().areaInches[AreaWidth], 5.0);
        QCOMPARE(width->text(), unitButton ? QString("12.70") : QString("5.00"));
        QCOMPARE(scanRequest().paperSizeId, 13);
    }

    void cropRectangleReadsBackAsTheArea_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("whole inches") << "4";
        QTest::newRow("not a whole number of preview pixels") << "4.25";
        QTest::newRow("the whole width") << "8.5";
    }

    void cropRectangleReadsBackAsTheArea()
    {
        QFETCH(QString, typed);
        auto w = openWindow();
        QLineEdit *width = child<QLineEdit>(w.get(), "lineEditGeneralWidth");
        width->setText(typed);
        focusOut(width);
        const double inches = typed.toDouble();
        QCOMPARE(scanRequest().areaInches[AreaWidth], inches);
        // Touching an edge without moving it, or moving the rectangle, keeps the size.
        Preview *preview = child<Preview>(w.get(), "widgetPreview");
        const QRect shown = preview->cropRects().value(0);
        emit preview->previewUpdate(shown, Preview::CropWidth);
        QCOMPARE(scanRequest().areaInches[AreaWidth], inches);
        QCOMPARE(width->text(), displayValue(inches, Inch));
        emit preview->previewUpdate(shown.translated(0, 41), Preview::CropMoved);
        QCOMPARE(scanRequest().areaInches[AreaWidth], inches);
        QCOMPARE(scanRequest().areaInches[AreaTop], 1.0);
    }

    void heightBeyondTheTopOffsetIsRefusedSilently()
    {
        auto w = openWindow();
        Preview *preview = child<Preview>(w.get(), "widgetPreview");
        emit preview->previewUpdate(QRect(0, 82, 41, 41), Preview::CropHeight); // top 2 in
        QCOMPARE(scanRequest().areaInches[AreaTop], 2.0);
        ModalDriver driver;
        QLineEdit *height = child<QLineEdit>(w.get(), "lineEditGeneralHeight");
        const QString shown = height->text();
        height->setText("10");
        focusOut(height);
        QTest::qWait(0);
        QCOMPARE(driver.seen.size(), 0);
        QCOMPARE(height->text(), shown);
        QCOMPARE(scanRequest().areaInches[AreaHeight], 1.0);
    }

    void cropFromThePreview()
    {
        auto w = openWindow();
        Preview *preview = child<Preview>(w.get(), "widgetPreview");
        QCOMPARE(preview->size(), QSize(350, 480));
        QCOMPARE(preview->pixelsPerInch(), 41);
        QListWidget *configs = child<QListWidget>(w.get(), "listWidgetUserConfig");
        configs->setCurrentRow(3);
        const ScanRequest &r = scanRequest();
        auto checkArea = [&](double left, double top, double width, double height) {
            const double in[4] = {left, top, width, height};
            for (int i = 0; i < 4; ++i) {
                QVERIFY2(qFuzzyCompare(r.areaInches[i], in[i]), qPrintable(QString::number(r.areaInches[i])));
                QVERIFY(qFuzzyCompare(r.areaCentimetres[i], in[i] * 2.54));
                QCOMPARE(r.areaPixels[i], inchesToPixels(in[i], r.resolution));
            }
        };

        // State 2, drawn from the bottom right: 1, 2, 4 by 5 inches.
        emit preview->previewUpdate(QRect(QPoint(204, 286), QPoint(41, 82)), Preview::CropBoth);
        checkArea(1, 2, 4, 5);
        QCOMPARE(r.paperSizeId, 13);
        QCOMPARE(r.configIndex, 5);
        QCOMPARE(configs->currentItem()->text(), QString("Custom..."));
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxGeneralPaperSize")->currentData().toInt(), 13);
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralWidth")->text(), QString("4.00"));
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralHeight")->text(), QString("5.00"));
        QCOMPARE(r.areaPixels[AreaWidth], 400);

        // State 0 one pixel narrower than the preview: the whole width.
        emit preview->previewUpdate(QRect(0, 0, 349, 10), Preview::CropWidth);
        checkArea(0, 2, 8.5, 5);
        // State 1 one pixel lower than the preview: the whole glass height.
        emit preview->previewUpdate(QRect(0, 0, 10, 479), Preview::CropHeight);
        checkArea(0, 0, 8.5, 11.693);
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralHeight")->text(), QString("11.69"));

        // State 3 moves only: size and paper size stay.
        configs->setCurrentRow(3);
        QCOMPARE(r.paperSizeId, 4);
        emit preview->previewUpdate(QRect(82, 41, 100, 100), Preview::CropMoved);
        checkArea(2, 1, 8.5, 11);
        QCOMPARE(r.paperSizeId, 4);
        QCOMPARE(configs->currentItem()->text(), QString("Custom..."));
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralWidth")->text(), QString("8.50"));

        // The change went into the "Custom..." configuration: leaving and
        // coming back to it restores it.
        configs->setCurrentRow(0);
        configs->setCurrentRow(5);
        checkArea(2, 1, 8.5, 11);
    }

    void saveAsAndDeleteThroughTheButtons()
    {
        auto w = openWindow();
        QListWidget *configs = child<QListWidget>(w.get(), "listWidgetUserConfig");
        QPushButton *saveAs = child<QPushButton>(w.get(), "pushButtonGeneralSaveAs");
        QPushButton *remove = child<QPushButton>(w.get(), "pushButtonGeneralDelete");
        selectRow(child<QComboBox>(w.get(), "comboBoxGeneralResolution"), "300dpi");
        QCOMPARE(configs->currentItem()->text(), QString("Custom..."));
        QVERIFY(saveAs->isEnabled());
        QVERIFY(!remove->isEnabled());

        ModalDriver driver;
        driver.then([](QWidget *dialog) {
            dialog->findChild<QLineEdit *>("lineEditConfigName")->setText("Receipts");
            QPushButton *save = dialog->findChild<QPushButton *>("pushButtonSave");
            QTimer::singleShot(0, save, [save] { save->click(); });
        });
        QTest::mouseClick(saveAs, Qt::LeftButton);
        QTRY_VERIFY(driver.finished());
        QCOMPARE(configs->count(), 7);
        QCOMPARE(configs->currentItem()->text(), QString("Receipts"));
        QCOMPARE(scanRequest().configIndex, 6);
        QVERIFY(remove->isEnabled());
        // Another choice, then back: the saved entry carries the resolution.
        configs->setCurrentRow(1);
        QCOMPARE(scanRequest().resolution, 200);
        configs->setCurrentRow(6);
        QCOMPARE(scanRequest().resolution, 300);
        QCOMPARE(child<QComboBox>(w.get(), "comboBoxGeneralResolution")->currentText(), QString("300dpi"));

        driver.answerBox(QMessageBox::YesRole);
        QTest::mouseClick(remove, Qt::LeftButton);
        QTRY_VERIFY(driver.finished());
        QCOMPARE(driver.unexpected, 0);
        QCOMPARE(driver.seen.last().text, QString("Are you sure you want to delete the scan configuration named \"Receipts\" ?"));
        QCOMPARE(configs->count(), 6);
        QCOMPARE(configs->currentItem()->text(), QString("Custom..."));
        QCOMPARE(scanRequest().configIndex, 5);
        QVERIFY(!remove->isEnabled());
    }

    void scanButtonFollowsTheTab()
    {
        auto w = openWindow();
        QTabWidget *tabs = child<QTabWidget>(w.get(), "tabWidgetSetting");
        QPushButton *scan = child<QPushButton>(w.get(), "pushButtonScan");
        QVERIFY(!scan->isEnabled());
        tabs->setCurrentIndex(1);
        QVERIFY(scan->isEnabled());
        tabs->setCurrentIndex(2);
        QVERIFY(!scan->isEnabled());
        tabs->setCurrentIndex(0);
        QVERIFY(!scan->isEnabled());

        scanRequest().cloudSignedIn = true;
        tabs->setCurrentIndex(2);
        QVERIFY(scan->isEnabled());
        QVERIFY(QMetaObject::invokeMethod(w.get(), "clickedBtnCloudLogout"));
        QVERIFY(!scanRequest().cloudSignedIn);
        QVERIFY(!scan->isEnabled());
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditCloudFolder")->text(), QString("Scan"));
        QVERIFY(child<QPushButton>(w.get(), "pushButtonCloudLogin")->isEnabled());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
