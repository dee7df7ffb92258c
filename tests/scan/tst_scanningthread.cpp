#include "scan/pagefile.h"
#include "scan/pmessage.h"
#include "scan/scanningthread.h"
#include "simdevice.h"
#include "testsupport.h"

#include <QDir>
#include <QImageReader>
#include <QSignalSpy>
#include <QtTest>

#include <cstring>

namespace {
int pdfPageCount(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = f.readAll();
    return pdf.count("/Type /Page") - pdf.count("/Type /Pages");
}
} // namespace

// Runs jobs against the simulated scanner and records what the hub says.
class TestScanningThread : public QObject
{
    Q_OBJECT

private:
    SimDevice sim;
    QTemporaryDir out;
    PMessage hub;
    int wakeUpLimitMs = 60000;

    struct Outcome
    {
        QList<QPair<int, int>> dialogs;
        QList<int> errors;
        QList<QVariantList> pages;
        QList<QPair<int, int>> wakeUps;
        int previews = 0;
        bool cancelled = false;
    };

    ScanRequest request(int source = 1, int imageType = ImageJPEG)
    {
        ScanRequest r;
        std::memset(&r, 0, sizeof r);
        r.paperSource = source;
        r.scanMode = 0;
        r.resolution = 100;
        r.paperSizeId = 4;
        r.areaPixels[AreaWidth] = 850;
        r.areaPixels[AreaHeight] = 1100;
        r.localImageType = imageType;
        r.cloudImageType = imageType;
        copyToWideBuffer(out.path(), r.localFolder, int(sizeof r.localFolder));
        copyToWideBuffer("Scan", r.localFilePrefix, int(sizeof r.localFilePrefix));
        copyToWideBuffer(out.path(), r.cloudLocalFolder, int(sizeof r.cloudLocalFolder));
        copyToWideBuffer("Cloud", r.cloudFilePrefix, int(sizeof r.cloudFilePrefix));
        copyToWideBuffer("folder-id-7", r.cloudFolderId, int(sizeof r.cloudFolderId));
        return r;
    }

    // act runs on the job thread at each scanningDialog report (status, page).
    Outcome run(const ScanRequest &r, int target, std::function<void(ScanningThread *, int, int)> act = nullptr,
                std::function<void(ScanningThread *, int)> onWake = nullptr,
                std::function<void(ScanningThread *)> onPage = nullptr)
    {
        Outcome o;
        ScanningThread job(&hub);
        QSignalSpy dialogs(&hub, &PMessage::scanningDialog);
        QSignalSpy errors(&hub, &PMessage::postErrorCode);
        QSignalSpy pages(&hub, &PMessage::finishedPage);
        QSignalSpy wakes(&hub, &PMessage::wakeUpDialog);
        QSignalSpy previews(&job, &ScanningThread::finishedPreview);
        QMetaObject::Connection c1, c2, c3;
        if (onPage)
            c3 = connect(&hub, &PMessage::finishedPage, &hub, [&] { onPage(&job); }, Qt::DirectConnection);
        if (act)
            c1 = connect(&hub, &PMessage::scanningDialog, &hub, [&](int s, int p) { act(&job, s, p); },
                         Qt::DirectConnection);
        if (onWake)
            c2 = connect(&hub, &PMessage::wakeUpDialog, &hub, [&](int s, int) { onWake(&job, s); },
                         Qt::DirectConnection);
        job.setRequest(r, target);
        job.setWakeUpLimit(wakeUpLimitMs);
        job.start();
        if (!job.wait(120000))
            qFatal("scan job hangs");
        disconnect(c1);
        disconnect(c2);
        disconnect(c3);
        for (const auto &a : dialogs)
            o.dialogs.append({a.at(0).toInt(), a.at(1).toInt()});
        for (const auto &a : errors)
            o.errors.append(a.at(0).toInt());
        for (const auto &a : wakes)
            o.wakeUps.append({a.at(0).toInt(), a.at(1).toInt()});
        o.pages = QList<QVariantList>(pages.begin(), pages.end());
        o.previews = previews.size();
        o.cancelled = job.isCancelled();
        return o;
    }

private slots:
    void init()
    {
        sim.configure({});
        SimDevice::chooseUsb();
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
    }

