#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstddef>

// One saved scan configuration. Its 384-byte little-endian image (doubles
// as IEEE 754 binary64) is what the settings file stores; toBytes and
// fromBytes write and read that image field by field, so it does not
// depend on how the compiler lays out this struct.
struct ScanConfiguration
{
    enum Kind : quint32 {
        KindPreset = 0,
        KindCustom = 1, // the "Custom..." entry
        KindUser = 2,   // saved by the user
    };

    static constexpr int ByteSize = 384;
    static constexpr int NameUnits = 132;

    quint32 kind = KindPreset;
    char16_t name[NameUnits] = {};
    qint32 scanMode = 0;
    qint32 resolution = 0;
    qint32 paperSizeId = 0;
    qint32 unit = 0;
    quint32 reserved0 = 0;
    double areaInches[4] = {0, 0, 0, 0};
    double areaCentimetres[4] = {0, 0, 0, 0};
    qint32 areaPixels[4] = {0, 0, 0, 0};
    quint32 reserved1[2] = {0, 0};
    quint8 canSaveAs = 0; // "Save As" may start from this entry
    quint8 userMade = 0;  // only these can be replaced or deleted
    quint8 reserved2[6] = {0, 0, 0, 0, 0, 0};

    QString nameText() const;
    // Keeps the last code unit zero, so the name is always terminated.
    void setName(const QString &text);
    // Whether a zero code unit ends the name inside the field.
    bool nameTerminated() const;

    QByteArray toBytes() const;
    // False when the image is not exactly ByteSize bytes long.
    static bool fromBytes(const QByteArray &bytes, ScanConfiguration &out);

    // The image as 768 lower-case hex digits, and back: false unless the
    // text is exactly that long and every character is a hex digit.
    QString toHex() const;
    static bool fromHex(const QString &hex, ScanConfiguration &out);
};

// The in-memory layout happens to match the stored image on common ABIs;
// the image itself is written explicitly either way.
static_assert(sizeof(ScanConfiguration) == ScanConfiguration::ByteSize, "a scan configuration is 384 bytes");
static_assert(offsetof(ScanConfiguration, name) == 4, "name at 4");
static_assert(offsetof(ScanConfiguration, scanMode) == 268, "scan mode at 268");
static_assert(offsetof(ScanConfiguration, areaInches) == 288, "inches at 288");
static_assert(offsetof(ScanConfiguration, areaPixels) == 352, "pixels at 352");
static_assert(offsetof(ScanConfiguration, canSaveAs) == 376, "flags at 376");
