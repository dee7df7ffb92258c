#pragma once

#include "pagewriter.h"

#include <QByteArray>

#include <vector>

// What the simulated scanner sees: a test sheet drawn in inches on the glass,
// so that a crop (x, y in pixels at the resolution), a preview and a full page
// show the same things in the same places. Top left of the glass is (0, 0).
//
//   0.3-0.6 in   black square marking the top left corner
//   every inch   blue grid lines, numbered along the top and left edges
//   y 0.55 in    "PAGE n", with "FRONT" or "BACK" on duplex pages
//   y 1.15 in    "SIMULATED SCANNER - r DPI"
//   y 2 to 8.4   dark text-like lines in paragraphs, from x 1.0 to 7.5 in
//   y 9.0-9.8    red, green, blue, cyan, magenta, yellow, black, gray patches
//   y 10.0-10.4  eleven gray steps from black to white
//   y 10.5       the page number, large, right-aligned at x 7.6 in
//
// A turned page is the same drawing rotated by 180 degrees within the area.
// Rows are produced from a list of rectangles sorted into horizontal bands:
// every row of a band is the same, so each band is drawn once.
struct SyntheticPageSetup
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int dpi = 0;
    PixelMode mode = PixelMode::Color;
    int pageNumber = 1;
    enum class Side { Single, Front, Back } side = Side::Single;
    bool turned = false;
};

class SyntheticPage
{
public:
    explicit SyntheticPage(const SyntheticPageSetup &setup);

    PageFormat format() const;
    // Points rows[0..count) at the pixels of rows first..first+count-1. Rows
    // that look alike share one buffer; the pointers last until the next call.
    void rows(int first, int count, const quint8 **rows);

private:
    struct Rect
    {
        int x0, x1, y0, y1; // area pixels, end exclusive
        quint8 value[3];    // in the page's pixel mode
    };
    struct Band
    {
        int y0;
        std::vector<int> rects;
    };

    void build();
    void addRect(double x0, double y0, double x1, double y1, quint8 r, quint8 g, quint8 b);
    void addLine(double x0, double y0, double x1, double y1, quint8 r, quint8 g, quint8 b);
    void addText(double x, double y, double cell, const QByteArray &text, quint8 r, quint8 g, quint8 b);
    int bandAt(int row) const;
    void renderBand(int band, quint8 *dst) const;

    SyntheticPageSetup setup;
    std::vector<Rect> rectangles;
    std::vector<Band> bands;
    std::vector<std::vector<quint8>> pool;
};
