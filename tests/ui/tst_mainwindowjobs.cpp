// The real main window driven as a user drives it, against the simulated
// scanner: choosing it, previewing, cropping with the mouse, scanning to a
// folder, the progress and wake-up dialogs, error boxes and closing mid-job.
#include "modaldriver.h"
#include "testsupport.h"
#include "windowtest.h"
#include "scan/simdevice.h"

#include "app/configfile.h"
#include "app/globals.h"
#include "scan/devicelists.h"
#include "scan/pagefile.h"
#include "scan/pmessage.h"
#include "scan/progressdialog.h"
#include "scan/scanrequest.h"
#include "scan/wakeupdialog.h"
#include "ui/mainwindow.h"
#include "ui/preview.h"
#include "ui/scansettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include <cstring>
#include <memory>

namespace {
void drag(QWidget *w, QPoint from, QPoint to)
{
    mouse(w, QEvent::MouseButtonPress, from);
    for (int step = 1; step <= 4; ++step)
        mouse(w, QEvent::MouseMove, from + (to - from) * step / 4);
    mouse(w, QEvent::MouseButtonRelease, to);
}

// What the driver met, for failure messages.
QByteArray describe(const ModalDriver &driver)
{
    QStringList parts;
    for (const ModalDriver::Seen &s : driver.seen)
        parts << s.className + ": " + s.text;
    return parts.join(" | ").toUtf8();
}

QString pdfInfo(const QString &path, const QString &key)
{
    QProcess p;
    p.start("pdfinfo", {path});
    if (!p.waitForFinished(30000))
        return QString();
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith(key + ":"))
            return line.mid(key.size() + 1).trimmed();
    return QString();
}
} // namespace

namespace {
// Whether a widget was ever disabled, seen as it happens: the window deletes
// the progress dialog when the job ends, so its button cannot be looked at
// afterwards.
class DisableWatch : public QObject
{
public:
    explicit DisableWatch(QWidget *widget) { widget->installEventFilter(this); }
    bool disabled = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange && !static_cast<QWidget *>(watched)->isEnabled())
            disabled = true;
        return false;
    }
};

// The wake-up dialog runs modally inside the hub's slot, so everything
// about it is looked at from the driver's step, inside its event loop.
struct WakeUpSeen
{
    QString title;
    QString label;
    QSize size;
    int result = -1;
    int highestProgress = 0;
    bool visibleAfterAction = false;
    bool jobRunningAfterAction = false;
};

void watchWakeUp(WakeUpSeen &seen, QWidget *d, const std::function<void(QDialog *)> &action = nullptr)
{
    auto *dialog = qobject_cast<WakeUpDialog *>(d);
    if (!dialog)
        return;
    seen.title = dialog->windowTitle();
    seen.label = child<QLabel>(dialog, "labelWarmingUpInfo")->text();
    seen.size = dialog->size();
    QObject::connect(dialog, &QDialog::finished, dialog, [&seen](int result) { seen.result = result; });
    QObject::connect(child<QProgressBar>(dialog, "progressBarWakeUp"), &QProgressBar::valueChanged, dialog,
            [&seen](int value) { seen.highestProgress = qMax(seen.highestProgress, value); });
    if (action) {
        action(dialog);
        seen.visibleAfterAction = dialog->isVisible();
    }
}
} // namespace

class TestMainWindowJobs : public QObject
{
    Q_OBJECT

private:
    SimDevice sim;
    std::unique_ptr<QTemporaryDir> out;

    // The simulated USB machine stored as the user's scanner, with these
    // engine keys, and the window.
    std::unique_ptr<MainWindow> openWithScanner(const QMap<QString, QString> &engineKeys = {{"PageTime", "5"}})
    {
        writeSettings(simulatedPort());
        sim.configure(engineKeys);
        return openWindow();
    }

