#include "app/configfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cstring>

bool ConfigFile::init(const QString &appDir)
{
    strAppPath = appDir;
    strMfpCfgFile = appDir + "/" + "MFPCFG.INI";
    QFileInfo info(strMfpCfgFile);
    if (!info.exists() || !info.isFile())
        return false;

    QSettings ini(strMfpCfgFile, QSettings::IniFormat);
    nEnableLogFile = ini.value("Debug/EnableLogFile", 0).toInt();
    nOutputMsg = ini.value("Debug/OutputMsg", 0).toInt();

    strConfigPath = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/"
                    + iniText(ini, "MODULE_CONFIG/ConfigPath");
    strConfigPath = QDir::toNativeSeparators(strConfigPath);
    if (!QFileInfo(strConfigPath).isDir()) {
        // Tokens will live here: only the user may enter it. Only the folders
        // created here are restricted; existing parents are left alone.
        QDir().mkpath(strConfigPath);
        QFile::setPermissions(strConfigPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // Without a name the settings would be written to the folder itself,
    // which fails: every setting and sign-in would be lost.
    QString uiConfigName = iniText(ini, "INIFiles/UIConfig").trimmed();
    if (uiConfigName.isEmpty())
        uiConfigName = QStringLiteral("LumerithUI.ini");
    strUIConfig = strConfigPath + "/" + uiConfigName;

    auto workFile = [&](const char *key, const char *def, const char *ext) {
        return strConfigPath + "/" + iniText(ini, QLatin1String(key), QLatin1String(def)) + QLatin1String(ext);
    };
    strPDFFileName = workFile("MODULE_CONFIG/PDFFileName", "IMGPDF", ".pdf");
    strBMPFileName = workFile("MODULE_CONFIG/BMPFileName", "IMGBMP", ".bmp");
    strJPEGFileName = workFile("MODULE_CONFIG/JPEGFileName", "IMGJPEG", ".jpg");
    // The engine expects its TIFF work file with the JPEG extension.
    strTIFFFileName = workFile("MODULE_CONFIG/TIFFFileName", "IMGTIFF", ".jpg");
    strRAWFileName = workFile("MODULE_CONFIG/RAWFileName", "IMGRAW", "");
    strRAWJPEGFileName = workFile("MODULE_CONFIG/RAWJPEGFileName", "IMGRAWJPEG", "");
    strPreviewBitmap = workFile("MODULE_CONFIG/PREVIEW_BITMAP", "{A5B02970-40CD-4b43-8427-F82F6FC20A99}.bmp", "");

    strCmFileNameRef = strAppPath + "/" + iniText(ini, "LUT/CmFileNameRef");
    strCmFileNameAdf = strAppPath + "/" + iniText(ini, "LUT/CmFileNameAdf");
    nColorMatch = ini.value("Debug/ColorMatch", 1).toInt();
    return true;
}

namespace {
// The text after "=" of the key's last line in its section, without a
// trailing comment; bytes as QSettings reads them (Latin-1).
QString rawIniValue(const QString &file, const QString &key)
{
    const int slash = key.indexOf('/');
    const QString section = slash < 0 ? QStringLiteral("General") : key.left(slash);
    const QString name = slash < 0 ? key : key.mid(slash + 1);
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QString current = QStringLiteral("General");
    QString found;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray &bytes : lines) {
        const QString line = QString::fromLatin1(bytes).trimmed();
        if (line.startsWith('[')) {
            current = line.mid(1, line.indexOf(']') - 1).trimmed();
            continue;
        }
        const int eq = line.indexOf('=');
        if (eq < 0 || current != section || line.left(eq).trimmed() != name)
            continue;
        QString value = line.mid(eq + 1);
        bool quoted = false;
        for (int i = 0; i < value.size(); ++i) {
            if (value.at(i) == '"') {
                quoted = !quoted;
            } else if (value.at(i) == ';' && !quoted) {
                value.truncate(i);
                break;
            }
        }
        found = value.trimmed();
    }
    return found;
}
} // namespace

QString iniText(const QSettings &settings, const QString &key, const QString &defaultValue)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return defaultValue;
    if (value.userType() != QMetaType::QStringList)
        return value.toString();
    return rawIniValue(settings.fileName(), key);
}

QString toHexString(const QString &value)
{
    return QString::fromLatin1(value.toUtf8().toHex());
}

QString numberToHexString(int value)
{
    return toHexString(QString::number(value));
}

bool fromHexString(const QString &hex, QString &out)
{
    // Two digits per byte: an odd count is a damaged value, not a shorter one.
    if (hex.size() % 2 != 0) {
        out.clear();
        return false;
    }
    for (QChar c : hex) {
        const ushort u = c.unicode();
        const bool digit = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (!digit) {
            out.clear();
            return false;
        }
    }
    out = QString::fromUtf8(QByteArray::fromHex(hex.toLatin1()));
    return true;
}

QString readHexValue(const QString &file, const QString &key, const QString &defaultValue)
{
    QString hex;
    {
        QSettings settings(file, QSettings::IniFormat);
        hex = iniText(settings, key, defaultValue);
    }
    QString text;
    fromHexString(hex, text);
    return text;
}

void writeHexValue(const QString &file, const QString &key, const QString &value)
{
    UserSettings settings(file);
    settings.setValue(key, toHexString(value));
}

void copyToWideBuffer(const QString &text, void *buffer, int byteSize)
{
    if (!buffer || byteSize <= 0)
        return;
    std::memset(buffer, 0, size_t(byteSize));
    const int units = byteSize / int(sizeof(char16_t));
    if (units <= 1)
        return;
    const int n = qMin(text.size(), units - 1);
    std::memcpy(buffer, text.utf16(), size_t(n) * sizeof(char16_t));
}

QString fromWideBuffer(const void *buffer, int byteSize)
{
    const int units = byteSize / int(sizeof(char16_t));
    const char16_t *p = static_cast<const char16_t *>(buffer);
    int n = 0;
    while (n < units && p[n] != 0)
        ++n;
    return QString::fromUtf16(p, n);
}

void protectSettingsFile(const QString &file)
{
    if (!file.isEmpty() && QFileInfo(file).isFile())
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

UserSettings::UserSettings(const QString &file)
    : QSettings(file, QSettings::IniFormat)
{
}

UserSettings::~UserSettings()
{
    sync();
    protectSettingsFile(fileName());
}
