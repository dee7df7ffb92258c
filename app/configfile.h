#pragma once

#include <QSettings>
#include <QString>
#include <QtGlobal>

// What the module configuration file says. One instance per process, filled
// once at start-up and read afterwards. The scan engine reads the same fields
// through the address it is given, so their order and types are fixed.
class ConfigFile
{
public:
    bool init(const QString &appDir);

    QString uiConfigFile() const { return strUIConfig; }
    QString mfpCfgFile() const { return strMfpCfgFile; }
    QString pdfFileName() const { return strPDFFileName; }
    QString previewBitmap() const { return strPreviewBitmap; }
    QString configPath() const { return strConfigPath; }

    qint32 nEnableLogFile = 0;
    qint32 nOutputMsg = 0;
    qint32 nColorMatch = 0;
    QString strAppPath;
    QString strMfpCfgFile;
    QString strConfigPath;
    QString strUIConfig;
    QString strPDFFileName;
    QString strBMPFileName;
    QString strJPEGFileName;
    QString strTIFFFileName;
    QString strRAWFileName;
    QString strRAWJPEGFileName;
    QString strPreviewBitmap;
    QString strCmFileNameRef;
    QString strCmFileNameAdf;
};

// A text value of an INI file as it is written there. QSettings reads an
// unquoted value holding a comma as a list ("ConfigPath=Lumerith, Scans"),
// which as text is empty; this reads such a line's text instead. Every
// reader of a text value of the module configuration file or of the user
// settings file goes through it.
QString iniText(const QSettings &settings, const QString &key, const QString &defaultValue = QString());

// Hex text: the UTF-8 bytes of a value as lower-case hex digits.
QString toHexString(const QString &value);
QString numberToHexString(int value);
bool fromHexString(const QString &hex, QString &out);
QString readHexValue(const QString &file, const QString &key, const QString &defaultValue = QString());
void writeHexValue(const QString &file, const QString &key, const QString &value);

// Fills a fixed UTF-16 field; the last code unit always stays zero.
void copyToWideBuffer(const QString &text, void *buffer, int byteSize);

// Reading a fixed UTF-16 field, bounded by its size.
QString fromWideBuffer(const void *buffer, int byteSize);

// The same for a fixed array field of a record.
template <size_t N>
QString wideText(const char16_t (&field)[N])
{
    return fromWideBuffer(field, int(sizeof field));
}

template <size_t N>
void setWideText(char16_t (&field)[N], const QString &text)
{
    copyToWideBuffer(text, field, int(sizeof field));
}

// The user settings file holds sign-in tokens: restrict it to its owner.
void protectSettingsFile(const QString &file);

// One access to the user settings file (INI). Dropping it writes the file and
// leaves it readable and writable by its owner only.
class UserSettings : public QSettings
{
public:
    explicit UserSettings(const QString &file);
    ~UserSettings() override;
};