    QStringList files() const { return QDir(out->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    // Local tab: folder, format, then Scan.
    void scanTo(MainWindow *w, const QString &format)
    {
        QLineEdit *folder = child<QLineEdit>(w, "lineEditManagerFolder");
        folder->setText(out->path());
        focusOut(folder);
        selectRow(child<QComboBox>(w, "comboBoxManagerImageFormat"), format);
        child<QTabWidget>(w, "tabWidgetSetting")->setCurrentIndex(1);
        QTest::mouseClick(child<QPushButton>(w, "pushButtonScan"), Qt::LeftButton);
    }

    static bool idle(MainWindow *w)
    {
        return !w->runningJob() && child<QWidget>(w, "centralWidget")->isEnabled();
    }

    static ProgressDialog *progress(MainWindow *w)
    {
        ProgressDialog *d = w->findChild<ProgressDialog *>();
        return d && d->isVisible() ? d : nullptr;
    }

    void useFeeder(MainWindow *w, bool duplex)
    {
        child<QComboBox>(w, "comboBoxGeneralPaperSource")->setCurrentIndex(1);
        QCheckBox *check = child<QCheckBox>(w, "checkBoxGeneralDuplex");
        if (check->isChecked() != duplex)
            QTest::mouseClick(check, Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        qInstallMessageHandler(captureLog);
        qRegisterMetaType<QRect>();
    }

    void init()
    {
        out = std::make_unique<QTemporaryDir>();
        QFile::remove(settingsFile());
        QFile::remove(configFile().previewBitmap());
        QFile::remove(configFile().pdfFileName());
        deviceLists().setDevice(0, 0, 0, QString(), QString());
        setFreeSpaceQuery(nullptr);
        sim.configure({{"PageTime", "5"}});
        QMutexLocker lock(&g_logMutex);
        g_log.clear();
    }

    void chooseTheSimulatedScanner()
    {
        auto w = openWindow();
        QCOMPARE(w->windowTitle(), QString("Lumerith V2"));
        QVERIFY(!child<QComboBox>(w.get(), "comboBoxGeneralPaperSource")->isEnabled());

        ModalDriver driver;
        QStringList offered;
        driver.then([&](QWidget *dialog) {
            QComboBox *devices = child<QComboBox>(dialog, "comboBoxDevice");
            for (int i = 0; i < devices->count(); ++i)
                offered << devices->itemText(i);
            devices->setCurrentIndex(0);
            QPushButton *ok = child<QPushButton>(dialog, "pushButtonOK");
            QTimer::singleShot(0, ok, [ok] { ok->click(); });
        });
        QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonGeneralDevices"), Qt::LeftButton);
        QTRY_VERIFY(driver.finished());
        QCOMPARE(driver.unexpected, 0);
        QCOMPARE(driver.seen.value(0).title, QString("Scanner Driver Selection"));
        QCOMPARE(offered, QStringList({"USB, SimScan 3000", "Connect Scanner"}));

        QCOMPARE(deviceLists().currentDevice().portNameText(), QString("simusb-0001"));
        QCOMPARE(w->windowTitle(), QString("Lumerith V2 - USB, SimScan 3000"));
        QVERIFY(scanRequest().feederAvailable);
        QVERIFY(scanRequest().duplexAvailable);
        QVERIFY(child<QComboBox>(w.get(), "comboBoxGeneralPaperSource")->isEnabled());

        // The choice is a scanner the window can scan from straight away.
        scanTo(w.get(), "JPEG");
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);
        QCOMPARE(files().size(), 1);
    }

    void previewShowsTheGlass()
    {
        auto w = openWithScanner({{"PageTime", "300"}});
        Preview *preview = child<Preview>(w.get(), "widgetPreview");
        ScanRequest before;
        std::memcpy(&before, &scanRequest(), sizeof before);

        QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonPreview"), Qt::LeftButton);
        QVERIFY(w->runningJob());
        QVERIFY(!child<QWidget>(w.get(), "centralWidget")->isEnabled());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonPreview")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);
        QVERIFY(child<QPushButton>(w.get(), "pushButtonPreview")->isEnabled());
        QVERIFY(child<QPushButton>(w.get(), "pushButtonClearPreview")->isEnabled());
        QVERIFY(!child<QPushButton>(w.get(), "pushButtonScan")->isEnabled()); // still on "General"

        // The engine was asked for the widget's size at 41 dpi, in colour, on the glass.
        const QStringList asked = logLines("SimulatorBackend::setParameters");
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked.at(0).startsWith("SimulatorBackend::setParameters 0 0 350 480 41 0 1 false 0 0 "),
                 qPrintable(asked.at(0)));
        QVERIFY(QFile::exists(configFile().previewBitmap()));
        QCOMPARE(std::memcmp(&before, &scanRequest(), sizeof before), 0);

        // The test sheet: the black corner mark at 0.3-0.6 in, white paper beside it.
        const QImage shown = preview->displayImage();
        QCOMPARE(shown.size(), QSize(350, 480));
        QVERIFY(qGray(shown.pixel(18, 18)) < 60);
        QVERIFY(qGray(shown.pixel(5, 5)) > 200);
        // The colour patches at 9.0-9.8 in: red first, from 0.9 in.
        const QRgb red = shown.pixel(int(1.2 * 41), int(9.4 * 41));
        QVERIFY2(qRed(red) > 150 && qGreen(red) < 100 && qBlue(red) < 100, qPrintable(QString::number(red, 16)));

        // "Clear" forgets it.
        QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonClearPreview"), Qt::LeftButton);
        QVERIFY(!QFile::exists(configFile().previewBitmap()));
        QVERIFY(qGray(preview->displayImage().pixel(18, 18)) > 200);
    }

    void previewInGrayscaleShowsGray()
    {
        auto w = openWithScanner();
        child<QListWidget>(w.get(), "listWidgetUserConfig")->setCurrentRow(2); // Black and White Photo: gray
        QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonPreview"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);
        // The job scans in colour; the window shows it for the chosen mode.
        QVERIFY(logLines("SimulatorBackend::setParameters").value(0).contains(" 41 0 1 "));
        const QRgb red = child<Preview>(w.get(), "widgetPreview")->displayImage().pixel(int(1.2 * 41), int(9.4 * 41));
        QCOMPARE(qRed(red), qGreen(red));
        QCOMPARE(qGreen(red), qBlue(red));
    }

    void cropWithTheMouseAndScan_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("dpi");
        QTest::newRow("JPEG 200 dpi") << "JPEG" << "200dpi";
        QTest::newRow("TIFF 300 dpi") << "TIFF (Single Page)" << "300dpi";
        QTest::newRow("PDF 100 dpi") << "PDF (Image)" << "100dpi";
    }

