#pragma once

#include "pagewriter.h"

#include <QtGlobal>

#include <functional>
#include <vector>

#include <sane/sane.h>

// Turns the lines of one SANE frame into exactly the rows of the page the job
// asked for. The device may have rounded the scan area to its own steps,
// clamped it to its glass or scanned at another resolution; each page pixel
// takes the frame pixel under its centre on the glass (white where the frame
// has none), and the frame's pixel layout (1, 8 or 16 bits, gray or RGB)
// becomes the page's colour mode.
class SaneFrame
{
public:
    struct Geometry
    {
        // The page: pixels at dpi, from the top left corner of the glass.
        int x = 0, y = 0, width = 0, height = 0;
        int dpi = 0;
        // The frame: the device's resolution and its first pixel's place
        // on the glass, in device pixels.
        double deviceDpi = 0;
        int frameLeft = 0, frameTop = 0;
    };
    // Takes each page row in turn; 0 or an engine code to stop.
    using RowSink = std::function<int(const quint8 *row)>;

    // 0, or -999 for a frame layout the engine does not read (three-pass
    // colour, 1-bit colour, lines too short for their pixels).
    int start(const Geometry &geometry, const SANE_Parameters &frame, PixelMode mode, RowSink sink);
    int bytesPerLine() const { return lineBytes; }
    // One complete line of the frame, bytesPerLine() long.
    int addLine(const quint8 *line);
    // Rows the frame did not reach are white.
    int finish();
    int rowsDone() const { return nextRow; }
    int height() const { return geo.height; }

private:
    const quint8 *unpack(const quint8 *line);
    const quint8 *pageRow(const quint8 *pixels);
    int sourceRow(int row) const;
    int giveRow(const quint8 *row);

    Geometry geo;
    PixelMode mode = PixelMode::Color;
    RowSink sink;
    int channels = 1;  // of the frame: 1 gray, 3 RGB
    int depth = 8;
    int pixelsPerLine = 0;
    int lineBytes = 0;
    int nextLine = 0;  // frame lines seen
    int nextRow = 0;   // page rows given out
    bool sameDpi = true;
    int directOffset = -1; // first frame column of a page row that is a plain slice, else -1
    std::vector<int> columns; // frame column of each page column, -1 for white
    std::vector<quint8> unpacked;
    std::vector<quint8> row;
    std::vector<quint8> white;
};
