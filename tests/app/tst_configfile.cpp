#include "app/configfile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

class TestConfigFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir appDir;

    void writeModuleConfig(const QByteArray &content)
    {
        QFile f(appDir.filePath("MFPCFG.INI"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    static QString configRoot()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    }

private slots:
    void missingFileKeepsEmptyHolder()
    {
        QTemporaryDir empty;
        ConfigFile config;
        QVERIFY(!config.init(empty.path()));
        QCOMPARE(config.strAppPath, empty.path());
        QCOMPARE(config.strMfpCfgFile, empty.path() + "/MFPCFG.INI");
        QCOMPARE(config.nColorMatch, 0);
        QCOMPARE(config.nEnableLogFile, 0);
        QVERIFY(config.uiConfigFile().isEmpty());
        QVERIFY(config.pdfFileName().isEmpty());
        QVERIFY(config.configPath().isEmpty());
    }

    void directoryNamedLikeTheFileIsRefused()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("MFPCFG.INI"));
        ConfigFile config;
        QVERIFY(!config.init(dir.path()));
        QVERIFY(config.uiConfigFile().isEmpty());
    }

    void missingKeysGiveDefaults()
    {
        writeModuleConfig("[Debug]\nEnableLogFile=1\n");
        ConfigFile config;
        QVERIFY(config.init(appDir.path()));
        QCOMPARE(config.nEnableLogFile, 1);
        QCOMPARE(config.nOutputMsg, 0);
        QCOMPARE(config.nColorMatch, 1);
        const QString base = QDir::toNativeSeparators(configRoot() + "/");
        QCOMPARE(config.configPath(), base);
        // Without a settings file name the file still gets one, never the folder's.
        QCOMPARE(config.uiConfigFile(), base + "/LumerithUI.ini");
        QCOMPARE(config.strTIFFFileName, base + "/IMGTIFF.jpg");
        QCOMPARE(config.strJPEGFileName, base + "/IMGJPEG.jpg");
        QCOMPARE(config.pdfFileName(), base + "/IMGPDF.pdf");
        QCOMPARE(config.strBMPFileName, base + "/IMGBMP.bmp");
        QCOMPARE(config.strRAWFileName, base + "/IMGRAW");
        QCOMPARE(config.strRAWJPEGFileName, base + "/IMGRAWJPEG");
        QCOMPARE(config.previewBitmap(), base + "/{A5B02970-40CD-4b43-8427-F82F6FC20A99}.bmp");
        QCOMPARE(config.strCmFileNameRef, appDir.path() + "/");
    }

    void fullFileFillsEveryField()
    {
        writeModuleConfig("[MODULE_CONFIG]\nConfigPath=Maker/App\nPDFFileName=P\nTIFFFileName=T\nPREVIEW_BITMAP=prev.bmp\n"
                          "[INIFiles]\nUIConfig=ui.ini\n[LUT]\nCmFileNameRef=ref.lut\nCmFileNameAdf=adf.lut\n"
                          "[Debug]\nEnableLogFile=1\nOutputMsg=1\nColorMatch=0\n");
        ConfigFile config;
        QVERIFY(config.init(appDir.path()));
        const QString data = configRoot() + "/Maker/App";
        QCOMPARE(config.configPath(), data);
        QCOMPARE(config.uiConfigFile(), data + "/ui.ini");
        QCOMPARE(config.pdfFileName(), data + "/P.pdf");
        QCOMPARE(config.strTIFFFileName, data + "/T.jpg");
        QCOMPARE(config.previewBitmap(), data + "/prev.bmp");
        QCOMPARE(config.strCmFileNameRef, appDir.path() + "/ref.lut");
        QCOMPARE(config.strCmFileNameAdf, appDir.path() + "/adf.lut");
        QCOMPARE(config.nOutputMsg, 1);
        QCOMPARE(config.nColorMatch, 0);
        QCOMPARE(config.mfpCfgFile(), appDir.path() + "/MFPCFG.INI");
    }

    void dataDirectoryIsPrivate()
    {
        const QString rel = QString("Private%1/Data").arg(QDateTime::currentMSecsSinceEpoch());
        writeModuleConfig("[MODULE_CONFIG]\nConfigPath=" + rel.toUtf8() + "\n[INIFiles]\nUIConfig=ui.ini\n");
        ConfigFile config;
        QVERIFY(config.init(appDir.path()));
        QFileInfo info(config.configPath());
        QVERIFY(info.isDir());
        QCOMPARE(int(info.permissions() & 0x7077), 0x7000); // owner rwx, nothing for group and others

        // Every write leaves the settings file to its owner alone.
        writeHexValue(config.uiConfigFile(), "dropbox/AccessToken", "secret");
        QFile::Permissions p = QFile::permissions(config.uiConfigFile());
        QVERIFY(p & QFileDevice::ReadOwner);
        QCOMPARE(int(p & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther)), 0);
        QFile::setPermissions(config.uiConfigFile(), p | QFileDevice::ReadOther);
        {
            UserSettings s(config.uiConfigFile());
            s.setValue("CommonConfig/Duplex", true);
        }
        QCOMPARE(int(QFile::permissions(config.uiConfigFile()) & QFileDevice::ReadOther), 0);
        QCOMPARE(readHexValue(config.uiConfigFile(), "dropbox/AccessToken"), QString("secret"));
    }

    void hexText_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text");
        QTest::newRow("abc") << "616263" << true << "abc";
        QTest::newRow("upper") << "4A4b" << true << "JK";
        QTest::newRow("empty") << "" << true << "";
        QTest::newRow("zz") << "zz" << false << "";
        QTest::newRow("space") << "61 62" << false << "";
        QTest::newRow("odd length") << "616" << false << "";
        QTest::newRow("utf8") << QString::fromLatin1(QString::fromUtf8("Scän").toUtf8().toHex()) << true << QString::fromUtf8("Scän");
    }

    void hexText()
    {
        QFETCH(QString, hex);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        QString out = "stale";
        QCOMPARE(fromHexString(hex, out), ok);
        QCOMPARE(out, text);
        if (ok)
            QCOMPARE(toHexString(text), hex.toLower());
    }

    void textWithCommaIsReadAsWritten_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("comma and blank") << QByteArray("Lumerith, Scans") << "Lumerith, Scans";
        QTest::newRow("bare comma") << QByteArray("a,b") << "a,b";
        QTest::newRow("trailing comma") << QByteArray("a,") << "a,";
        QTest::newRow("comment after it") << QByteArray("a, b ; note") << "a, b";
        QTest::newRow("quoted, as written by the settings") << QByteArray("\"a, b\"") << "a, b";
        QTest::newRow("no comma") << QByteArray("Lumerith/V2") << "Lumerith/V2";
    }

    void textWithCommaIsReadAsWritten()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        writeModuleConfig("[MODULE_CONFIG]\nConfigPath=" + line + "\n[INIFiles]\nUIConfig=ui.ini\n"
                          "[Port]\nModel=" + line + "\n");
        ConfigFile config;
        QVERIFY(config.init(appDir.path()));
        QCOMPARE(config.configPath(), QDir::toNativeSeparators(configRoot() + "/" + text));
        const QSettings settings(config.mfpCfgFile(), QSettings::IniFormat);
        QCOMPARE(iniText(settings, "Port/Model"), text);
        QCOMPARE(iniText(settings, "Port/Missing", "fallback"), QString("fallback"));
    }

    void numberAsHex()
    {
        QCOMPARE(numberToHexString(3600), QString("33363030"));
        QCOMPARE(numberToHexString(-1), QString("2d31"));
    }

    void readHexValueDecodesStoredAndDefault()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("user.ini");
        {
            UserSettings s(file);
            s.setValue("google/AccessToken", "zz");
            s.setValue("google/RefreshToken", "616263");
        }
        QCOMPARE(readHexValue(file, "google/AccessToken"), QString());
        QCOMPARE(readHexValue(file, "google/RefreshToken"), QString("abc"));
        QCOMPARE(readHexValue(file, "google/Missing", "3132"), QString("12"));
        QCOMPARE(readHexValue(file, "google/Missing", "not hex"), QString());
        writeHexValue(file, "google/ExpiresIn", "3600");
        {
            QSettings raw(file, QSettings::IniFormat);
            QCOMPARE(raw.value("google/ExpiresIn").toString(), QString("33363030"));
        }
    }

    void wideBufferKeepsTerminator()
    {
        char16_t field[8 + 2];
        std::memset(field, 0xAB, sizeof field);
        copyToWideBuffer("0123456789ABC", field, 8 * int(sizeof(char16_t)));
        QCOMPARE(field[6], char16_t('6'));
        QCOMPARE(field[7], char16_t(0));
        QCOMPARE(field[8], char16_t(0xABAB)); // nothing past the field is touched
        QCOMPARE(fromWideBuffer(field, 8 * int(sizeof(char16_t))), QString("0123456"));

        copyToWideBuffer("ab", field, 8 * int(sizeof(char16_t)));
        QCOMPARE(fromWideBuffer(field, 8 * int(sizeof(char16_t))), QString("ab"));
        for (int i = 2; i < 8; ++i)
            QCOMPARE(field[i], char16_t(0));

        // A field read without any terminator stops at its end.
        char16_t full[3] = {u'x', u'y', u'z'};
        QCOMPARE(fromWideBuffer(full, int(sizeof full)), QString("xyz"));
    }
};

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
