#pragma once

#include "scan/scanrequest.h"

#include <QString>
#include <QtGlobal>

class PaperSizeList;

// A scan area kept three ways at once: inches (the master), centimetres and
// pixels at the record's resolution, each indexed by AreaLeft, AreaTop,
// AreaWidth and AreaHeight. Left and top are offsets from the top left
// corner of the source's whole scan area.
struct ScanArea
{
    double inches[4] = {0, 0, 0, 0};
    double centimetres[4] = {0, 0, 0, 0};
    qint32 pixels[4] = {0, 0, 0, 0};

    static ScanArea fromRequest(const ScanRequest &record);
    void storeIn(ScanRequest &record) const;

    // One quantity in a unit (pixels as a double); 0 for an unknown unit.
    double value(int unit, int index) const;
    // Recomputes the four pixel values from inches.
    void updatePixels(int resolution);

    bool operator==(const ScanArea &other) const;
    bool operator!=(const ScanArea &other) const { return !(*this == other); }
};

// Sets the record's paper size. A real size replaces the area (centred
// across the feed width in the feeder); UserDefinedPaperSize only sets the
// id. False, and the record untouched, for an unknown id.
bool applyPaperSize(ScanRequest &record, const PaperSizeList &sizes, int id);

// Sets the resolution and recomputes the pixels from inches; inches and
// centimetres stay. False, and the record untouched, for a dpi below 1.
bool changeResolution(ScanRequest &record, int dpi);

enum class SizeField { Width, Height };

// What committing a typed width or height decided.
struct TypedSizeResult
{
    enum Outcome {
        Unchanged,  // the text shows the current value: nothing happens
        Refused,    // within the limits but not with the offset: the field silently gets currentText back
        OutOfRange, // outside the limits: warn with message, the field gets currentText back
        Stored,     // area holds the new value; paperSizeId becomes UserDefinedPaperSize
    };
    Outcome outcome = Unchanged;
    QString message;     // the warning text for OutOfRange
    QString currentText; // the current value as the field displays it
    ScanArea area;       // the new area when Stored, else the current one
};

// The decision for a width or height field that lost the focus, in the
// record's unit, source and resolution. Nothing is changed here.
TypedSizeResult commitTypedSize(const ScanRequest &record, SizeField field, const QString &text);

// Width and height limits in the unit the size fields use: inches and
// centimetres as they are, pixels from the inch limits at the resolution.
struct SizeRange
{
    double minWidth = 0;
    double maxWidth = 0;
    double minHeight = 0;
    double maxHeight = 0;
};
SizeRange sizeRange(int unit, int source, int resolution);
