#include "app/configfile.h"
#include "imagefiles.h"
#include "testsupport.h"
#include "ptessark.h"
#include "scan/devicelists.h"
#include "scan/pmessage.h"
#include "scan/scanrequest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <memory>
#include <thread>

namespace {
const QString kUsbPort = QStringLiteral("simusb-0001");

struct Page
{
    int x = 0, y = 0, width = 850, height = 1100, dpi = 100;
    int mode = 0;   // 0 colour, 1 gray, 2 black and white
    int source = 1; // 1 glass, 2 feeder
    bool duplex = false;
    int side = 0;
    int type = ImageJPEG;
};

Page fullPage(int type, int mode, int dpi)
{
    Page p;
    p.type = type;
    p.mode = mode;
    p.dpi = dpi;
    p.width = int(8.5 * dpi + 0.5);
    p.height = int(11.0 * dpi + 0.5);
    return p;
}

// A part of the glass at a resolution.
Page area(int type, int dpi, int x, int y, int width, int height)
{
    Page p;
    p.type = type;
    p.dpi = dpi;
    p.x = x;
    p.y = y;
    p.width = width;
    p.height = height;
    return p;
}

void addModeRows()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("colour") << 0;
    QTest::newRow("gray") << 1;
    QTest::newRow("b/w") << 2;
}

int px(double inches, int dpi)
{
    return int(inches * dpi);
}

QByteArray fileStart(const QString &path, int n)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}
} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> scratch;
    ConfigFile config;
    std::unique_ptr<PTessark> engine;
    std::unique_ptr<PMessage> hub;
    QString outDir;

    QString iniPath() const { return scratch->filePath("MFPCFG.INI"); }
    QString out(const QString &name) const { return outDir + "/" + name; }

    // Rewrites the engine's section; pages take no time unless asked.
    void setEngineKeys(const QVariantMap &keys = QVariantMap())
    {
        QSettings ini(iniPath(), QSettings::IniFormat);
        ini.clear();
        ini.beginGroup("ENGINE");
        ini.setValue("Backend", "simulator");
        ini.setValue("PageTime", 0);
        for (auto it = keys.begin(); it != keys.end(); ++it)
            ini.setValue(it.key(), it.value());
        ini.endGroup();
        ini.sync();
    }

    bool openDevice(const QString &port = kUsbPort)
    {
        tagResponseDeviceInfo reply{};
        return engine->setPortName(0, port) == 0 && engine->getStatusFromSpecialPort(&reply) && !reply.busy
               && engine->openPort() == 0;
    }

    int scan(const Page &p, const QString &path)
    {
        engine->setParameters(hub.get(), p.x, p.y, p.width, p.height, p.dpi, p.mode, p.source, p.duplex, p.side, 1,
                              p.type, path);
        return engine->startScan();
    }

    void endJob()
    {
        engine->scanFinish();
        engine->closePort();
    }

    // One page as a job of its own: open, scan, finish and close.
    int scanJob(const Page &p, const QString &path)
    {
        if (!openDevice())
            return 1;
        const int rc = scan(p, path);
        endJob();
        return rc;
    }

    tagSCANNER_STATUS status(bool *failed = nullptr)
    {
        tagSCANNER_STATUS s{};
        const bool f = engine->getDeviceStatus(&s);
        if (failed)
            *failed = f;
        return s;
    }

    // A feeder job as the scan job runs it: pages while the feeder has paper.
    QList<int> feederJob(Page p, const QString &prefix, int maxPages = 20)
    {
        QList<int> codes;
        p.source = 2;
        for (int n = 1; n <= maxPages; ++n) {
            bool failed = false;
            const tagSCANNER_STATUS s = status(&failed);
            if (failed || !s.paperInFeeder || s.errorBits || s.powerState != 1)
                break;
            const int rc = scan(p, out(QString("%1_%2.%3").arg(prefix).arg(n).arg(p.type == ImageTIFF ? "tif" : p.type == ImagePDF ? "pdf" : "jpg")));
            codes << rc;
            if (rc != 0)
                break;
        }
        return codes;
    }