    void cropWithTheMouseAndScan()
    {
        QFETCH(QString, format);
        QFETCH(QString, dpi);
        auto w = openWithScanner();
        Preview *preview = child<Preview>(w.get(), "widgetPreview");
        QTest::mouseClick(child<QPushButton>(w.get(), "pushButtonPreview"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);

        // A small paper size leaves room below it to draw a new rectangle.
        selectRow(child<QComboBox>(w.get(), "comboBoxGeneralPaperSize"), "4 x 6");
        selectRow(child<QComboBox>(w.get(), "comboBoxGeneralResolution"), dpi);
        const int resolution = scanRequest().resolution;
        QVERIFY(preview->cropRects().value(0).bottom() < 200);

        // From 1 in, 5 in: 3 in wide (123 px) and 4 in high (164 px) at 41 px/in.
        QSignalSpy reports(preview, &Preview::previewUpdate);
        drag(preview, QPoint(41, 205), QPoint(163, 368));
        QVERIFY(reports.size() > 0);
        QCOMPARE(preview->cropRects(), QList<QRect>({QRect(41, 205, 123, 164)}));
        const ScanRequest &r = scanRequest();
        QCOMPARE(QVector<double>(r.areaInches, r.areaInches + 4), QVector<double>({1, 5, 3, 4}));
        QCOMPARE(child<QLineEdit>(w.get(), "lineEditGeneralWidth")->text(), QString("3.00"));
        QCOMPARE(child<QListWidget>(w.get(), "listWidgetUserConfig")->currentItem()->text(), QString("Custom..."));

        scanTo(w.get(), format);
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);
        QVERIFY(child<QPushButton>(w.get(), "pushButtonScan")->isEnabled());
        const QStringList written = files();
        QCOMPARE(written.size(), 1);
        const QString path = QDir(out->path()).filePath(written.at(0));
        QVERIFY2(written.at(0).startsWith("Scan_"), qPrintable(written.at(0)));
        const QSize expected(3 * resolution, 4 * resolution);

        if (format.startsWith("PDF")) {
            QVERIFY(path.endsWith(".pdf"));
            QCOMPARE(pdfInfo(path, "Pages"), QString("1"));
            QVERIFY2(pdfInfo(path, "Page size").startsWith("216 x 288 pts"), qPrintable(pdfInfo(path, "Page size")));
            QVERIFY(!QFile::exists(configFile().pdfFileName()));
            return;
        }
        QVERIFY(path.endsWith(format == "JPEG" ? ".jpg" : ".tif"));
        QImageReader reader(path);
        QCOMPARE(reader.size(), expected);
        const QImage image = reader.read();
        QCOMPARE(image.size(), expected);
        QCOMPARE(qRound(image.dotsPerMeterX() * 0.0254), resolution);
        // Pixel (0, 0) is the glass point (1 in, 5 in): the crop is what was scanned,
        // not the top of the page. The top left corner mark is nowhere in it.
        QVERIFY(qGray(image.pixel(int(0.45 * resolution), int(0.45 * resolution))) > 150);
    }