    void cleanup()
    {
        setFreeSpaceQuery(nullptr);
        wakeUpLimitMs = 60000;
    }

    void glassJobMakesOnePage()
    {
        ScanRequest r = request();
        r.areaPixels[AreaLeft] = 30;
        r.areaPixels[AreaTop] = 40;
        r.areaPixels[AreaWidth] = 321;
        r.areaPixels[AreaHeight] = 123;
        const Outcome o = run(r, TargetLocal);
        QVERIFY(o.errors.isEmpty());
        QCOMPARE(o.dialogs, (QList<QPair<int, int>>{{0, 1}, {2, 1}}));
        const QStringList files = filesIn(out.path());
        QCOMPARE(files.size(), 1);
        QVERIFY(files[0].startsWith("Scan_") && files[0].endsWith(".jpg"));
        QCOMPARE(QImageReader(out.filePath(files[0])).size(), QSize(321, 123));
        QVERIFY(o.pages.isEmpty()); // local pages are not announced
    }

    void feederJobs_data()
    {
        QTest::addColumn<QString>("sheets");
        QTest::addColumn<bool>("duplex");
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<int>>("errors");
        QTest::addColumn<int>("pages");
        QTest::newRow("three sheets") << "3" << false << int(ImageJPEG) << QList<int>{} << 3;
        QTest::newRow("duplex gives both sides") << "2" << true << int(ImageTIFF) << QList<int>{} << 4;
        QTest::newRow("empty feeder at the start") << "0" << false << int(ImageJPEG) << QList<int>{-5} << 0;
    }

    void feederJobs()
    {
        QFETCH(QString, sheets);
        QFETCH(bool, duplex);
        QFETCH(int, type);
        QFETCH(QList<int>, errors);
        QFETCH(int, pages);
        sim.configure({{"Sheets", sheets}});
        ScanRequest r = request(2, type);
        r.duplex = duplex;
        const Outcome o = run(r, TargetLocal);
        QCOMPARE(o.errors, errors);
        // A progress dialog opened and closed for each page in turn.
        QList<QPair<int, int>> dialogs;
        for (int page = 1; page <= pages; ++page)
            dialogs << qMakePair(0, page) << qMakePair(2, page);
        QCOMPARE(o.dialogs, dialogs);
        const QStringList files = filesIn(out.path());
        QCOMPARE(files.size(), pages);
        for (const QString &f : files)
            QCOMPARE(QImageReader(out.filePath(f)).size(), QSize(850, 1100));
    }

    void busyMachineIsAskedTenTimes()
    {
        sim.configure({{"BusyAnswers", "10"}});
        g_log.clear();
        QtMessageHandler previous = qInstallMessageHandler(captureLog);
        const Outcome o = run(request(), TargetLocal);
        qInstallMessageHandler(previous);
        QCOMPARE(o.errors, QList<int>{-22});
        QStringList busy = g_log.filter("Device busy times:");
        QCOMPARE(busy.size(), 10);
        QCOMPARE(busy.first(), QString("Device busy times: 0"));
        QCOMPARE(busy.last(), QString("Device busy times: 9"));

        sim.configure({{"BusyAnswers", "9"}});
        QVERIFY(run(request(), TargetLocal).errors.isEmpty());
    }

