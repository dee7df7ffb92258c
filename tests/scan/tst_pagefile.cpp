#include "app/configfile.h"
#include "app/globals.h"
#include "scan/pagefile.h"
#include "scan/scanrequest.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {
void touch(const QString &path, qint64 size = 0)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    if (size > 0)
        f.resize(size);
}
} // namespace

class TestPageFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void cleanup()
    {
        setFreeSpaceQuery(nullptr);
        setPageClock(nullptr);
    }

    void nameFollowsTheRule_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("ext");
        QTest::newRow("jpeg") << int(ImageJPEG) << ".jpg";
        QTest::newRow("tiff") << int(ImageTIFF) << ".tif";
        QTest::newRow("pdf") << int(ImagePDF) << ".pdf";
        QTest::newRow("unused 2") << 2 << ".jpg";
    }

    void nameFollowsTheRule()
    {
        QFETCH(int, type);
        QFETCH(QString, ext);
        QString path;
        QCOMPARE(makePageFileName(type, dir.path(), "Scan", path), 0);
        const QRegularExpression re("^" + QRegularExpression::escape(dir.path()) + "/Scan_\\d{8}_\\d{6}"
                                    + QRegularExpression::escape(ext) + "$");
        QVERIFY2(re.match(path).hasMatch(), qPrintable(path));
        QVERIFY(!QFile::exists(path)); // the probe is gone
    }

    void trailingSlashIsNotDoubled()
    {
        QString path;
        QCOMPARE(makePageFileName(ImageJPEG, dir.path() + "/", "P", path), 0);
        QVERIFY(!path.contains("//"));
        QVERIFY(path.startsWith(dir.path() + "/P_"));
    }

    void namesInOneSecondGetSuffixes()
    {
        QTemporaryDir d;
        QStringList names;
        for (int i = 0; i < 3; ++i) {
            QString path;
            QCOMPARE(makePageFileName(ImageJPEG, d.path(), "Scan", path), 0);
            touch(path); // the engine writes the page
            names << path;
        }
        // Names that share a stamp get _1, _2 in the order they were made.
        QMap<QString, QStringList> byStamp;
        for (const QString &name : names) {
            const QString base = QFileInfo(name).completeBaseName();
            byStamp[base.left(QString("Scan_20261207_101500").size())] << base;
        }
        for (auto it = byStamp.cbegin(); it != byStamp.cend(); ++it) {
            for (int i = 0; i < it.value().size(); ++i)
                QCOMPARE(it.value()[i], i == 0 ? it.key() : it.key() + "_" + QString::number(i));
        }
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 3);
    }

    void unusableFolders()
    {
        QString path;
        QCOMPARE(makePageFileName(ImageJPEG, "", "Scan", path), -52);
        QCOMPARE(makePageFileName(ImageJPEG, dir.filePath("missing"), "Scan", path), -52);
        touch(dir.filePath("plainfile"));
        QCOMPARE(makePageFileName(ImageJPEG, dir.filePath("plainfile"), "Scan", path), -52);
        QVERIFY(path.isEmpty());
    }

    void prefixNeverLeadsOutOfTheFolder_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::newRow("parent") << "../x";
        QTest::newRow("subfolder") << "sub/x";
        QTest::newRow("backslash") << "..\\x";
    }

    void prefixNeverLeadsOutOfTheFolder()
    {
        QFETCH(QString, prefix);
        QTemporaryDir d;
        QVERIFY(QDir(d.path()).mkdir("sub"));
        QString path;
        QCOMPARE(makePageFileName(ImageJPEG, d.path() + "/sub", prefix, path), -52);
        QVERIFY(path.isEmpty());
        QCOMPARE(QDir(d.path()).entryList(QDir::Files).size() + QDir(d.path() + "/sub").entryList(QDir::Files).size(), 0);
        QVERIFY(!isValidFilePrefix(prefix));
    }

    void sameMillisecondMovesOnASecond()
    {
        const QDateTime instant(QDate(2026, 12, 7), QTime(10, 15, 0, 250));
        setPageClock([&] { return instant; });
        QTemporaryDir d;
        QString first, second;
        QCOMPARE(makePageFileName(ImageJPEG, d.path(), "Scan", first), 0);
        QCOMPARE(makePageFileName(ImageJPEG, d.path(), "Scan", second), 0);
        QCOMPARE(QFileInfo(first).fileName(), QString("Scan_20261207_101500.jpg"));
        QCOMPARE(QFileInfo(second).fileName(), QString("Scan_20261207_101501.jpg"));
    }

    void noFreeNameGives55()
    {
        const QDateTime instant(QDate(2026, 12, 7), QTime(10, 15, 0));
        setPageClock([&] { return instant; });
        QTemporaryDir d;
        const QString base = d.filePath("S_20261207_101500");
        touch(base + ".jpg");
        for (int n = 1; n <= 65535; ++n)
            touch(base + "_" + QString::number(n) + ".jpg");
        QString path;
        QCOMPARE(makePageFileName(ImageJPEG, d.path(), "S", path), -55);
        QVERIFY(path.isEmpty());
    }

    void readOnlyFolderGives52()
    {
        if (geteuid() == 0)
            QSKIP("root can write into any folder");
        QTemporaryDir d;
        QFile::setPermissions(d.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QString path;
        QCOMPARE(makePageFileName(ImageJPEG, d.path(), "Scan", path), -52);
        QFile::setPermissions(d.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void longPathGives56()
    {
        // An existing folder whose path is 250 characters long.
        QString folder = dir.path();
        while (folder.size() < 250) {
            const int remaining = 250 - folder.size();
            const int take = remaining >= 103 ? 100 : remaining == 102 ? 50 : remaining - 1;
            folder += "/" + QString(take, 'd');
        }
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(folder.size(), 250);
        QString path;
        QCOMPARE(makePageFileName(ImageJPEG, folder, "0123456789", path), -56);
    }

    void diskCheck()
    {
        const qint64 MiB = 1048576;
        const QString tempRoot = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
        qint64 tempFree = 60 * MiB, targetFree = 60 * MiB;
        setFreeSpaceQuery([&](const QString &p) { return p == tempRoot ? tempFree : targetFree; });
        const QString page = dir.filePath("Scan_1.jpg");
        QVERIFY(checkDiskSpace(page, ImageJPEG));
        targetFree = 50 * MiB;
        QVERIFY(checkDiskSpace(page, ImageJPEG));
        targetFree = 50 * MiB - 1;
        QVERIFY(!checkDiskSpace(page, ImageJPEG));
        targetFree = 500 * MiB;
        tempFree = 49 * MiB;
        QVERIFY(!checkDiskSpace(page, ImageJPEG));
        tempFree = 60 * MiB;

        // A PDF job keeps room beside its growing work file.
        configFile().strPDFFileName = dir.filePath("IMGPDF.pdf");
        touch(configFile().strPDFFileName, 40 * MiB);
        targetFree = 55 * MiB;
        QVERIFY(checkDiskSpace(page, ImagePDF));
        targetFree = 49 * MiB + 512 * 1024;
        QVERIFY(!checkDiskSpace(page, ImagePDF));
        // A big work file eats the room even on a volume with 50 MiB free.
        touch(configFile().strPDFFileName, 52 * MiB);
        targetFree = 60 * MiB;
        QVERIFY(!checkDiskSpace(page, ImagePDF));
        QVERIFY(checkDiskSpace(page, ImageJPEG));
        QFile::remove(configFile().strPDFFileName);
        QVERIFY(checkDiskSpace(page, ImagePDF));
    }

    void realVolumeHasSpace()
    {
        QVERIFY(freeSpaceOf(dir.filePath("not-yet-written.jpg")) > 0);
    }
};

QTEST_GUILESS_MAIN(TestPageFile)
#include "tst_pagefile.moc"
