// The SANE backend against SANE's own "test" device and the "lumfake" test
// backend (fakesane/), each time with a private SANE configuration folder.
#include "app/configfile.h"
#include "app/globals.h"
#include "imagefiles.h"
#include "testsupport.h"
#include "ptessark.h"
#include "scan/devicelists.h"
#include "scan/pmessage.h"
#include "scan/scanningthread.h"
#include "scan/scanrequest.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <pthread.h>
#include <thread>

namespace {
const QString kTestDevice = QStringLiteral("test:0");
const QString kFakeDesk = QStringLiteral("lumfake:desk-1");
const QString kFakeNet4 = QStringLiteral("lumfake:http://192.0.2.7:8080/eSCL");
const QString kFakeNet6 = QStringLiteral("lumfake:http://[2001:db8::7]:8080/eSCL");

// Enough glass for Letter and A4 (the test device offers 200 mm by default).
const QString kTestConf = QStringLiteral("number_of_devices 2\ngeometry_max 400.0\n");

// Built in field order where a test sets more than one or two of them.
struct Page
{
    int x = 0, y = 0, width = 200, height = 200, dpi = 75;
    int mode = 1;
    int source = 1;
    bool duplex = false;
    int side = 0;
    int type = ImageTIFF;
};
} // namespace

class TestSaneBackend : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir appDir;
    QTemporaryDir saneDir;
    QTemporaryDir out;
    PMessage hub;

    // Points SANE at a private configuration naming the given backends and
    // starts the engine's SANE backend afresh, so that SANE reads it anew.
    void useSane(const QStringList &backends, const QString &testConf = kTestConf,
                 const QMap<QByteArray, QByteArray> &fakeEnv = {})
    {
        auto write = [](const QString &path, const QString &text) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(text.toUtf8());
        };
        write(saneDir.filePath("dll.conf"), backends.join('\n') + '\n');
        write(saneDir.filePath("test.conf"), testConf);
        write(appDir.filePath("MFPCFG.INI"), "[MODULE_CONFIG]\nConfigPath=LumerithSaneTest\nPDFFileName=IMGPDF\n"
                                             "[INIFiles]\nUIConfig=ui.ini\n[ENGINE]\nBackend=sane\n");
        qputenv("SANE_CONFIG_DIR", QFile::encodeName(saneDir.path()));
        qputenv("LD_LIBRARY_PATH", LUMFAKE_DIR);
        for (const char *key : {"LUMFAKE_OPEN_STATUS", "LUMFAKE_SHEETS", "LUMFAKE_START_FAIL_AT", "LUMFAKE_START_STATUS"})
            qunsetenv(key);
        for (auto it = fakeEnv.cbegin(); it != fakeEnv.cend(); ++it)
            qputenv(it.key().constData(), it.value());
        QVERIFY(configFile().init(appDir.path()));
        QVERIFY(tessark().initInterface(&configFile()));
    }

    // One page straight through the engine, as the scan job calls it.
    int scanPage(const QString &port, const Page &p, const QString &path)
    {
        PTessark &engine = tessark();
        int rc = engine.setPortName(0, port);
        if (rc == 0)
            rc = engine.openPort();
        if (rc == 0) {
            tagSCANNER_STATUS status{};
            if (engine.getDeviceStatus(&status))
                rc = -31;
        }
        if (rc == 0) {
            engine.setParameters(&hub, p.x, p.y, p.width, p.height, p.dpi, p.mode, p.source, p.duplex, p.side, 1,
                                 p.type, path);
            rc = engine.startScan();
        }
        const int finish = engine.scanFinish();
        engine.closePort();
        return rc != 0 ? rc : finish;
    }

    ScanRequest request(const Page &p)
    {
        ScanRequest r;
        std::memset(&r, 0, sizeof r);
        r.paperSource = p.source;
        r.scanMode = p.mode;
        r.resolution = p.dpi;
        r.paperSizeId = 4;
        r.duplex = p.duplex;
        r.duplexOrder = p.side;
        r.areaPixels[AreaLeft] = p.x;
        r.areaPixels[AreaTop] = p.y;
        r.areaPixels[AreaWidth] = p.width;
        r.areaPixels[AreaHeight] = p.height;
        r.localImageType = p.type;
        copyToWideBuffer(out.path(), r.localFolder, int(sizeof r.localFolder));
        copyToWideBuffer("Scan", r.localFilePrefix, int(sizeof r.localFilePrefix));
        r.cloudImageType = p.type;
        copyToWideBuffer(out.path(), r.cloudLocalFolder, int(sizeof r.cloudLocalFolder));
        copyToWideBuffer("Cloud", r.cloudFilePrefix, int(sizeof r.cloudFilePrefix));
        return r;
    }

    struct Outcome
    {
        QList<int> errors;
        int dialogs = 0;
        int pagesDone = 0; // scanningStatus reports of 100
        QStringList announced; // finishedPage paths, in scan order
    };

    // Runs a job on its own thread while this (the user-interface) thread
    // takes the hub's reports; onProgress runs here for each one.
    Outcome runJob(const ScanRequest &r, std::function<void(ScanningThread *, int)> onProgress = nullptr,
                   int target = TargetLocal)
    {
        Outcome o;
        ScanningThread job(&hub);
        QSignalSpy errors(&hub, &PMessage::postErrorCode);
        QSignalSpy dialogs(&hub, &PMessage::scanningDialog);
        QSignalSpy status(&hub, &PMessage::scanningStatus);
        QSignalSpy pages(&hub, &PMessage::finishedPage);
        QMetaObject::Connection c;
        if (onProgress)
            c = connect(&hub, &PMessage::scanningStatus, this, [&](int, int progress) { onProgress(&job, progress); });
        job.setRequest(r, target);
        job.start();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(job.isFinished(), 120000); }();
        job.wait();
        QCoreApplication::processEvents();
        disconnect(c);
        for (const auto &a : errors)
            o.errors << a.at(0).toInt();
        o.dialogs = dialogs.size();
        for (const auto &a : status)
            o.pagesDone += a.at(1).toInt() == 100 ? 1 : 0;
        for (const auto &a : pages)
            o.announced << a.at(1).toString();
        return o;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(appDir.isValid() && saneDir.isValid() && out.isValid());