    void feederPagesWithDuplex_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("duplex");
        QTest::addColumn<int>("fileCount");
        QTest::addColumn<int>("pdfPages");
        QTest::newRow("JPEG") << "JPEG" << false << 3 << 0;
        QTest::newRow("JPEG duplex") << "JPEG" << true << 6 << 0;
        QTest::newRow("TIFF duplex") << "TIFF (Single Page)" << true << 6 << 0;
        QTest::newRow("PDF") << "PDF (Image)" << false << 1 << 3;
        QTest::newRow("PDF duplex") << "PDF (Image)" << true << 1 << 6;
    }

    void feederPagesWithDuplex()
    {
        QFETCH(QString, format);
        QFETCH(bool, duplex);
        QFETCH(int, fileCount);
        QFETCH(int, pdfPages);
        auto w = openWithScanner({{"PageTime", "5"}, {"Sheets", "3"}});
        useFeeder(w.get(), duplex);
        QCOMPARE(scanRequest().duplex, duplex);

        // One progress dialog after another, each with its page number.
        QStringList texts;
        connect(w->messageHub(), &PMessage::scanningDialog, this, [&](int status, int) {
            if (ProgressDialog *d = status == 0 ? w->findChild<ProgressDialog *>() : nullptr)
                texts << child<QLabel>(d, "label")->text();
        });
        scanTo(w.get(), format);
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);
        const int pageCount = duplex ? 6 : 3;
        QCOMPARE(texts.size(), pageCount);
        for (int i = 0; i < pageCount; ++i)
            QCOMPARE(texts.at(i), QString("Transferring page %1, press \"Cancel\" to abort scan.").arg(i + 1));
        QVERIFY(!progress(w.get()));

        const QStringList written = files();
        QCOMPARE(written.size(), fileCount);
        // The feeder's "Custom..." area: Letter at 100 dpi.
        for (const QString &name : written) {
            const QString path = QDir(out->path()).filePath(name);
            if (pdfPages) {
                QCOMPARE(pdfInfo(path, "Pages"), QString::number(pdfPages));
                QVERIFY(pdfInfo(path, "Page size").startsWith("612 x 792 pts"));
            } else {
                QCOMPARE(QImageReader(path).size(), QSize(850, 1100));
            }
        }
    }

    void cancelTwiceFromTheProgressDialog()
    {
        auto w = openWithScanner({{"PageTime", "5000"}});
        QSignalSpy cancels(w->messageHub(), &PMessage::cancelScanningJob);
        ModalDriver driver;
        scanTo(w.get(), "JPEG");
        QTRY_VERIFY_WITH_TIMEOUT(progress(w.get()), 30000);
        QPointer<ProgressDialog> dialog = progress(w.get());
        QCOMPARE(dialog->windowTitle(), QString("Lumerith V2"));
        QCOMPARE(child<QLabel>(dialog, "label")->text(),
                 QString("Transferring page 1, press \"Cancel\" to abort scan."));
        QCOMPARE(dialog->size(), QSize(350, 140));
        QVERIFY(!(dialog->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(dialog->windowFlags() & Qt::CustomizeWindowHint);
        QVERIFY(!dialog->isModal()); // shown without blocking
        // Both go with the job's end.
        QPointer<QPushButton> cancel = child<QPushButton>(dialog, "pushButtonCancel");
        QTRY_VERIFY(child<QProgressBar>(dialog, "progressBarScanning")->value() > 0);

        // Escape changes nothing.
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(dialog->isVisible());
        QVERIFY(cancel->isEnabled());
        QCOMPARE(cancels.size(), 0);

        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(!cancel->isEnabled());
        QVERIFY(dialog->isVisible()); // stays until the page call returns
        dialog->reject();             // a second cancel, e.g. from the window manager
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 30000);

        QCOMPARE(cancels.size(), 1);
        QCOMPARE(logCount("SimulatorBackend::cancelJob"), 1);
        QCOMPARE(logCount("MainWindow::cancelScanningJob"), 1);
        QVERIFY(!progress(w.get()));
        QCOMPARE(files(), QStringList());
        QCOMPARE(driver.seen.size(), 0); // a cancel says nothing
        QVERIFY(child<QPushButton>(w.get(), "pushButtonScan")->isEnabled());
    }

    void cancelFromElsewhereDisablesTheButton()
    {
        auto w = openWithScanner({{"PageTime", "5000"}});
        ModalDriver driver;
        scanTo(w.get(), "PDF (Image)");
        QTRY_VERIFY_WITH_TIMEOUT(progress(w.get()), 30000);
        // The window deletes the dialog, and the button with it, when the job ends.
        QPointer<QPushButton> cancel = child<QPushButton>(progress(w.get()), "pushButtonCancel");
        DisableWatch watch(cancel);
        QVERIFY(cancel->isEnabled());

        // As the upload dialog would.
        emit w->messageHub()->cancelScanningJob();
        QVERIFY(cancel->isEnabled()); // the dialog hears it through a queued call
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 30000);
        QVERIFY(watch.disabled);
        QVERIFY(!cancel);
        QCOMPARE(logCount("SimulatorBackend::cancelJob"), 1);
        QCOMPARE(files(), QStringList());
        QVERIFY(!QFile::exists(configFile().pdfFileName()));
        QCOMPARE(driver.seen.size(), 0);
    }

    void cancelDisabledAtOneHundredPercent()
    {
        auto w = openWithScanner({{"PageTime", "300"}, {"Sheets", "2"}});
        useFeeder(w.get(), false);
        // Watch every progress dialog as the reports reach it, after the
        // dialog's own slot has seen each of them.
        QList<QPair<int, bool>> states;
        connect(w->messageHub(), &PMessage::scanningDialog, this, [&](int status, int) {
            ProgressDialog *d = status == 0 ? w->findChild<ProgressDialog *>() : nullptr;
            if (!d)
                return;
            connect(w->messageHub(), &PMessage::scanningStatus, d, [&states, d](int, int progress) {
                states.append({progress, child<QPushButton>(d, "pushButtonCancel")->isEnabled()});
            });
        });
        scanTo(w.get(), "JPEG");
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);
        QCOMPARE(files().size(), 2);
        int completes = 0;
        for (const auto &s : states) {
            if (s.first == 100) {
                ++completes;
                QVERIFY(!s.second);
            } else {
                QVERIFY(s.second);
            }
        }
        QCOMPARE(completes, 2);
    }

    void waitThroughAWakeUp()
    {
        auto w = openWithScanner({{"PageTime", "5"}, {"WakeUpTime", "1200"}});
        ModalDriver driver;
        WakeUpSeen seen;
        driver.then([&](QWidget *d) { watchWakeUp(seen, d); });
        scanTo(w.get(), "JPEG");
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);
        QCOMPARE(driver.seen.size(), 1);
        QCOMPARE(driver.unexpected, 0);
        QCOMPARE(seen.title, QString("Lumerith V2"));
        QCOMPARE(seen.label, QString("The machine is warming up..."));
        QCOMPARE(seen.size, QSize(350, 140));
        QCOMPARE(seen.result, int(QDialog::Accepted)); // closed by the job
        QVERIFY(!w->findChild<WakeUpDialog *>());
        QCOMPARE(files().size(), 1);
    }

    void wakeUpDialogClosesOnlyWhenTheJobSays_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Escape") << "escape";
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("window controls") << "close";
    }

    void wakeUpDialogClosesOnlyWhenTheJobSays()
    {
        QFETCH(QString, how);
        auto w = openWithScanner({{"PageTime", "5"}, {"WakeUpTime", "60000"}});
        ModalDriver driver;
        WakeUpSeen seen;
        driver.then([&](QWidget *d) {
            watchWakeUp(seen, d, [&](QDialog *dialog) {
                if (how == "escape")
                    QTest::keyClick(dialog, Qt::Key_Escape);
                else if (how == "cancel")
                    QTest::mouseClick(child<QPushButton>(dialog, "pushButtonCancel"), Qt::LeftButton);
                else
                    dialog->close();
                seen.jobRunningAfterAction = w->runningJob() != nullptr;
            });
        });
        QElapsedTimer timer;
        timer.start();
        scanTo(w.get(), "JPEG");
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 30000);
        // Ended by the stop, long before the machine would have woken.
        QVERIFY(timer.elapsed() < 20000);
        QCOMPARE(seen.label, QString("The machine is warming up..."));
        QVERIFY(seen.visibleAfterAction);
        QVERIFY(seen.jobRunningAfterAction);
        QCOMPARE(seen.result, int(QDialog::Accepted)); // closed by the job, not by the user
        QCOMPARE(driver.seen.size(), 1); // no message after the wake-up dialog
        QCOMPARE(driver.unexpected, 0);
        QCOMPARE(files(), QStringList());
        QCOMPARE(logCount("SimulatorBackend::startScan"), 0);
    }

    void errorMessages_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("feeder");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("filesLeft");
        QTest::addColumn<bool>("missingFolder");

        const QString jam = "An original(s) has become jammed. Please open the ADF cover and remove it.";
        const QString busy = "The machine is busy. Please try again later.";
        QTest::newRow("jam at open") << "JamAtOpen" << "1" << false << jam << 0 << false;
        QTest::newRow("jam on the second sheet") << "JamAtPage" << "2" << true << jam << 1 << false;
        QTest::newRow("busy machine") << "BusyAnswers" << "10" << false << busy << 0 << false;
        QTest::newRow("busy before page 2") << "BusyAtPage" << "2" << true << busy << 1 << false;
        QTest::newRow("full disk") << "" << "" << false
                                   << "There is not enough space available on the disk(s) to complete this operation."
                                   << 0 << false;
        QTest::newRow("timeout mid-page") << "ErrorAtPage" << "1" << false
                                          << "Failed to get image data from the device because of a timeout error."
                                          << 0 << false;
        QTest::newRow("missing folder") << "" << "" << false << "The file path name of the image file is invalid." << 0
                                        << true;
    }

    void errorMessages()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, feeder);
        QFETCH(QString, message);
        QFETCH(int, filesLeft);
        QFETCH(bool, missingFolder);
        writeSettings(simulatedPort());
        if (missingFolder)
            out->remove();
        else if (key.isEmpty())
            setFreeSpaceQuery([](const QString &) { return qint64(1) << 20; });
        else
            sim.configure({{"PageTime", "5"}, {key, value}});
        auto w = openWindow();
        if (feeder)
            useFeeder(w.get(), false);

        ModalDriver driver;
        driver.answerBox(QMessageBox::AcceptRole);
        scanTo(w.get(), feeder ? "JPEG" : "TIFF (Single Page)");
        QTRY_VERIFY_WITH_TIMEOUT(driver.finished(), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 60000);
        QVERIFY2(driver.seen.size() == 1, describe(driver).constData());
        QCOMPARE(driver.seen.at(0).className, QString("QMessageBox"));
        QCOMPARE(driver.seen.at(0).title, QString("Information"));
        QCOMPARE(driver.seen.at(0).icon, QMessageBox::Critical);
        QCOMPARE(driver.seen.at(0).text, message);
        // Complete pages stay; nothing half-written does.
        const QStringList written = files();
        QCOMPARE(written.size(), filesLeft);
        for (const QString &name : written)
            QVERIFY2(!name.startsWith('.') && !name.endsWith(".part"), qPrintable(name));
        QVERIFY(child<QPushButton>(w.get(), "pushButtonScan")->isEnabled());
    }

    void closeDuringAScan()
    {
        auto w = openWithScanner({{"PageTime", "1500"}, {"Sheets", "3"}});
        useFeeder(w.get(), false);
        ModalDriver driver;
        driver.answerBox(QMessageBox::YesRole);
        scanTo(w.get(), "JPEG");
        QTRY_VERIFY_WITH_TIMEOUT(progress(w.get()), 30000);
        QPointer<ProgressDialog> dialog = progress(w.get());

        QVERIFY(!w->close()); // asks, and Yes cancels; the close waits for the job
        QCOMPARE(driver.seen.size(), 1);
        QCOMPARE(driver.seen.at(0).text, QString("The current operation is not completed. Are you sure you want "
                                                 "to cancel the current task?"));
        QCOMPARE(driver.seen.at(0).title, QString("Information"));
        QCOMPARE(driver.seen.at(0).defaultButton, QString("&No"));
        QVERIFY(w->isVisible());

        // Meanwhile a second close is refused without a question.
        if (w->runningJob()) {
            QVERIFY(!w->close());
            QCOMPARE(driver.seen.size(), 1);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 30000);
        QVERIFY(!w->runningJob());
        QVERIFY(!dialog);
        QCOMPARE(logCount("SimulatorBackend::cancelJob"), 1);
        QCOMPARE(files(), QStringList());
        // Closing saved the settings as any close does.
        QCOMPARE(QSettings(settingsFile(), QSettings::IniFormat).value("CommonConfig/ScanTo").toString(), out->path());
        QCOMPARE(driver.unexpected, 0);
    }

    void closeAnsweredNoLetsTheScanFinish()
    {
        auto w = openWithScanner({{"PageTime", "600"}, {"Sheets", "2"}});
        useFeeder(w.get(), false);
        ModalDriver driver;
        driver.answerBox(QMessageBox::NoRole);
        scanTo(w.get(), "JPEG");
        QTRY_VERIFY_WITH_TIMEOUT(progress(w.get()), 30000);
        QVERIFY(!w->close());
        QTRY_VERIFY_WITH_TIMEOUT(idle(w.get()), 30000);
        QVERIFY(w->isVisible());
        QCOMPARE(files().size(), 2);
        QCOMPARE(logCount("SimulatorBackend::cancelJob"), 0);
        // Nothing is pending any more: the next close goes through at once.
        QVERIFY(w->close());
        QCOMPARE(driver.seen.size(), 1);
    }

    void closeQuestionOutlivedByTheJob()
    {
        // The job ends while the question is still open; Yes must still close.
        auto w = openWithScanner({{"PageTime", "300"}});
        ModalDriver driver;
        QTimer answerLater;
        driver.then([&](QWidget *box) {
            answerLater.setInterval(10);
            connect(&answerLater, &QTimer::timeout, box, [&, box] {
                if (w->runningJob())
                    return;
                answerLater.stop();
                auto *question = qobject_cast<QMessageBox *>(box);
                for (QAbstractButton *b : question->buttons())
                    if (question->buttonRole(b) == QMessageBox::YesRole)
                        b->click();
            });
            answerLater.start();
        });
        scanTo(w.get(), "JPEG");
        QTRY_VERIFY_WITH_TIMEOUT(progress(w.get()), 30000);
        w->close();
        QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 30000);
        QCOMPARE(driver.seen.size(), 1);
        QCOMPARE(files().size(), 1);
    }
};

QTEST_MAIN(TestMainWindowJobs)
#include "tst_mainwindowjobs.moc"
