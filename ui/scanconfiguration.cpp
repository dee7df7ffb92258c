#include "ui/scanconfiguration.h"

#include "app/configfile.h"

#include <QtEndian>

#include <cstring>

namespace {
// Byte offsets of the stored image.
enum Offset {
    OffKind = 0,
    OffName = 4,
    OffScanMode = 268,
    OffResolution = 272,
    OffPaperSizeId = 276,
    OffUnit = 280,
    OffReserved0 = 284,
    OffInches = 288,
    OffCentimetres = 320,
    OffPixels = 352,
    OffReserved1 = 368,
    OffCanSaveAs = 376,
    OffUserMade = 377,
    OffReserved2 = 378,
};

void putU32(uchar *image, int offset, quint32 value)
{
    qToLittleEndian<quint32>(value, image + offset);
}

void putDouble(uchar *image, int offset, double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    qToLittleEndian<quint64>(bits, image + offset);
}

quint32 getU32(const uchar *image, int offset)
{
    return qFromLittleEndian<quint32>(image + offset);
}

double getDouble(const uchar *image, int offset)
{
    const quint64 bits = qFromLittleEndian<quint64>(image + offset);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool isHexDigit(ushort c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
} // namespace

QString ScanConfiguration::nameText() const
{
    return fromWideBuffer(name, int(sizeof name));
}

void ScanConfiguration::setName(const QString &text)
{
    copyToWideBuffer(text, name, int(sizeof name));
}

bool ScanConfiguration::nameTerminated() const
{
    for (char16_t unit : name) {
        if (unit == 0)
            return true;
    }
    return false;
}

QByteArray ScanConfiguration::toBytes() const
{
    uchar image[ByteSize] = {};
    putU32(image, OffKind, kind);
    for (int i = 0; i < NameUnits; ++i)
        qToLittleEndian<quint16>(quint16(name[i]), image + OffName + 2 * i);
    putU32(image, OffScanMode, quint32(scanMode));
    putU32(image, OffResolution, quint32(resolution));
    putU32(image, OffPaperSizeId, quint32(paperSizeId));
    putU32(image, OffUnit, quint32(unit));
    putU32(image, OffReserved0, reserved0);
    for (int i = 0; i < 4; ++i) {
        putDouble(image, OffInches + 8 * i, areaInches[i]);
        putDouble(image, OffCentimetres + 8 * i, areaCentimetres[i]);
        putU32(image, OffPixels + 4 * i, quint32(areaPixels[i]));
    }
    putU32(image, OffReserved1, reserved1[0]);
    putU32(image, OffReserved1 + 4, reserved1[1]);
    image[OffCanSaveAs] = canSaveAs;
    image[OffUserMade] = userMade;
    std::memcpy(image + OffReserved2, reserved2, sizeof reserved2);
    return QByteArray(reinterpret_cast<const char *>(image), ByteSize);
}

bool ScanConfiguration::fromBytes(const QByteArray &bytes, ScanConfiguration &out)
{
    if (bytes.size() != ByteSize)
        return false;
    const uchar *image = reinterpret_cast<const uchar *>(bytes.constData());
    ScanConfiguration c;
    c.kind = getU32(image, OffKind);
    for (int i = 0; i < NameUnits; ++i)
        c.name[i] = char16_t(qFromLittleEndian<quint16>(image + OffName + 2 * i));
    c.scanMode = qint32(getU32(image, OffScanMode));
    c.resolution = qint32(getU32(image, OffResolution));
    c.paperSizeId = qint32(getU32(image, OffPaperSizeId));
    c.unit = qint32(getU32(image, OffUnit));
    c.reserved0 = getU32(image, OffReserved0);
    for (int i = 0; i < 4; ++i) {
        c.areaInches[i] = getDouble(image, OffInches + 8 * i);
        c.areaCentimetres[i] = getDouble(image, OffCentimetres + 8 * i);
        c.areaPixels[i] = qint32(getU32(image, OffPixels + 4 * i));
    }
    c.reserved1[0] = getU32(image, OffReserved1);
    c.reserved1[1] = getU32(image, OffReserved1 + 4);
    c.canSaveAs = image[OffCanSaveAs];
    c.userMade = image[OffUserMade];
    std::memcpy(c.reserved2, image + OffReserved2, sizeof c.reserved2);
    out = c;
    return true;
}

QString ScanConfiguration::toHex() const
{
    return QString::fromLatin1(toBytes().toHex());
}

bool ScanConfiguration::fromHex(const QString &hex, ScanConfiguration &out)
{
    if (hex.size() != 2 * ByteSize)
        return false;
    for (QChar c : hex) {
        if (!isHexDigit(c.unicode()))
            return false;
    }
    return fromBytes(QByteArray::fromHex(hex.toLatin1()), out);
}
