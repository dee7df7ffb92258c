#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <QtGlobal>

class QComboBox;

// The fixed vocabularies of a scan. The codes are stored in the settings
// file and in saved configurations and are passed to the engine: never
// renumber them.
enum PaperSource : qint32 {
    ExposureGlass = 1,
    DocumentFeeder = 2,
};

enum ScanMode : qint32 {
    FullColor = 0,
    Grayscale = 1,
    BlackAndWhite = 2,
};

enum MeasureUnit : qint32 {
    Inch = 0,
    Centimetre = 1,
    Pixel = 2,
};

enum DuplexOrder : qint32 {
    DuplexPortraitTopToTop = 0,
    DuplexPortraitTopToBottom = 1,
    DuplexLandscapeTopToTop = 2,
    DuplexLandscapeTopToBottom = 3,
};

constexpr int ScanModeCount = 3;
constexpr int MeasureUnitCount = 3;
constexpr int DuplexOrderCount = 4;

// Whole scan area of each source (inches); the glass is also 21.59 by 29.7 cm.
constexpr double FullScanWidth = 8.5;
constexpr double FullScanHeightGlass = 11.693;
constexpr double FullScanHeightFeeder = 14.0;
constexpr double FullScanWidthCm = 21.59;
constexpr double FullScanHeightGlassCm = 29.7;

// Anything that is not the glass is the feeder, as in the stored lists.
inline bool isGlass(int source) { return source == ExposureGlass; }
double fullScanHeight(int source);

// Translated list texts; empty for an unknown code.
QString paperSourceText(int source);
QString scanModeText(int mode);
QString unitText(int unit);
QString duplexOrderText(int order);

// One row of a drop-down list: its text and its item data (invalid for
// lists whose row index is the code).
struct ComboRow
{
    QString text;
    QVariant data;
};

// Replaces the rows of a drop-down list, shows them all without scrolling
// and widens the drop-down view when a text does not fit the control.
void fillComboRows(QComboBox *combo, const QVector<ComboRow> &rows);

// The four fixed lists: paper source and scan mode carry their code as item
// data, unit and duplex order use the row index as the code.
void fillPaperSourceComboBox(QComboBox *combo);
void fillScanModeComboBox(QComboBox *combo);
void fillUnitComboBox(QComboBox *combo);
void fillDuplexComboBox(QComboBox *combo);

// The one rounding rule of every conversion and every displayed value.
double roundTo(double value, int decimals, bool roundHalf);

// Pixels of a length in inches at a resolution.
qint32 inchesToPixels(double inches, int resolution);

// A value as the size fields show it: two decimals for inches and
// centimetres, a plain integer for pixels.
QString displayValue(double value, int unit);

// Legal width and height range per unit and source. Each output is
// optional. Only inches and centimetres are known; for any other unit
// nothing is written and the result is false.
bool sizeLimits(int unit, int source, double *minWidth = nullptr, double *maxWidth = nullptr,
                double *minHeight = nullptr, double *maxHeight = nullptr);

// False only when the locale measures in US units; UK imperial counts as metric.
bool isMetricLocale();
bool isMetricLocale(const QLocale &locale);