private slots:
    void init()
    {
        scratch = std::make_unique<QTemporaryDir>();
        QVERIFY(scratch->isValid());
        QVERIFY(QDir().mkpath(scratch->filePath("config")));
        QVERIFY(QDir().mkpath(scratch->filePath("out")));
        outDir = scratch->filePath("out");
        config = ConfigFile();
        config.strMfpCfgFile = iniPath();
        config.strConfigPath = scratch->filePath("config");
        config.strPDFFileName = scratch->filePath("config/IMGPDF.pdf");
        setEngineKeys();
        hub = std::make_unique<PMessage>();
        engine = std::make_unique<PTessark>();
        QVERIFY(engine->initInterface(&config));
    }

    void cleanup()
    {
        if (engine) {
            engine->cancelJob();
            endJob();
        }
        engine.reset();
        hub.reset();
        scratch.reset();
    }

    // ---- devices -------------------------------------------------------

    void deviceListsText()
    {
        QString usb, v4, v6;
        engine->getUSBScannerDevice(usb);
        engine->getIPv4ScannerDevice(v4);
        engine->getIPv6ScannerDevice(v6);
        QCOMPARE(usb, QString("0,134,3000,simusb-0001,SimScan 3000"));
        QCOMPARE(v4, QString("1,134,3100,127.0.0.1,SimScan 3100N"));
        QCOMPARE(v6, QString("1,134,3200,::1,SimScan 3200N"));

        // The module's parser takes them as they are.
        DeviceLists lists;
        lists.parseDeviceList(UsbDevices, usb);
        lists.parseDeviceList(NetworkDevices, v4);
        lists.parseDeviceList(NetworkDevices, v6);
        QCOMPARE(lists.count(UsbDevices), 1);
        QCOMPARE(lists.count(NetworkDevices), 2);
        DeviceRecord r;
        QVERIFY(lists.deviceAt(0, UsbDevices, r));
        QCOMPARE(r.aliasText(), QString("USB, SimScan 3000"));
        QCOMPARE(r.projectId, 3000);
        QCOMPARE(int(r.paperSourceBits), 0x86);
        QVERIFY(lists.deviceAt(1, NetworkDevices, r));
        QCOMPARE(r.portNameText(), QString("::1"));
        QCOMPARE(r.modelText(), QString("SimScan 3200N"));
    }

    void queryScannerStatus_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<int>("projectId");
        QTest::addColumn<QString>("model");
        QTest::newRow("usb") << kUsbPort << true << 3000 << "SimScan 3000";
        QTest::newRow("ipv4") << "127.0.0.1" << true << 3100 << "SimScan 3100N";
        QTest::newRow("ipv6") << "::1" << true << 3200 << "SimScan 3200N";
        QTest::newRow("ipv6 long form") << "0:0:0:0:0:0:0:1" << true << 3200 << "SimScan 3200N";
        QTest::newRow("other ipv4") << "192.0.2.10" << false << 0 << "";
        QTest::newRow("other loopback") << "127.0.0.2" << false << 0 << "";
        QTest::newRow("other ipv6") << "2001:db8::1" << false << 0 << "";
        QTest::newRow("other usb") << "simusb-0002" << false << 0 << "";
        QTest::newRow("empty") << "" << false << 0 << "";
    }

    void queryScannerStatus()
    {
        QFETCH(QString, address);
        QFETCH(bool, answers);
        QFETCH(int, projectId);
        QFETCH(QString, model);
        tagResponseDeviceInfo reply{};
        int id = 77;
        QCOMPARE(engine->queryScannerStatus(id, address, &reply), answers);
        if (answers) {
            QCOMPARE(id, projectId);
            QCOMPARE(int(reply.paperSource), 0x80 | 0x02 | 0x04);
            QCOMPARE(QString::fromUtf8(reply.modelName), model);
            QCOMPARE(int(reply.busy), 0);
        } else {
            QCOMPARE(id, 77);
            QCOMPARE(int(reply.paperSource), 0);
        }
    }

    void checkIPAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ipv4") << "192.168.1.20" << true;
        QTest::newRow("ipv6") << "fe80::1" << true;
        QTest::newRow("ipv6 loopback") << "::1" << true;
        QTest::newRow("octet too big") << "192.168.1.256" << false;
        QTest::newRow("name") << "scanner.local" << false;
        QTest::newRow("usb port") << kUsbPort << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("bad ipv6") << "fe80:::1" << false;
        QTest::newRow("three numbers") << "192.168.1" << false;
        QTest::newRow("one number") << "1" << false;
        QTest::newRow("leading zero") << "017.0.0.1" << false;
        QTest::newRow("hexadecimal") << "0x7f.1" << false;
        QTest::newRow("five numbers") << "1.2.3.4.5" << false;
        QTest::newRow("sign") << "+1.2.3.4" << false;
        QTest::newRow("ipv4 zero") << "10.0.0.0" << true;
        QTest::newRow("ipv6 with ipv4 tail") << "::ffff:192.0.2.1" << true;
        QTest::newRow("ipv6 with short ipv4 tail") << "::ffff:1.2.3" << false;
        QTest::newRow("ipv6 in brackets") << "[::1]" << false;
        QTest::newRow("ipv6 with zone") << "fe80::1%eth0" << true;
    }

    void checkIPAddress()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(engine->checkIPAddress(text) != 0, valid);
    }

    void portMustBeKnown()
    {
        tagResponseDeviceInfo reply{};
        QVERIFY(!engine->getStatusFromSpecialPort(&reply)); // no port yet
        QCOMPARE(engine->setPortName(3000, "simusb-0009"), -20);
        QVERIFY(!engine->getStatusFromSpecialPort(&reply));
        QCOMPARE(engine->openPort(), -20);

        QCOMPARE(engine->setPortName(3100, "127.0.0.1"), 0);
        bool failed = false;
        status(&failed);
        QVERIFY2(failed, "status of a port that is not open");
        QVERIFY(engine->getStatusFromSpecialPort(&reply));
        QCOMPARE(QString::fromLatin1(reply.modelName), QString("SimScan 3100N"));
        QCOMPARE(engine->openPort(), 0);
        const tagSCANNER_STATUS s = status(&failed);
        QVERIFY(!failed);
        QCOMPARE(int(s.powerState), 1);
        QCOMPARE(int(s.errorBits), 0);
        QCOMPARE(int(s.paperInFeeder), 1); // three sheets by default
    }

    void unknownBackendGivesNoScanner()
    {
        QSettings ini(iniPath(), QSettings::IniFormat);
        ini.setValue("ENGINE/Backend", "nonesuch");
        ini.sync();
        PTessark other;
        QVERIFY(!other.initInterface(&config));
        QCOMPARE(other.setPortName(3000, kUsbPort), -20);
    }

    void simulatorIsTheDefault_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("no module configuration file") << "missing";
        QTest::newRow("no backend key") << "nokey";
        QTest::newRow("empty backend") << "empty";
    }

    void simulatorIsTheDefault()
    {
        QFETCH(QString, file);
        ConfigFile bare;
        bare.strPDFFileName = scratch->filePath("config/other.pdf");
        if (file != "missing") {
            bare.strMfpCfgFile = iniPath();
            QSettings ini(iniPath(), QSettings::IniFormat);
            ini.clear();
            ini.setValue("Debug/EnableLogFile", 0);
            if (file == "empty")
                ini.setValue("ENGINE/Backend", "");
            ini.sync();
        }
        PTessark other;
        QVERIFY(other.initInterface(&bare));
        QCOMPARE(other.setPortName(3000, kUsbPort), 0);
        QCOMPARE(other.openPort(), 0);
        tagSCANNER_STATUS s{};
        QVERIFY(!other.getDeviceStatus(&s));
        QCOMPARE(int(s.powerState), 1);
        other.scanFinish();
        other.closePort();
    }

    // ---- page files ----------------------------------------------------

    void pageFiles_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("dpi");
        QTest::newRow("jpeg colour 300") << int(ImageJPEG) << 0 << 300;
        QTest::newRow("jpeg gray 200") << int(ImageJPEG) << 1 << 200;
        QTest::newRow("jpeg b/w 150") << int(ImageJPEG) << 2 << 150;
        QTest::newRow("tiff colour 100") << int(ImageTIFF) << 0 << 100;
        QTest::newRow("tiff gray 200") << int(ImageTIFF) << 1 << 200;
        QTest::newRow("tiff b/w 300") << int(ImageTIFF) << 2 << 300;
        QTest::newRow("bmp colour 41") << int(ImagePreview) << 0 << 41;
        QTest::newRow("bmp gray 50") << int(ImagePreview) << 1 << 50;
        QTest::newRow("bmp b/w 60") << int(ImagePreview) << 2 << 60;
    }

    void pageFiles()
    {
        QFETCH(int, type);
        QFETCH(int, mode);
        QFETCH(int, dpi);
        QSignalSpy progress(hub.get(), &PMessage::scanningStatus);
        const Page p = fullPage(type, mode, dpi);
        const QString path = out(type == ImageTIFF ? "page.tif" : type == ImagePreview ? "preview.bmp" : "page.jpg");
        QVERIFY(openDevice());
        QCOMPARE(status().powerState, quint8(1));
        QCOMPARE(scan(p, path), 0);
        QCOMPARE(engine->scanFinish(), 0);
        engine->closePort();
        QCOMPARE(filesIn(outDir), QStringList{QFileInfo(path).fileName()}); // no temporary left

        const QByteArray magic = fileStart(path, 4);
        if (type == ImageTIFF)
            QVERIFY(magic == QByteArray("II*\0", 4) || magic == QByteArray("MM\0*", 4));
        else if (type == ImagePreview)
            QVERIFY(magic.startsWith("BM"));
        else
            QVERIFY(magic.startsWith("\xff\xd8"));

        const ReadImage img = readPage(path, type);
        QVERIFY(img.ok);
        QCOMPARE(img.width, p.width);
        QCOMPARE(img.height, p.height);
        QCOMPARE(qRound(img.dpiX), dpi);
        QCOMPARE(qRound(img.dpiY), dpi);

        if (type == ImagePreview) {
            QCOMPARE(QImageReader(path).imageFormat(), QImage::Format_RGB32); // 24-bit file
            QCOMPARE(QFileInfo(path).size(), 54 + qint64((p.width * 3 + 3) & ~3) * p.height);
        } else if (mode == 0) {
            QCOMPARE(img.channels, 3);
        } else if (type == ImageTIFF && mode == 2) {
            QCOMPARE(img.bitsPerSample, 1);
            QCOMPARE(img.compression, 4); // Group 4
        } else {
            QCOMPARE(img.channels, 1);
            QCOMPARE(img.bitsPerSample, 8);
        }
        if (type == ImageTIFF) // the plugin used by the module reads it too
            QCOMPARE(QImageReader(path).size(), QSize(p.width, p.height));

        // What the colour mode leaves of the red patch and of the gray steps.
        const int patchX = px(1.275, dpi), patchY = px(9.4, dpi);
        const int stepY = px(10.2, dpi);
        if (mode == 0) {
            QVERIFY(img.isRed(patchX, patchY));
        } else {
            const quint8 *c = img.at(patchX, patchY);
            QVERIFY(c[0] == c[img.channels - 1]); // no colour left
        }
        int previous = -1;
        for (int step = 0; step <= 10; ++step) {
            const int v = img.gray(px(0.9 + step * 0.6 + 0.3, dpi), stepY);
            if (mode == 2) {
                QVERIFY2(v < 30 || v > 225, qPrintable(QString("step %1 is %2").arg(step).arg(v)));
                QCOMPARE(v > 128, step * 255 / 10 >= 128);
            } else {
                QVERIFY2(qAbs(v - step * 255 / 10) < 12, qPrintable(QString("step %1 is %2").arg(step).arg(v)));
                QVERIFY(v > previous);
            }
            previous = v;
        }

        // Progress of the page: from 0 up to 100, never back.
        QTRY_VERIFY(!progress.isEmpty() && progress.last().at(1).toInt() == 100);
        QCOMPARE(progress.first().at(1).toInt(), 0);
        int last = -1;
        for (const QList<QVariant> &args : progress) {
            QCOMPARE(args.at(0).toInt(), 1); // the engine's page number
            QVERIFY(args.at(1).toInt() > last);
            last = args.at(1).toInt();
        }
    }

    void cropAgreesWithPage_data() { addModeRows(); }

    void cropAgreesWithPage()
    {
        QFETCH(int, mode);
        // TIFF is lossless, so the crop must match the page pixel for pixel.
        Page crop = area(ImageTIFF, 100, 123, 456, 301, 517);
        crop.mode = mode;
        QCOMPARE(scanJob(fullPage(ImageTIFF, mode, 100), out("whole.tif")), 0);
        QCOMPARE(scanJob(crop, out("crop.tif")), 0);
        const ReadImage a = readTiff(out("whole.tif"));
        const ReadImage b = readTiff(out("crop.tif"));
        QVERIFY(a.ok && b.ok);
        QVERIFY(b.samePixels(a.region(crop.x, crop.y, crop.width, crop.height)));
    }

    void previewAgreesWithPage()
    {
        // The module's preview: the whole glass at 41 dpi, 350 x 480 pixels.
        const QString previewPath = out("preview.bmp");
        QCOMPARE(scanJob(area(ImagePreview, 41, 0, 0, 350, 480), previewPath), 0);
        // A 300-dpi page cropped around the colour patches.
        const Page page = area(ImageJPEG, 300, 150, 2550, 2100, 600);
        QCOMPARE(scanJob(page, out("patches.jpg")), 0);

        const ReadImage a = readBmp(previewPath);
        const ReadImage b = readJpeg(out("patches.jpg"));
        QVERIFY(a.ok && b.ok);
        // The red patch centre at (1.275 in, 9.4 in), the black one at (6.475 in, 9.4 in).
        QVERIFY(a.isRed(px(1.275, 41), px(9.4, 41)));
        QVERIFY(b.isRed(px(1.275, 300) - page.x, px(9.4, 300) - page.y));
        QVERIFY(a.gray(px(6.475, 41), px(9.4, 41)) < 40);
        QVERIFY(b.gray(px(6.475, 300) - page.x, px(9.4, 300) - page.y) < 40);
        // Between the patches the paper is white in both.
        QVERIFY(a.gray(px(1.7125, 41), px(9.4, 41)) > 215);
        QVERIFY(b.gray(px(1.7125, 300) - page.x, px(9.4, 300) - page.y) > 215);
        // The corner mark of the glass is in the preview.
        QVERIFY(a.gray(px(0.45, 41), px(0.45, 41)) < 40);
    }

    // ---- feeder and duplex --------------------------------------------

    void feederEmptiesAfterItsSheets()
    {
        setEngineKeys({{"Sheets", 3}});
        QVERIFY(openDevice());
        Page p = fullPage(ImageJPEG, 1, 50);
        QCOMPARE(feederJob(p, "feed"), (QList<int>{0, 0, 0}));
        QCOMPARE(int(status().paperInFeeder), 0);
        p.source = 2;
        QCOMPARE(scan(p, out("extra.jpg")), -5); // nothing left to pull in
        endJob();
        QCOMPARE(filesIn(outDir), (QStringList{"feed_1.jpg", "feed_2.jpg", "feed_3.jpg"}));

        // The feeder is filled again for the next job.
        QVERIFY(openDevice());
        QCOMPARE(int(status().paperInFeeder), 1);
    }

    void statusAfterOpen_data()
    {
        QTest::addColumn<QVariantMap>("keys");
        QTest::addColumn<int>("power");
        QTest::addColumn<int>("errorBits");
        QTest::addColumn<int>("paper");
        QTest::newRow("empty feeder") << QVariantMap{{"Sheets", 0}} << 1 << 0 << 0;
        QTest::newRow("never wakes, error bits") << QVariantMap{{"WakeUpTime", -1}, {"WakeUpErrorBits", 2}} << 2 << 2 << 1;
    }

    void statusAfterOpen()
    {
        QFETCH(QVariantMap, keys);
        QFETCH(int, power);
        QFETCH(int, errorBits);
        QFETCH(int, paper);
        setEngineKeys(keys);
        QVERIFY(openDevice());
        const tagSCANNER_STATUS s = status();
        QCOMPARE(int(s.powerState), power);
        QCOMPARE(int(s.errorBits), errorBits);
        QCOMPARE(int(s.paperInFeeder), paper);
    }

    void duplexGivesFrontAndBack()
    {
        setEngineKeys({{"Sheets", 2}});
        Page p = fullPage(ImageTIFF, 0, 40);
        p.duplex = true;
        p.side = 0;
        QVERIFY(openDevice());
        QCOMPARE(feederJob(p, "top"), (QList<int>{0, 0, 0, 0}));
        endJob();

        p.side = 1; // "Top to Bottom": backs come out turned
        QVERIFY(openDevice());
        QCOMPARE(feederJob(p, "turned"), (QList<int>{0, 0, 0, 0}));
        endJob();

        const ReadImage front = readTiff(out("top_1.tif"));
        const ReadImage back = readTiff(out("top_2.tif"));
        const ReadImage turnedFront = readTiff(out("turned_1.tif"));
        const ReadImage turnedBack = readTiff(out("turned_2.tif"));
        QVERIFY(front.ok && back.ok && turnedFront.ok && turnedBack.ok);
        QVERIFY(!front.samePixels(back));        // "FRONT" and "BACK" differ
        QVERIFY(front.samePixels(turnedFront));  // fronts are never turned
        QVERIFY(turnedBack.samePixels(back.turned()));
        // The corner mark of the back is bottom right after the turn.
        QVERIFY(back.gray(px(0.45, 40), px(0.45, 40)) < 40);
        QVERIFY(turnedBack.gray(p.width - 1 - px(0.45, 40), p.height - 1 - px(0.45, 40)) < 40);
    }

    void duplexKeepsPaperReportedUntilTheLastBack()
    {
        setEngineKeys({{"Sheets", 1}});
        Page p = fullPage(ImageJPEG, 2, 30);
        p.source = 2;
        p.duplex = true;
        QVERIFY(openDevice());
        QCOMPARE(int(status().paperInFeeder), 1);
        QCOMPARE(scan(p, out("f.jpg")), 0);
        QCOMPARE(int(status().paperInFeeder), 1); // the back is still to come
        QCOMPARE(scan(p, out("b.jpg")), 0);
        QCOMPARE(int(status().paperInFeeder), 0);
    }

    // ---- PDF -----------------------------------------------------------

    void pdfOfThreePages_data() { addModeRows(); }

    void pdfOfThreePages()
    {
        QFETCH(int, mode);
        setEngineKeys({{"Sheets", 3}});
        const Page p = fullPage(ImagePDF, mode, 80);
        QVERIFY(openDevice());
        QCOMPARE(feederJob(p, "doc"), (QList<int>{0, 0, 0}));
        // Until the end the pages are only in the work file.
        QVERIFY(filesIn(outDir).isEmpty());
        QVERIFY(QFileInfo(config.strPDFFileName).size() > 0);
        QCOMPARE(engine->scanFinish(), 0);
        engine->closePort();
        QCOMPARE(filesIn(outDir), QStringList{"doc_3.pdf"}); // the name given with the last page
        QVERIFY(!QFile::exists(config.strPDFFileName));

        QFile f(out("doc_3.pdf"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const ParsedPdf pdf = parsePdf(f.readAll());
        QVERIFY2(pdf.error.isEmpty(), qPrintable(pdf.error));
        QCOMPARE(pdf.pageCount, 3);
        QCOMPARE(int(pdf.images.size()), 3);
        for (const QByteArray &box : pdf.mediaBoxes)
            QCOMPARE(box, QByteArray("0 0 612 792")); // 8.5 x 11 in
        for (const PdfImageInfo &image : pdf.images) {
            QCOMPARE(image.width, p.width);
            QCOMPARE(image.height, p.height);
            if (mode == 2) {
                QCOMPARE(image.filter, QByteArray("FlateDecode"));
                QCOMPARE(image.bitsPerComponent, 1);
                QCOMPARE(image.colorSpace, QByteArray("DeviceGray"));
                QCOMPARE(inflate(image.data).size(), (p.width + 7) / 8 * p.height);
            } else {
                QCOMPARE(image.filter, QByteArray("DCTDecode"));
                QCOMPARE(image.colorSpace, QByteArray(mode == 0 ? "DeviceRGB" : "DeviceGray"));
                const ReadImage decoded = readJpeg(image.data);
                QVERIFY(decoded.ok);
                QCOMPARE(decoded.width, p.width);
                QCOMPARE(decoded.channels, mode == 0 ? 3 : 1);
            }
        }

        const QString pdfinfo = QStandardPaths::findExecutable("pdfinfo");
        if (pdfinfo.isEmpty())
            return;
        QProcess info;
        info.start(pdfinfo, {out("doc_3.pdf")});
        QVERIFY(info.waitForFinished(30000));
        const QString text = QString::fromLocal8Bit(info.readAllStandardOutput());
        QCOMPARE(info.exitCode(), 0);
        QVERIFY2(text.contains(QRegularExpression("Pages:\\s+3\\n")), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression("Page size:\\s+612 x 792 pts")), qPrintable(text));
        QVERIFY2(info.readAllStandardError().isEmpty(), "pdfinfo complained");
    }

    void pdfIsDroppedWhenTheJobFails_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("cancel between pages") << "cancel";
        QTest::newRow("engine error on page 2") << "error";
        QTest::newRow("jam after page 1") << "jam";
    }

    void pdfIsDroppedWhenTheJobFails()
    {
        QFETCH(QString, how);
        QVariantMap keys{{"Sheets", 3}};
        if (how == "error")
            keys.insert("ErrorAtPage", 2);
        if (how == "jam")
            keys.insert("JamAtPage", 2);
        setEngineKeys(keys);
        Page p = fullPage(ImagePDF, 0, 40);
        p.source = 2;
        QVERIFY(openDevice());
        QCOMPARE(scan(p, out("a.pdf")), 0);
        if (how == "cancel") {
            engine->cancelJob();
        } else if (how == "error") {
            QCOMPARE(scan(p, out("b.pdf")), -32);
        } else {
            QCOMPARE(int(status().errorBits), 1);
        }
        QCOMPARE(engine->scanFinish(), 0);
        engine->closePort();
        QVERIFY(filesIn(outDir).isEmpty());
        QVERIFY(!QFile::exists(config.strPDFFileName));

        // The next job starts clean and writes only its own pages.
        setEngineKeys({{"Sheets", 1}});
        QVERIFY(openDevice());
        QCOMPARE(scan(p, out("c.pdf")), 0);
        QCOMPARE(engine->scanFinish(), 0);
        QFile f(out("c.pdf"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(parsePdf(f.readAll()).pageCount, 1);
    }

    // ---- faults --------------------------------------------------------

    void busyAnswers()
    {
        setEngineKeys({{"BusyAnswers", 3}});
        for (int job = 0; job < 2; ++job) { // counted again from every setPortName
            QCOMPARE(engine->setPortName(3000, kUsbPort), 0);
            for (int i = 0; i < 4; ++i) {
                tagResponseDeviceInfo reply{};
                QVERIFY(engine->getStatusFromSpecialPort(&reply));
                QCOMPARE(reply.busy != 0, i < 3);
                QCOMPARE(int(reply.errorFlags), 0);
            }
        }
    }

    void statusPortFailure()
    {
        setEngineKeys({{"StatusPortFail", 1}});
        QCOMPARE(engine->setPortName(3000, kUsbPort), 0);
        tagResponseDeviceInfo reply{};
        QVERIFY(!engine->getStatusFromSpecialPort(&reply));
    }

    void jamAtOpen()
    {
        setEngineKeys({{"JamAtOpen", 1}});
        QCOMPARE(engine->setPortName(3000, kUsbPort), 0);
        tagResponseDeviceInfo reply{};
        QVERIFY(engine->getStatusFromSpecialPort(&reply));
        QCOMPARE(int(reply.errorFlags & 0x04), 4);
        QCOMPARE(engine->openPort(), 0);
        QCOMPARE(int(status().errorBits), 1);
        QCOMPARE(scan(fullPage(ImageJPEG, 0, 30), out("x.jpg")), -2);
        QVERIFY(filesIn(outDir).isEmpty());
    }

    void jamAtPage_data()
    {
        QTest::addColumn<int>("jamPage");
        QTest::addColumn<QList<int>>("codes");
        // The jam shows on the status asked after the page before it.
        QTest::newRow("first sheet") << 1 << QList<int>{};
        QTest::newRow("third sheet") << 3 << QList<int>{0, 0};
    }

    void jamAtPage()
    {
        QFETCH(int, jamPage);
        QFETCH(QList<int>, codes);
        setEngineKeys({{"Sheets", 5}, {"JamAtPage", jamPage}});
        QVERIFY(openDevice());
        QCOMPARE(feederJob(fullPage(ImageJPEG, 2, 30), "j"), codes);
        tagSCANNER_STATUS s = status();
        QCOMPARE(int(s.errorBits), 1);
        QCOMPARE(int(s.paperInFeeder), 1);
        QCOMPARE(int(s.powerState), 1);
        tagResponseDeviceInfo reply{};
        QVERIFY(engine->getStatusFromSpecialPort(&reply));
        QCOMPARE(int(reply.errorFlags & 0x04), 4);
        Page p = fullPage(ImageJPEG, 2, 30);
        p.source = 2;
        QCOMPARE(scan(p, out("refused.jpg")), -2);
        QCOMPARE(filesIn(outDir).size(), codes.size());
        endJob();

        // Cleared with the next setPortName.
        setEngineKeys({{"Sheets", 5}});
        QVERIFY(openDevice());
        QCOMPARE(int(status().errorBits), 0);
    }

    void busyAtPage()
    {
        setEngineKeys({{"Sheets", 3}, {"BusyAtPage", 2}});
        QVERIFY(openDevice());
        QCOMPARE(int(status().powerState), 1);
        Page p = fullPage(ImageJPEG, 0, 30);
        p.source = 2;
        QCOMPARE(scan(p, out("1.jpg")), 0);
        QCOMPARE(int(status().powerState), 3);
        QCOMPARE(scan(p, out("2.jpg")), -22);
        QCOMPARE(filesIn(outDir), QStringList{"1.jpg"});
    }

    void deviceStatusFailure_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("from the start") << 1;
        QTest::newRow("after page 1") << 2;
    }

    void deviceStatusFailure()
    {
        QFETCH(int, page);
        setEngineKeys({{"DeviceStatusFailAtPage", page}});
        QVERIFY(openDevice());
        bool failed = false;
        status(&failed);
        QCOMPARE(failed, page == 1);
        if (page == 2) {
            Page p = fullPage(ImageJPEG, 0, 30);
            p.source = 2;
            QCOMPARE(scan(p, out("1.jpg")), 0);
            status(&failed);
            QVERIFY(failed);
        }
    }

    void wakesUpAfterItsTime()
    {
        setEngineKeys({{"WakeUpTime", 300}});
        QVERIFY(openDevice());
        tagSCANNER_STATUS s = status();
        QCOMPARE(int(s.powerState), 2);
        QCOMPARE(int(s.errorBits), 0);
        QCOMPARE(scan(fullPage(ImageJPEG, 0, 30), out("early.jpg")), -22);
        QTRY_COMPARE_WITH_TIMEOUT(int(status().powerState), 1, 5000);
        QCOMPARE(scan(fullPage(ImageJPEG, 0, 30), out("awake.jpg")), 0);
        QCOMPARE(filesIn(outDir), QStringList{"awake.jpg"});
    }

    void engineErrorAtPage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::newRow("jpeg -32") << int(ImageJPEG) << -32;
        QTest::newRow("tiff -41") << int(ImageTIFF) << -41;
        QTest::newRow("jpeg -54") << int(ImageJPEG) << -54;
    }

    void engineErrorAtPage()
    {
        QFETCH(int, type);
        QFETCH(int, code);
        QVariantMap keys{{"Sheets", 3}, {"ErrorAtPage", 2}};
        if (code != -32) // the default code
            keys.insert("ErrorCode", code);
        setEngineKeys(keys);
        QSignalSpy progress(hub.get(), &PMessage::scanningStatus);
        QVERIFY(openDevice());
        Page p = fullPage(type, 0, 40);
        QCOMPARE(feederJob(p, "e"), (QList<int>{0, code}));
        QCOMPARE(filesIn(outDir), QStringList{type == ImageTIFF ? "e_1.tif" : "e_1.jpg"});
        // Page 2 stopped half way.
        QTRY_VERIFY(!progress.isEmpty() && progress.last().at(0).toInt() == 2);
        QCOMPARE(progress.last().at(1).toInt(), 50);
    }

    void faultsAreReadAtEverySetPortName()
    {
        setEngineKeys({{"Sheets", 1}});
        QVERIFY(openDevice());
        QCOMPARE(feederJob(fullPage(ImageJPEG, 0, 20), "a"), QList<int>{0});
        endJob();
        setEngineKeys({{"Sheets", 2}, {"PageTime", 1}});
        QVERIFY(openDevice());
        QCOMPARE(feederJob(fullPage(ImageJPEG, 0, 20), "b"), (QList<int>{0, 0}));
    }

    // ---- cancel and bad input -----------------------------------------

    void cancelDuringPage_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("jpeg") << int(ImageJPEG);
        QTest::newRow("tiff") << int(ImageTIFF);
        QTest::newRow("bmp") << int(ImagePreview);
        QTest::newRow("pdf") << int(ImagePDF);
    }

    void cancelDuringPage()
    {
        QFETCH(int, type);
        setEngineKeys({{"PageTime", 20000}});
        QSignalSpy progress(hub.get(), &PMessage::scanningStatus);
        QVERIFY(openDevice());
        const Page p = fullPage(type, 0, 100);
        std::atomic<int> result{1};
        std::atomic<qint64> returnedAt{0};
        QElapsedTimer clock;
        clock.start();
        std::thread job([&] {
            result = scan(p, out("cancelled.x"));
            returnedAt = clock.elapsed();
        });
        // A failed check below must not leave the page thread joinable.
        struct Joiner
        {
            std::thread &thread;
            PTessark *engine;
            ~Joiner()
            {
                if (thread.joinable()) {
                    engine->cancelJob();
                    thread.join();
                }
            }
        } joiner{job, engine.get()};
        QTRY_VERIFY_WITH_TIMEOUT(progress.size() >= 3, 15000); // well inside the page
        const qint64 cancelledAt = clock.elapsed();
        engine->cancelJob();
        job.join();
        QCOMPARE(result.load(), -150);
        // Far sooner than the 20 s the page would take.
        QVERIFY2(returnedAt - cancelledAt < 10000, qPrintable(QString::number(returnedAt - cancelledAt)));
        QCOMPARE(engine->scanFinish(), 0);
        engine->closePort();
        QVERIFY(filesIn(outDir).isEmpty());
        QVERIFY(!QFile::exists(config.strPDFFileName));
        QVERIFY(progress.last().at(1).toInt() < 100);
    }

    void cancelBeforeThePageStarts()
    {
        QVERIFY(openDevice());
        const Page p = fullPage(ImageJPEG, 0, 30);
        engine->setParameters(hub.get(), p.x, p.y, p.width, p.height, p.dpi, p.mode, p.source, false, 0, 1, p.type,
                              out("never.jpg"));
        engine->cancelJob(); // arrives before the job thread reaches startScan
        QCOMPARE(engine->startScan(), -150);
        QCOMPARE(scan(p, out("never2.jpg")), -150); // holds for the rest of the job
        endJob();
        QVERIFY(filesIn(outDir).isEmpty());

        QVERIFY(openDevice()); // a new job is not cancelled
        QCOMPARE(scan(p, out("next.jpg")), 0);
    }

    void badParameters_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("code");
        QTest::newRow("zero width") << "width" << -40;
        QTest::newRow("zero resolution") << "dpi" << -40;
        QTest::newRow("unknown colour mode") << "mode" << -40;
        QTest::newRow("unknown paper source") << "source" << -40;
        QTest::newRow("negative offset") << "x" << -40;
        QTest::newRow("empty path") << "path" << -40;
        QTest::newRow("missing folder") << "folder" << -52;
    }

    void badParameters()
    {
        QFETCH(QString, what);
        QFETCH(int, code);
        Page p = fullPage(ImageJPEG, 0, 30);
        QString path = out("bad.jpg");
        if (what == "width")
            p.width = 0;
        else if (what == "dpi")
            p.dpi = 0;
        else if (what == "mode")
            p.mode = 3;
        else if (what == "source")
            p.source = 0;
        else if (what == "x")
            p.x = -1;
        else if (what == "path")
            path.clear();
        else if (what == "folder")
            path = out("no/such/folder/bad.jpg");
        QVERIFY(openDevice());
        QCOMPARE(scan(p, path), code);
        QVERIFY(filesIn(outDir).isEmpty());
    }

    void startScanWithoutParameters()
    {
        QCOMPARE(engine->startScan(), -20); // port not open
        QVERIFY(openDevice());
        QCOMPARE(engine->startScan(), -40);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