#ifdef LUMERITH_HOLD_SANE_TEST_DEVICE
        // Sanitizer builds (tests/engine/CMakeLists.txt): a leak inside SANE's
        // test device is only recognised while the device stays loaded.
        QVERIFY(dlopen(LUMERITH_HOLD_SANE_TEST_DEVICE, RTLD_LAZY | RTLD_LOCAL));
#endif
    }

    void init()
    {
        // Reports of pages scanned outside a job's event loop are dropped.
        QCoreApplication::sendPostedEvents();
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
    }

    void cleanupTestCase()
    {
        // Back to the simulator, which lets go of SANE.
        QFile::remove(appDir.filePath("MFPCFG.INI"));
        configFile().init(appDir.path());
        tessark().initInterface(&configFile());
    }

    void deviceListsOfTheTestDevice()
    {
        useSane({"test"});
        QString usb, v4, v6;
        tessark().getUSBScannerDevice(usb);
        tessark().getIPv4ScannerDevice(v4);
        tessark().getIPv6ScannerDevice(v6);
        QVERIFY2(QRegularExpression("^0,0,\\d+,test:0,Noname frontend-tester;0,0,\\d+,test:1,Noname frontend-tester$")
                     .match(usb)
                     .hasMatch(),
                 qPrintable(usb));
        QVERIFY(v4.isEmpty());
        QVERIFY(v6.isEmpty());

        // The module reads the text into its USB list.
        DeviceLists lists;
        lists.parseDeviceList(UsbDevices, usb);
        QCOMPARE(lists.count(UsbDevices), 2);
        DeviceRecord first, second;
        QVERIFY(lists.deviceAt(0, UsbDevices, first) && lists.deviceAt(1, UsbDevices, second));
        QCOMPARE(first.portNameText(), kTestDevice);
        QCOMPARE(first.aliasText(), QString("USB, Noname frontend-tester"));
        QVERIFY(first.projectId > 0 && second.projectId > 0 && first.projectId != second.projectId);

        // Asking the device fills in what it offers: a feeder, no duplex.
        int projectId = 0;
        tagResponseDeviceInfo reply{};
        QVERIFY(tessark().queryScannerStatus(projectId, kTestDevice, &reply));
        QCOMPARE(projectId, first.projectId);
        QCOMPARE(int(reply.paperSource), CapabilityValid | CapabilityFeeder);
        QCOMPARE(QString(reply.modelName), QString("Noname frontend-tester"));
        tessark().getUSBScannerDevice(usb);
        QVERIFY2(usb.startsWith(QString("0,130,%1,test:0,").arg(first.projectId)), qPrintable(usb));

        QVERIFY(!tessark().queryScannerStatus(projectId, "test:9", &reply));
        QVERIFY(!tessark().queryScannerStatus(projectId, "192.0.2.99", &reply));

        // Project ids depend on the device alone: the same after SANE restarts.
        useSane({"test"});
        tessark().getUSBScannerDevice(usb);
        QVERIFY(usb.contains(QString(",%1,test:0,").arg(first.projectId)));
    }

    void networkDevicesAreListedByAddress()
    {
        useSane({"test", "lumfake"});
        QString usb, v4, v6;
        tessark().getUSBScannerDevice(usb);
        tessark().getIPv4ScannerDevice(v4);
        tessark().getIPv6ScannerDevice(v6);
        DeviceLists lists;
        lists.parseDeviceList(UsbDevices, usb);
        QStringList ports;
        for (int i = 0; i < lists.count(UsbDevices); ++i) {
            DeviceRecord d;
            lists.deviceAt(i, UsbDevices, d);
            ports << d.portNameText();
        }
        // A name that the list text cannot carry (";") is left out.
        QCOMPARE(ports, (QStringList{kFakeDesk, "test:0", "test:1"}));

        QVERIFY2(QRegularExpression("^1,0,\\d+," + QRegularExpression::escape(kFakeNet4) + ",Lumfake Net 4$")
                     .match(v4)
                     .hasMatch(),
                 qPrintable(v4));
        QVERIFY2(QRegularExpression("^1,0,\\d+," + QRegularExpression::escape(kFakeNet6) + ",Lumfake Net 6$")
                     .match(v6)
                     .hasMatch(),
                 qPrintable(v6));

        // A typed address finds the device that carries it, in any spelling.
        for (const QString &typed : {QString("192.0.2.7"), QString("2001:db8:0:0::7")}) {
            int projectId = 0;
            tagResponseDeviceInfo reply{};
            QVERIFY(tessark().queryScannerStatus(projectId, typed, &reply));
            QCOMPARE(int(reply.paperSource), CapabilityValid | CapabilityFeeder | CapabilityDuplex);
            QVERIFY(projectId > 0);
            QVERIFY2(QString(reply.modelName).startsWith("Lumfake Net"), reply.modelName);
        }

        // The typed address serves as the port of a scan job.
        int projectId = 0;
        tagResponseDeviceInfo reply{};
        QVERIFY(tessark().queryScannerStatus(projectId, "192.0.2.7", &reply));
        deviceLists().setDevice(1, reply.paperSource, projectId, "192.0.2.7", reply.modelName);
        const Outcome o = runJob(request(Page()));
        QVERIFY(o.errors.isEmpty());
        QCOMPARE(filesIn(out.path()).size(), 1);
        QCOMPARE(tessark().setPortName(projectId, "192.0.2.8"), -20);
    }

    void glassPagesHaveTheAskedSize_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::newRow("colour JPEG, cropped, 300 dpi") << int(ImageJPEG) << 0 << 300 << QRect(118, 236, 1001, 1499) << 3 << 8;
        QTest::newRow("colour JPEG, Letter, 300 dpi") << int(ImageJPEG) << 0 << 300 << QRect(0, 0, 2550, 3300) << 3 << 8;
        QTest::newRow("gray TIFF, A4, 150 dpi") << int(ImageTIFF) << 1 << 150 << QRect(0, 0, 1240, 1754) << 1 << 8;
        QTest::newRow("gray TIFF, cropped, 300 dpi") << int(ImageTIFF) << 1 << 300 << QRect(37, 59, 777, 555) << 1 << 8;
        QTest::newRow("black and white TIFF, 300 dpi") << int(ImageTIFF) << 2 << 300 << QRect(10, 10, 1003, 301) << 1 << 1;
        QTest::newRow("preview BMP, 50 dpi") << int(ImagePreview) << 0 << 50 << QRect(0, 0, 425, 550) << 3 << 8;
    }

    void glassPagesHaveTheAskedSize()
    {
        QFETCH(int, type);
        QFETCH(int, mode);
        QFETCH(int, dpi);
        QFETCH(QRect, area);
        QFETCH(int, channels);
        QFETCH(int, bits);
        useSane({"test"});
        const Page p{area.x(), area.y(), area.width(), area.height(), dpi, mode, 1, false, 0, type};
        QSignalSpy progress(&hub, &PMessage::scanningStatus);
        const QString path = out.filePath(type == ImagePreview ? "preview.bmp" : "page");
        QCOMPARE(scanPage(kTestDevice, p, path), 0);
        QCOMPARE(filesIn(out.path()), QStringList{QFileInfo(path).fileName()});
        const ReadImage img = readPage(path, type);
        QVERIFY(img.ok);
        QCOMPARE(QSize(img.width, img.height), area.size());
        QCOMPARE(img.channels, channels);
        QCOMPARE(img.bitsPerSample, bits);
        QCOMPARE(qRound(img.dpiX), dpi);
        if (type == ImageTIFF && mode == 2)
            QCOMPARE(img.compression, 4); // CCITT Group 4
        QTRY_VERIFY(!progress.isEmpty() && progress.last().at(1).toInt() == 100);
        QCOMPARE(progress.first().at(1).toInt(), 0);
    }

    void blackAndWhiteKeepsBlackAndWhite_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("level");
        QTest::newRow("solid black") << "Solid black" << 0;
        QTest::newRow("solid white") << "Solid white" << 255;
    }

    void blackAndWhiteKeepsBlackAndWhite()
    {
        QFETCH(QString, picture);
        QFETCH(int, level);
        useSane({"test"}, kTestConf + QString("test-picture \"%1\"\n").arg(picture));
        const Page p{0, 0, 333, 97, 100, 2};
        const QString path = out.filePath("bw.tif");
        QCOMPARE(scanPage(kTestDevice, p, path), 0);
        const ReadImage img = readTiff(path);
        QCOMPARE(img.bitsPerSample, 1);
        for (int y = 0; y < img.height; y += 7)
            for (int x = 0; x < img.width; x += 5)
                QCOMPARE(img.gray(x, y), level);
    }

    void cropIsTheSameAreaOfTheGlass()
    {
        // The lumfake glass carries marks at known places, scanned at a
        // resolution the device has (300) and one it has not (200).
        useSane({"lumfake"});
        for (const int dpi : {300, 200}) {
            const Page full{0, 0, dpi * 3, dpi * 3, dpi};
            const QString fullPath = out.filePath(QString("full%1.tif").arg(dpi));
            QCOMPARE(scanPage(kFakeDesk, full, fullPath), 0);
            const Page crop{dpi / 5, dpi / 4, dpi + 3, dpi + 7, dpi};
            const QString cropPath = out.filePath(QString("crop%1.tif").arg(dpi));
            QCOMPARE(scanPage(kFakeDesk, crop, cropPath), 0);
            const ReadImage page = readTiff(fullPath);
            const ReadImage part = readTiff(cropPath);
            QCOMPARE(QSize(part.width, part.height), QSize(crop.width, crop.height));
            QCOMPARE(qRound(part.dpiX), dpi);
            if (dpi == 300) {
                QVERIFY(part.samePixels(page.region(crop.x, crop.y, crop.width, crop.height)));
            } else {
                // Taken from 300-dpi lines: the black corner ends near 20 mm
                // (157 px), the gray level is the millimetres from the top.
                QCOMPARE(page.gray(150, 150), 0);
                QVERIFY(page.gray(170, 30) > 0);
                QVERIFY(qAbs(page.gray(300, 400) - int(400.5 * 25.4 / dpi)) <= 1);
                QVERIFY(qAbs(part.gray(100, 150) - int((150 + crop.y + 0.5) * 25.4 / dpi)) <= 1);
                QCOMPARE(part.gray(0, 0), 0);
            }
        }
    }

    void feederJobEndsAfterTheLastPage()
    {
        // The test device's feeder runs empty after ten pages.
        useSane({"test"});
        deviceLists().setDevice(0, 130, 0, kTestDevice, "Noname frontend-tester");
        Page p{0, 0, 638, 825, 75, 0, 2, false, 0, ImageJPEG};
        const Outcome o = runJob(request(p));
        QVERIFY(o.errors.isEmpty());
        QCOMPARE(o.dialogs, 20);
        QCOMPARE(o.pagesDone, 10);
        const QStringList files = filesIn(out.path());
        QCOMPARE(files.size(), 10);
        for (const QString &f : files) {
            const ReadImage img = readJpeg(out.filePath(f));
            QCOMPARE(QSize(img.width, img.height), QSize(638, 825));
        }

        // The same as one PDF, written when the job ends.
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
        p.type = ImagePDF;
        QVERIFY(runJob(request(p)).errors.isEmpty());
        const QStringList pdfs = filesIn(out.path());
        QCOMPARE(pdfs.size(), 1);
        QFile f(out.filePath(pdfs.first()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const ParsedPdf pdf = parsePdf(f.readAll());
        QVERIFY2(pdf.error.isEmpty(), qPrintable(pdf.error));
        QCOMPARE(pdf.pageCount, 10);
    }

    void feederOutcomesOfTheStart_data()
    {
        QTest::addColumn<int>("sheets");
        QTest::addColumn<int>("failAt");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("filesLeft");
        QTest::newRow("three sheets") << 3 << 0 << "" << int(ImageTIFF) << 0 << 3;
        QTest::newRow("empty at the start") << 0 << 0 << "" << int(ImageTIFF) << -5 << 0;
        QTest::newRow("jam on the first sheet") << 3 << 1 << "JAMMED" << int(ImageTIFF) << -2 << 0;
        QTest::newRow("jam on the second sheet") << 3 << 2 << "JAMMED" << int(ImageTIFF) << -2 << 1;
        QTest::newRow("busy at the third sheet") << 3 << 3 << "DEVICE_BUSY" << int(ImageTIFF) << -22 << 2;
        QTest::newRow("cover open") << 3 << 2 << "COVER_OPEN" << int(ImageTIFF) << -999 << 1;
        QTest::newRow("I/O error") << 3 << 2 << "IO_ERROR" << int(ImageTIFF) << -31 << 1;
        QTest::newRow("out of memory") << 3 << 2 << "NO_MEM" << int(ImageTIFF) << -41 << 1;
        QTest::newRow("PDF of three sheets") << 3 << 0 << "" << int(ImagePDF) << 0 << 1;
        QTest::newRow("PDF with a jam is dropped") << 3 << 3 << "JAMMED" << int(ImagePDF) << -2 << 0;
    }

    void feederOutcomesOfTheStart()
    {
        QFETCH(int, sheets);
        QFETCH(int, failAt);
        QFETCH(QString, status);
        QFETCH(int, type);
        QFETCH(int, code);
        QFETCH(int, filesLeft);
        useSane({"lumfake"}, kTestConf,
                {{"LUMFAKE_SHEETS", QByteArray::number(sheets)},
                 {"LUMFAKE_START_FAIL_AT", QByteArray::number(failAt)},
                 {"LUMFAKE_START_STATUS", status.toLatin1()}});
        deviceLists().setDevice(0, 134, 0, kFakeDesk, "Lumfake Desk 1");
        const Page p{0, 0, 200, 200, 75, 1, 2, false, 0, type};
        const Outcome o = runJob(request(p));
        QCOMPARE(o.errors, code == 0 ? QList<int>() : QList<int>{code});
        const QStringList files = filesIn(out.path());
        QCOMPARE(files.size(), filesLeft);
        for (const QString &f : files) {
            if (type == ImageTIFF)
                QCOMPARE(readTiff(out.filePath(f)).width, p.width);
        }
    }

    void duplexBacksAreTurned_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<bool>("backTurned");
        QTest::newRow("left to right") << 0 << false;
        QTest::newRow("top to bottom") << 1 << true;
        QTest::newRow("right to left") << 2 << false;
        QTest::newRow("bottom to top") << 3 << true;
    }

    void duplexBacksAreTurned()
    {
        QFETCH(int, side);
        QFETCH(bool, backTurned);
        useSane({"lumfake"}, kTestConf, {{"LUMFAKE_SHEETS", "2"}});
        deviceLists().setDevice(0, 134, 0, kFakeDesk, "Lumfake Desk 1");
        const Page p{0, 0, 300, 450, 75, 1, 2, true, side};
        // Pages kept beside a cloud upload are announced in scan order.
        const Outcome o = runJob(request(p), nullptr, TargetCloudAndLocal);
        QVERIFY(o.errors.isEmpty());
        const QStringList files = o.announced;
        QCOMPARE(files.size(), 4);
        QCOMPARE(filesIn(out.path()).size(), 4);
        const ReadImage front = readTiff(files[0]);
        QCOMPARE(front.gray(5, 5), 0); // the black corner, top left
        for (int i = 1; i < 4; ++i) {
            const ReadImage page = readTiff(files[i]);
            const bool turned = i % 2 == 1 && backTurned;
            QVERIFY2(page.samePixels(turned ? front.turned() : front), qPrintable(files[i]));
        }
    }

    void readerThreadsEndOnlyAtTheirWaits()
    {
        // What a device loaded later binds to: the program's own call, which
        // turns asynchronous cancellation into the deferred kind. (Cancelled
        // asynchronously, SANE's reader threads left the allocator locked and
        // hung these tests now and then.)
        using Fn = int (*)(int, int *);
        const auto setCancelType = reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, "pthread_setcanceltype"));
        QVERIFY(setCancelType);
        int type = -1;
        std::thread([&] {
            int old = 0;
            setCancelType(PTHREAD_CANCEL_ASYNCHRONOUS, &old);
            setCancelType(PTHREAD_CANCEL_DEFERRED, &type);
        }).join();
        QCOMPARE(type, int(PTHREAD_CANCEL_DEFERRED));
    }

    void readFailuresGiveTheirCode_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("code");
        QTest::newRow("jammed") << "SANE_STATUS_JAMMED" << -2;
        QTest::newRow("no documents") << "SANE_STATUS_NO_DOCS" << -5;
        QTest::newRow("busy") << "SANE_STATUS_DEVICE_BUSY" << -22;
        QTest::newRow("I/O error") << "SANE_STATUS_IO_ERROR" << -31;
        QTest::newRow("invalid") << "SANE_STATUS_INVAL" << -40;
        QTest::newRow("out of memory") << "SANE_STATUS_NO_MEM" << -41;
        QTest::newRow("cover open") << "SANE_STATUS_COVER_OPEN" << -999;
        QTest::newRow("access denied") << "SANE_STATUS_ACCESS_DENIED" << -999;
    }

    void readFailuresGiveTheirCode()
    {
        // The test device fails its reads with the status it is told to.
        QFETCH(QString, status);
        QFETCH(int, code);
        useSane({"test"}, kTestConf + QString("read-status-code \"%1\"\n").arg(status));
        Page p;
        QCOMPARE(scanPage(kTestDevice, p, out.filePath("page.tif")), code);
        QVERIFY(filesIn(out.path()).isEmpty());

        // Through the scan job: the code reaches the hub once.
        deviceLists().setDevice(0, 130, 0, kTestDevice, "Noname frontend-tester");
        const Outcome o = runJob(request(p));
        QCOMPARE(o.errors, QList<int>{code});
        QVERIFY(filesIn(out.path()).isEmpty());
    }

    void openFailures()
    {
        useSane({"lumfake"}, kTestConf, {{"LUMFAKE_OPEN_STATUS", "DEVICE_BUSY"}});
        deviceLists().setDevice(0, 134, 0, kFakeDesk, "Lumfake Desk 1");
        QCOMPARE(runJob(request(Page())).errors, QList<int>{-22});
        deviceLists().setDevice(0, 134, 0, "lumfake:absent", "");
        QCOMPARE(runJob(request(Page())).errors, QList<int>{-20});
        QVERIFY(filesIn(out.path()).isEmpty());

        // A device asked for a source it does not have.
        useSane({"test"});
        const Page p{0, 0, 200, 200, 75, 1, 2, true};
        QCOMPARE(scanPage(kTestDevice, p, out.filePath("page.tif")), -40);
    }

    void cancelInsideAPage()
    {
        // Slow reads in small pieces keep the page running for seconds.
        useSane({"test"}, kTestConf
                              + "read-limit true\nread-limit-size 4096\nread-delay true\n"
                                "read-delay-duration 20000\n");
        const Page p{0, 0, 1000, 1000, 300};
        PTessark &engine = tessark();
        QCOMPARE(engine.setPortName(0, kTestDevice), 0);
        QCOMPARE(engine.openPort(), 0);
        engine.setParameters(&hub, p.x, p.y, p.width, p.height, p.dpi, p.mode, p.source, false, 0, 1, ImageTIFF,
                             out.filePath("page.tif"));
        QSignalSpy progress(&hub, &PMessage::scanningStatus);
        int rc = 1;
        std::thread page([&] { rc = engine.startScan(); });
        // A failed check below must not leave the page thread joinable.
        struct Joiner
        {
            std::thread &thread;
            ~Joiner()
            {
                if (thread.joinable()) {
                    tessark().cancelJob();
                    thread.join();
                }
            }
        } joiner{page};
        QTRY_VERIFY_WITH_TIMEOUT(progress.size() >= 2, 60000);
        engine.cancelJob();
        page.join();
        QCOMPARE(rc, -150);
        QVERIFY(progress.last().at(1).toInt() < 100);
        // Nothing of the page is left, and the job takes no further page.
        QVERIFY(filesIn(out.path()).isEmpty());
        QCOMPARE(engine.startScan(), -150);
        engine.scanFinish();
        engine.closePort();

        // Through the scan job, cancelled from this thread as the progress
        // dialog does: the job ends with -150 and no file.
        deviceLists().setDevice(0, 130, 0, kTestDevice, "Noname frontend-tester");
        bool cancelled = false;
        const Outcome o = runJob(request(p), [&cancelled](ScanningThread *job, int progress) {
            if (progress > 0 && !cancelled) {
                cancelled = true;
                tessark().cancelJob();
                job->cancel();
            }
        });
        QVERIFY(cancelled);
        QCOMPARE(o.errors, QList<int>{-150});
        QVERIFY(filesIn(out.path()).isEmpty());

        // The next job scans again.
        useSane({"test"});
        QCOMPARE(scanPage(kTestDevice, Page(), out.filePath("again.tif")), 0);
    }
};

QTEST_MAIN(TestSaneBackend)
#include "tst_sanebackend.moc"
