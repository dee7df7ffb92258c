#include "ui/scansettings.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QStyle>

#include <cmath>
#include <limits>

namespace {
const char *const Context = "ScanSettings";

const char *const PaperSourceTexts[] = {
    QT_TRANSLATE_NOOP("ScanSettings", "Exposure Glass"),
    QT_TRANSLATE_NOOP("ScanSettings", "Automatic Document Feeder"),
};
const char *const ScanModeTexts[] = {
    QT_TRANSLATE_NOOP("ScanSettings", "Full Color"),
    QT_TRANSLATE_NOOP("ScanSettings", "Grayscale"),
    QT_TRANSLATE_NOOP("ScanSettings", "Black and White"),
};
const char *const UnitTexts[] = {
    QT_TRANSLATE_NOOP("ScanSettings", "inches"),
    QT_TRANSLATE_NOOP("ScanSettings", "cm"),
    QT_TRANSLATE_NOOP("ScanSettings", "pixels"),
};
const char *const DuplexTexts[] = {
    QT_TRANSLATE_NOOP("ScanSettings", "2Sd. Portrait: Top to Top"),
    QT_TRANSLATE_NOOP("ScanSettings", "2Sd. Portrait: Top to Bottom"),
    QT_TRANSLATE_NOOP("ScanSettings", "2Sd. Landscape: Top to Top"),
    QT_TRANSLATE_NOOP("ScanSettings", "2Sd. Landscape: Top to Bottom"),
};

template <size_t N>
QString textAt(const char *const (&texts)[N], int index)
{
    if (index < 0 || index >= int(N))
        return QString();
    return QCoreApplication::translate(Context, texts[index]);
}
} // namespace

double fullScanHeight(int source)
{
    return isGlass(source) ? FullScanHeightGlass : FullScanHeightFeeder;
}

QString paperSourceText(int source)
{
    return textAt(PaperSourceTexts, source - ExposureGlass);
}

QString scanModeText(int mode)
{
    return textAt(ScanModeTexts, mode);
}

QString unitText(int unit)
{
    return textAt(UnitTexts, unit);
}

QString duplexOrderText(int order)
{
    return textAt(DuplexTexts, order);
}

void fillComboRows(QComboBox *combo, const QVector<ComboRow> &rows)
{
    if (!combo)
        return;
    combo->clear();
    const QFontMetrics metrics(combo->font());
    int widest = 0;
    for (const ComboRow &row : rows) {
        combo->addItem(row.text, row.data);
        widest = qMax(widest, metrics.horizontalAdvance(row.text));
    }
    combo->setMaxVisibleItems(qMax(1, rows.size()));
    if (widest > combo->width())
        combo->view()->setMinimumWidth(widest + combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

void fillPaperSourceComboBox(QComboBox *combo)
{
    fillComboRows(combo, {{paperSourceText(ExposureGlass), int(ExposureGlass)},
                          {paperSourceText(DocumentFeeder), int(DocumentFeeder)}});
}

void fillScanModeComboBox(QComboBox *combo)
{
    QVector<ComboRow> rows;
    for (int mode = 0; mode < ScanModeCount; ++mode)
        rows.append({scanModeText(mode), mode});
    fillComboRows(combo, rows);
}

void fillUnitComboBox(QComboBox *combo)
{
    QVector<ComboRow> rows;
    for (int unit = 0; unit < MeasureUnitCount; ++unit)
        rows.append({unitText(unit), QVariant()});
    fillComboRows(combo, rows);
}

void fillDuplexComboBox(QComboBox *combo)
{
    QVector<ComboRow> rows;
    for (int order = 0; order < DuplexOrderCount; ++order)
        rows.append({duplexOrderText(order), QVariant()});
    fillComboRows(combo, rows);
}

double roundTo(double value, int decimals, bool roundHalf)
{
    const double p = std::pow(10.0, decimals);
    double a = std::fabs(value) + 0.00001;
    if (roundHalf)
        a += 0.5 / p;
    const double scaled = a * p;
    // Converting a value outside the 64-bit range is undefined; such a value
    // has no fractional digits left to round anyway.
    if (!std::isfinite(scaled) || scaled >= 9.2e18)
        return value;
    const double result = double(qint64(scaled)) / p;
    return value < 0 ? -result : result;
}

qint32 inchesToPixels(double inches, int resolution)
{
    const double pixels = roundTo(inches * resolution, 0, true);
    if (!std::isfinite(pixels))
        return 0;
    const double bound = double(std::numeric_limits<qint32>::max());
    return qint32(qBound(-bound, pixels, bound));
}

QString displayValue(double value, int unit)
{
    if (unit == Pixel)
        return QString::number(qint64(roundTo(value, 0, true)));
    return QString::number(roundTo(value, 2, true), 'f', 2);
}

bool sizeLimits(int unit, int source, double *minWidth, double *maxWidth, double *minHeight, double *maxHeight)
{
    double limits[4];
    const bool glass = isGlass(source);
    if (unit == Inch) {
        if (glass) {
            limits[0] = 0.3; limits[1] = 8.5; limits[2] = 0.3; limits[3] = 11.693;
        } else {
            limits[0] = 5.5; limits[1] = 8.5; limits[2] = 5.5; limits[3] = 14.0;
        }
    } else if (unit == Centimetre) {
        if (glass) {
            limits[0] = 0.76; limits[1] = 21.59; limits[2] = 0.76; limits[3] = 29.7;
        } else {
            limits[0] = 13.97; limits[1] = 21.59; limits[2] = 13.97; limits[3] = 35.56;
        }
    } else {
        return false;
    }
    if (minWidth)
        *minWidth = limits[0];
    if (maxWidth)
        *maxWidth = limits[1];
    if (minHeight)
        *minHeight = limits[2];
    if (maxHeight)
        *maxHeight = limits[3];
    return true;
}

bool isMetricLocale()
{
    return isMetricLocale(QLocale::system());
}

bool isMetricLocale(const QLocale &locale)
{
    return locale.measurementSystem() != QLocale::ImperialUSSystem;
}
