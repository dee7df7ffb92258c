#include "ui/scanarea.h"

#include "ui/papersizelist.h"
#include "ui/scansettings.h"

#include <QCoreApplication>

#include <cmath>
#include <cstring>

ScanArea ScanArea::fromRequest(const ScanRequest &record)
{
    ScanArea area;
    std::memcpy(area.inches, record.areaInches, sizeof area.inches);
    std::memcpy(area.centimetres, record.areaCentimetres, sizeof area.centimetres);
    std::memcpy(area.pixels, record.areaPixels, sizeof area.pixels);
    return area;
}

void ScanArea::storeIn(ScanRequest &record) const
{
    std::memcpy(record.areaInches, inches, sizeof inches);
    std::memcpy(record.areaCentimetres, centimetres, sizeof centimetres);
    std::memcpy(record.areaPixels, pixels, sizeof pixels);
}

double ScanArea::value(int unit, int index) const
{
    switch (unit) {
    case Inch: return inches[index];
    case Centimetre: return centimetres[index];
    case Pixel: return pixels[index];
    default: return 0;
    }
}

void ScanArea::updatePixels(int resolution)
{
    for (int i = 0; i < 4; ++i)
        pixels[i] = inchesToPixels(inches[i], resolution);
}

bool ScanArea::operator==(const ScanArea &other) const
{
    return std::memcmp(inches, other.inches, sizeof inches) == 0
           && std::memcmp(centimetres, other.centimetres, sizeof centimetres) == 0
           && std::memcmp(pixels, other.pixels, sizeof pixels) == 0;
}

bool applyPaperSize(ScanRequest &record, const PaperSizeList &sizes, int id)
{
    const PaperSize *size = sizes.find(id);
    if (!size)
        return false;
    record.paperSizeId = id;
    if (id == UserDefinedPaperSize)
        return true;

    ScanArea area;
    // The feeder centres the page across its feed width.
    const double left = isGlass(record.paperSource) ? 0.0 : (FullScanWidth - size->widthIn) / 2;
    area.inches[AreaLeft] = left;
    area.inches[AreaTop] = 0;
    area.inches[AreaWidth] = size->widthIn;
    area.inches[AreaHeight] = size->heightIn;
    area.centimetres[AreaLeft] = left * 2.54;
    area.centimetres[AreaTop] = 0;
    area.centimetres[AreaWidth] = size->widthCm;
    area.centimetres[AreaHeight] = size->heightCm;
    area.updatePixels(record.resolution);
    area.storeIn(record);
    return true;
}

bool changeResolution(ScanRequest &record, int dpi)
{
    if (dpi < 1)
        return false;
    record.resolution = dpi;
    ScanArea area = ScanArea::fromRequest(record);
    area.updatePixels(dpi);
    area.storeIn(record);
    return true;
}

SizeRange sizeRange(int unit, int source, int resolution)
{
    SizeRange range;
    if (unit == Pixel) {
        sizeLimits(Inch, source, &range.minWidth, &range.maxWidth, &range.minHeight, &range.maxHeight);
        range.minWidth = inchesToPixels(range.minWidth, resolution);
        range.maxWidth = inchesToPixels(range.maxWidth, resolution);
        range.minHeight = inchesToPixels(range.minHeight, resolution);
        range.maxHeight = inchesToPixels(range.maxHeight, resolution);
    } else {
        sizeLimits(unit, source, &range.minWidth, &range.maxWidth, &range.minHeight, &range.maxHeight);
    }
    return range;
}

namespace {
QString rangeMessage(int unit, double minimum, double maximum)
{
    const char *text;
    switch (unit) {
    case Inch:
        text = QT_TRANSLATE_NOOP("ScanArea", "The value is out of the range. Please enter a value from %1 to %2 inch.");
        break;
    case Centimetre:
        text = QT_TRANSLATE_NOOP("ScanArea", "The value is out of the range. Please enter a value from %1 to %2 cm.");
        break;
    default:
        text = QT_TRANSLATE_NOOP("ScanArea", "The value is out of the range. Please enter a value from %1 to %2 pixel.");
        break;
    }
    return QCoreApplication::translate("ScanArea", text).arg(displayValue(minimum, unit), displayValue(maximum, unit));
}
} // namespace

TypedSizeResult commitTypedSize(const ScanRequest &record, SizeField field, const QString &text)
{
    TypedSizeResult result;
    result.area = ScanArea::fromRequest(record);
    const int unit = record.unit;
    const int quantity = field == SizeField::Width ? AreaWidth : AreaHeight;
    const int offsetIndex = field == SizeField::Width ? AreaLeft : AreaTop;
    result.currentText = displayValue(result.area.value(unit, quantity), unit);
    if (text == result.currentText)
        return result;

    // An unknown unit, or pixels without a resolution, cannot be converted.
    if ((unit != Inch && unit != Centimetre && unit != Pixel) || (unit == Pixel && record.resolution < 1)) {
        result.outcome = TypedSizeResult::Refused;
        return result;
    }

    double value = 0;
    if (unit == Pixel) {
        value = text.toInt(nullptr, 10);
    } else {
        value = text.toDouble();
        // Not a length: read as unparsable text.
        if (!std::isfinite(value))
            value = 0;
    }

    const SizeRange range = sizeRange(unit, record.paperSource, record.resolution);
    const double minimum = field == SizeField::Width ? range.minWidth : range.minHeight;
    const double maximum = field == SizeField::Width ? range.maxWidth : range.maxHeight;
    const double offset = result.area.value(unit, offsetIndex);

    // A value outside the limits is told about even when the offset would
    // refuse it as well; only one that fits alone is refused silently.
    if (value < minimum || value > maximum) {
        result.outcome = TypedSizeResult::OutOfRange;
        result.message = rangeMessage(unit, minimum, maximum);
        return result;
    }
    if (offset + value > maximum) {
        result.outcome = TypedSizeResult::Refused;
        return result;
    }

    ScanArea &area = result.area;
    switch (unit) {
    case Inch:
        area.inches[quantity] = value;
        area.centimetres[quantity] = value * 2.54;
        area.pixels[quantity] = inchesToPixels(value, record.resolution);
        break;
    case Centimetre:
        area.centimetres[quantity] = value;
        area.inches[quantity] = value / 2.54;
        area.pixels[quantity] = inchesToPixels(area.inches[quantity], record.resolution);
        break;
    default:
        area.pixels[quantity] = qint32(value);
        area.inches[quantity] = value / record.resolution;
        area.centimetres[quantity] = area.inches[quantity] * 2.54;
        break;
    }
    result.outcome = TypedSizeResult::Stored;
    return result;
}