    void faultsEndTheJobWithTheirCode_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("filesLeft");
        QTest::newRow("status port") << "StatusPortFail" << "1" << 1 << -21 << 0;
        QTest::newRow("jam before opening") << "JamAtOpen" << "1" << 1 << -2 << 0;
        QTest::newRow("jam at first page") << "JamAtPage" << "1" << 2 << -2 << 0;
        QTest::newRow("jam at third sheet") << "JamAtPage" << "3" << 2 << -2 << 2;
        QTest::newRow("device status") << "DeviceStatusFailAtPage" << "1" << 1 << -31 << 0;
        QTest::newRow("device status later") << "DeviceStatusFailAtPage" << "2" << 2 << -31 << 1;
        QTest::newRow("busy state") << "BusyAtPage" << "1" << 1 << -22 << 0;
        QTest::newRow("engine timeout") << "ErrorAtPage" << "1" << 1 << -32 << 0;
        QTest::newRow("engine page limit") << "ErrorAtPage" << "2" << 2 << -32 << 1;
        // Any other code of the engine passes through as it is.
        QTest::newRow("engine code -41") << "ErrorCode" << "-41" << 1 << -41 << 0;
        QTest::newRow("engine code -54") << "ErrorCode" << "-54" << 1 << -54 << 0;
    }

    void faultsEndTheJobWithTheirCode()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, source);
        QFETCH(int, code);
        QFETCH(int, filesLeft);
        QMap<QString, QString> keys{{key, value}, {"Sheets", "3"}};
        if (key == "ErrorCode")
            keys.insert("ErrorAtPage", "1");
        sim.configure(keys);
        const Outcome o = run(request(source), TargetLocal);
        QCOMPARE(o.errors, QList<int>{code});
        // Only complete pages are left, never a partial one.
        const QStringList files = filesIn(out.path());
        QCOMPARE(files.size(), filesLeft);
        for (const QString &f : files)
            QCOMPARE(QImageReader(out.filePath(f)).size(), QSize(850, 1100));
    }

    void noScannerChosen()
    {
        deviceLists().setDevice(0, 0, 0, "", "");
        QCOMPARE(run(request(), TargetLocal).errors, QList<int>{-34});
        deviceLists().setDevice(1, 0, 1, "10.9.9.9", "Unknown");
        QCOMPARE(run(request(), TargetLocal).errors, QList<int>{-20});
    }

    void unusableFolderAndFullDisk()
    {
        ScanRequest r = request();
        copyToWideBuffer(out.filePath("missing"), r.localFolder, int(sizeof r.localFolder));
        QCOMPARE(run(r, TargetLocal).errors, QList<int>{-52});

        setFreeSpaceQuery([](const QString &) { return qint64(10) * 1048576; });
        const Outcome o = run(request(), TargetLocal);
        QCOMPARE(o.errors, QList<int>{-43});
        QVERIFY(o.dialogs.isEmpty());
        QVERIFY(filesIn(out.path()).isEmpty()); // the early check leaves nothing
    }

    void wakeUpReportsProgress()
    {
        sim.configure({{"WakeUpTime", "1200"}});
        const Outcome o = run(request(), TargetLocal);
        QVERIFY(o.errors.isEmpty());
        QVERIFY(o.wakeUps.size() >= 3);
        QCOMPARE(o.wakeUps.first(), qMakePair(0, 0));
        QCOMPARE(o.wakeUps.last(), qMakePair(2, 100));
        for (int i = 1; i + 1 < o.wakeUps.size(); ++i) {
            QCOMPARE(o.wakeUps[i].first, 1);
            QVERIFY(o.wakeUps[i].second >= 0 && o.wakeUps[i].second <= 100);
        }
        QCOMPARE(filesIn(out.path()).size(), 1);
    }

    void wakeUpOutcomes_data()
    {
        QTest::addColumn<QString>("wakeUpTime");
        QTest::addColumn<QString>("errorBits");
        QTest::addColumn<QString>("busyAtPage");
        QTest::addColumn<QString>("statusFailAfter");
        QTest::addColumn<int>("code");
        QTest::newRow("never wakes") << "-1" << "0" << "0" << "0" << -111;
        QTest::newRow("jam") << "5000" << "1" << "0" << "0" << -2;
        QTest::newRow("further error") << "5000" << "2" << "0" << "0" << -4;
        QTest::newRow("jam and another bit") << "5000" << "3" << "0" << "0" << -2;
        QTest::newRow("busy once awake") << "600" << "0" << "1" << "0" << -22;
        QTest::newRow("status lost while asleep") << "5000" << "0" << "0" << "1" << -31;
    }

    void wakeUpOutcomes()
    {
        QFETCH(QString, wakeUpTime);
        QFETCH(QString, errorBits);
        QFETCH(QString, busyAtPage);
        QFETCH(QString, statusFailAfter);
        QFETCH(int, code);
        sim.configure({{"WakeUpTime", wakeUpTime}, {"WakeUpErrorBits", errorBits}, {"BusyAtPage", busyAtPage},
                       {"DeviceStatusFailAfter", statusFailAfter}});
        wakeUpLimitMs = 1500;
        const Outcome o = run(request(), TargetLocal);
        QCOMPARE(o.errors, QList<int>{code});
        QCOMPARE(o.wakeUps.first(), qMakePair(0, 0));
        QCOMPARE(o.wakeUps.last(), qMakePair(2, 100));
        QVERIFY(o.dialogs.isEmpty());
    }

    void duplexSideOfTurningPaperSizes_data()
    {
        QTest::addColumn<int>("paperSizeId");
        QTest::addColumn<bool>("duplex");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("side");
        QTest::newRow("letter") << 4 << true << 1 << 1;
        QTest::newRow("size 5") << 5 << true << 1 << 3;
        QTest::newRow("size 7") << 7 << true << 3 << 1;
        QTest::newRow("size 5, one side") << 5 << false << 1 << 1;
    }

    void duplexSideOfTurningPaperSizes()
    {
        QFETCH(int, paperSizeId);
        QFETCH(bool, duplex);
        QFETCH(int, order);
        QFETCH(int, side);
        sim.configure({{"Sheets", "1"}});
        ScanRequest r = request(2);
        r.paperSizeId = paperSizeId;
        r.duplex = duplex;
        r.duplexOrder = order;
        g_log.clear();
        QtMessageHandler previous = qInstallMessageHandler(captureLog);
        const Outcome o = run(r, TargetLocal);
        qInstallMessageHandler(previous);
        QVERIFY(o.errors.isEmpty());
        // What the engine was handed: ... paper source, duplex, duplex side, image type, path.
        const QStringList calls = g_log.filter("SimulatorBackend::setParameters");
        QCOMPARE(calls.size(), duplex ? 2 : 1);
        for (const QString &call : calls)
            QCOMPARE(call.split(' ').at(9), QString::number(side));
    }

    void cancellingTheWakeUp()
    {
        sim.configure({{"WakeUpTime", "-1"}});
        const Outcome o = run(request(), TargetLocal, nullptr, [](ScanningThread *job, int status) {
            if (status == 1)
                job->stopWakeUp();
        });
        QCOMPARE(o.errors, QList<int>{-150}); // a code that shows no message
        QCOMPARE(o.wakeUps.last(), qMakePair(2, 100));
        QVERIFY(o.dialogs.isEmpty());
        QVERIFY(filesIn(out.path()).isEmpty());
    }

    void cancelAfterAPageEndsThePageIsKept()
    {
        sim.configure({{"Sheets", "3"}});
        const Outcome o = run(request(2), TargetLocal, [](ScanningThread *job, int status, int page) {
            if (status == 2 && page == 1)
                job->cancel();
        });
        // The page call had returned 0: the job stops with the page kept and no message.
        QVERIFY(o.cancelled);
        QVERIFY(o.errors.isEmpty());
        QCOMPARE(o.dialogs, (QList<QPair<int, int>>{{0, 1}, {2, 1}}));
        QCOMPARE(filesIn(out.path()).size(), 1);
    }

    void cancelAfterACloudPageLeavesNoFile()
    {
        sim.configure({{"Sheets", "3"}});
        const QString dataFolder = configFile().configPath();
        const Outcome o = run(request(2), TargetCloud, [](ScanningThread *job, int status, int page) {
            if (status == 2 && page == 1)
                job->cancel();
        });
        QVERIFY(o.cancelled);
        QVERIFY(o.pages.isEmpty());
        // Not handed on for upload, so nothing would ever delete it.
        QCOMPARE(filesIn(dataFolder).filter("Cloud_"), QStringList());
    }

    void cancelBetweenFeederPages()
    {
        sim.configure({{"Sheets", "3"}});
        // The cancel lands after the page was handed on, before the next page starts.
        const Outcome o = run(request(2), TargetCloudAndLocal, nullptr, nullptr, [](ScanningThread *job) { job->cancel(); });
        QVERIFY(o.cancelled);
        QCOMPARE(o.errors, QList<int>{-150});
        QCOMPARE(o.dialogs, (QList<QPair<int, int>>{{0, 1}, {2, 1}}));
        QCOMPARE(o.pages.size(), 1);
        QCOMPARE(filesIn(out.path()).size(), 1);
    }

    void cancelInsideAPage()
    {
        sim.configure({{"PageTime", "3000"}, {"Sheets", "3"}});
        QSignalSpy status(&hub, &PMessage::scanningStatus);
        const Outcome o = run(request(2), TargetLocal, [](ScanningThread *job, int s, int) {
            if (s == 0) {
                QThread::msleep(300);
                tessark().cancelJob(); // as the progress dialog does, from another thread
                job->cancel();
            }
        });
        QCOMPARE(o.errors, QList<int>{-150});
        QCOMPARE(o.dialogs, (QList<QPair<int, int>>{{0, 1}, {2, 1}}));
        QVERIFY(filesIn(out.path()).isEmpty());
    }

    void cloudPagesAreAnnounced()
    {
        sim.configure({{"Sheets", "2"}});
        Outcome o = run(request(2), TargetCloud);
        QVERIFY(o.errors.isEmpty());
        QCOMPARE(o.pages.size(), 2);
        for (const QVariantList &page : o.pages) {
            QCOMPARE(page.at(0).toString(), QString("folder-id-7"));
            QVERIFY(page.at(1).toString().startsWith(configFile().configPath() + "/Cloud_"));
            QVERIFY(QFileInfo(page.at(1).toString()).size() > 0); // complete when announced
            QCOMPARE(page.at(2).toInt(), int(ImageJPEG));
            QCOMPARE(page.at(3).toBool(), true);
            QFile::remove(page.at(1).toString());
        }
        o = run(request(2), TargetCloudAndLocal);
        QCOMPARE(o.pages.size(), 2);
        QCOMPARE(o.pages[0].at(3).toBool(), false);
        QVERIFY(o.pages[0].at(1).toString().startsWith(out.path() + "/Cloud_"));
    }

    void pdfIsAnnouncedOnceWhenComplete()
    {
        sim.configure({{"Sheets", "3"}});
        const Outcome o = run(request(2, ImagePDF), TargetCloudAndLocal);
        QVERIFY(o.errors.isEmpty());
        QCOMPARE(o.pages.size(), 1);
        const QString pdf = o.pages[0].at(1).toString();
        QVERIFY(pdf.endsWith(".pdf"));
        QCOMPARE(pdfPageCount(pdf), 3);
        QCOMPARE(filesIn(out.path()), QStringList{QFileInfo(pdf).fileName()});

        // A PDF whose job failed is neither written nor announced.
        QFile::remove(pdf);
        sim.configure({{"Sheets", "3"}, {"JamAtPage", "3"}});
        const Outcome failed = run(request(2, ImagePDF), TargetCloudAndLocal);
        QCOMPARE(failed.errors, QList<int>{-2});
        QVERIFY(failed.pages.isEmpty());
        QVERIFY(filesIn(out.path()).isEmpty());
    }

    void previewWritesTheBitmap()
    {
        ScanRequest r = request();
        r.resolution = 41;
        r.localImageType = ImagePreview;
        r.areaPixels[AreaWidth] = 350;
        r.areaPixels[AreaHeight] = 480;
        const QString bmp = out.filePath("preview.bmp");
        copyToWideBuffer(bmp, r.localFilePrefix, int(sizeof r.localFilePrefix));
        const Outcome o = run(r, TargetPreview);
        QVERIFY(o.errors.isEmpty());
        QCOMPARE(o.previews, 1);
        QImageReader reader(bmp);
        QCOMPARE(reader.format(), QByteArray("bmp"));
        QCOMPARE(reader.size(), QSize(350, 480));
    }
};

QTEST_GUILESS_MAIN(TestScanningThread)
#include "tst_scanningthread.moc"
