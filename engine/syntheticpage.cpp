#include "syntheticpage.h"

#include "bitmapfont.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// Inches of the whole scan area the drawing covers (feeder length).
constexpr double kSheetWidth = 8.5;
constexpr double kSheetHeight = 14.0;
constexpr double kLineWidth = 0.01;

quint32 nextRandom(quint32 &state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// 0 .. 1
double uniform(quint32 &state)
{
    return (nextRandom(state) & 0xffff) / 65535.0;
}
} // namespace

SyntheticPage::SyntheticPage(const SyntheticPageSetup &pageSetup)
    : setup(pageSetup)
{
    if (setup.width > 0 && setup.height > 0 && setup.dpi > 0)
        build();
}

PageFormat SyntheticPage::format() const
{
    PageFormat f;
    f.width = setup.width;
    f.height = setup.height;
    f.dpi = setup.dpi;
    f.mode = setup.mode;
    return f;
}

void SyntheticPage::addRect(double x0, double y0, double x1, double y1, quint8 r, quint8 g, quint8 b)
{
    const double dpi = setup.dpi;
    Rect rect;
    rect.x0 = int(std::lround(x0 * dpi)) - setup.x;
    rect.x1 = int(std::lround(x1 * dpi)) - setup.x;
    rect.y0 = int(std::lround(y0 * dpi)) - setup.y;
    rect.y1 = int(std::lround(y1 * dpi)) - setup.y;
    rect.x0 = std::max(rect.x0, 0);
    rect.y0 = std::max(rect.y0, 0);
    rect.x1 = std::min(rect.x1, setup.width);
    rect.y1 = std::min(rect.y1, setup.height);
    if (rect.x0 >= rect.x1 || rect.y0 >= rect.y1)
        return;
    if (setup.turned) {
        const Rect upright = rect;
        rect.x0 = setup.width - upright.x1;
        rect.x1 = setup.width - upright.x0;
        rect.y0 = setup.height - upright.y1;
        rect.y1 = setup.height - upright.y0;
    }
    const int luma = (299 * r + 587 * g + 114 * b) / 1000;
    switch (setup.mode) {
    case PixelMode::Color:
        rect.value[0] = r;
        rect.value[1] = g;
        rect.value[2] = b;
        break;
    case PixelMode::Gray:
        rect.value[0] = rect.value[1] = rect.value[2] = quint8(luma);
        break;
    case PixelMode::BlackWhite:
        rect.value[0] = rect.value[1] = rect.value[2] = luma < 128 ? 0 : 255;
        break;
    }
    rectangles.push_back(rect);
}

void SyntheticPage::addLine(double x0, double y0, double x1, double y1, quint8 r, quint8 g, quint8 b)
{
    // Thin lines stay at least one pixel wide at any resolution.
    const double onePixel = 1.0 / setup.dpi;
    if (x1 - x0 < onePixel)
        x1 = x0 + onePixel;
    if (y1 - y0 < onePixel)
        y1 = y0 + onePixel;
    addRect(x0, y0, x1, y1, r, g, b);
}

void SyntheticPage::addText(double x, double y, double cell, const QByteArray &text, quint8 r, quint8 g, quint8 b)
{
    for (int i = 0; i < text.size(); ++i) {
        const double left = x + i * BitmapFont::kAdvance * cell;
        for (int row = 0; row < BitmapFont::kRows; ++row) {
            const quint8 bits = BitmapFont::rowBits(text.at(i), row);
            int col = 0;
            while (col < BitmapFont::kColumns) {
                if (!(bits & (0x10 >> col))) {
                    ++col;
                    continue;
                }
                const int start = col;
                while (col < BitmapFont::kColumns && (bits & (0x10 >> col)))
                    ++col;
                addRect(left + start * cell, y + row * cell, left + col * cell, y + (row + 1) * cell, r, g, b);
            }
        }
    }
}

void SyntheticPage::build()
{
    // Grid and its inch numbers.
    for (int k = 1; k < kSheetWidth; ++k) {
        addLine(k, 0, k + kLineWidth, kSheetHeight, 90, 120, 210);
        addText(k + 0.03, 0.03, 0.014, QByteArray::number(k), 90, 120, 210);
    }
    for (int k = 1; k < kSheetHeight; ++k) {
        addLine(0, k, kSheetWidth, k + kLineWidth, 90, 120, 210);
        addText(0.03, k + 0.03, 0.014, QByteArray::number(k), 90, 120, 210);
    }

    addRect(0.3, 0.3, 0.6, 0.6, 0, 0, 0);

    QByteArray title = "PAGE " + QByteArray::number(setup.pageNumber);
    if (setup.side == SyntheticPageSetup::Side::Front)
        title += " FRONT";
    else if (setup.side == SyntheticPageSetup::Side::Back)
        title += " BACK";
    addText(1.0, 0.55, 0.05, title, 0, 0, 0);
    addText(1.0, 1.15, 0.018, "SIMULATED SCANNER - " + QByteArray::number(setup.dpi) + " DPI", 60, 60, 60);

    // Text-like lines: words of varying length, paragraphs of five lines.
    for (int line = 0; line < 26; ++line) {
        if (line % 6 == 5)
            continue;
        quint32 state = quint32(line + 1) * 2654435761u;
        const double top = 2.0 + line * 0.25;
        const double end = line % 6 == 4 ? 4.5 + 2.0 * uniform(state) : 7.5;
        double left = 1.0;
        while (left < end) {
            const double right = std::min(end, left + 0.15 + 0.85 * uniform(state));
            addRect(left, top, right, top + 0.11, 30, 30, 30);
            left = right + 0.09;
        }
    }

    static const quint8 patches[8][3] = {{220, 30, 30},  {30, 170, 60}, {40, 70, 200}, {0, 170, 220},
                                         {210, 40, 160}, {250, 220, 20}, {0, 0, 0},    {128, 128, 128}};
    for (int i = 0; i < 8; ++i)
        addRect(0.9 + i * 0.85, 9.0, 0.9 + i * 0.85 + 0.75, 9.8, patches[i][0], patches[i][1], patches[i][2]);
    for (int i = 0; i <= 10; ++i) {
        const quint8 v = quint8(i * 255 / 10);
        addRect(0.9 + i * 0.6, 10.0, 0.9 + (i + 1) * 0.6, 10.4, v, v, v);
    }

    const QByteArray number = QByteArray::number(setup.pageNumber);
    const double cell = 0.06;
    const double width = (number.size() * BitmapFont::kAdvance - 1) * cell;
    addText(7.6 - width, 10.5, cell, number, 0, 0, 0);

    // Bands: between two consecutive rectangle edges every row is the same.
    std::vector<int> edges{0, setup.height};
    for (const Rect &r : rectangles) {
        edges.push_back(r.y0);
        edges.push_back(r.y1);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    bands.resize(edges.size() - 1);
    for (size_t i = 0; i + 1 < edges.size(); ++i)
        bands[i].y0 = edges[i];
    for (int index = 0; index < int(rectangles.size()); ++index) {
        const Rect &r = rectangles[size_t(index)];
        const auto first = std::lower_bound(edges.begin(), edges.end(), r.y0) - edges.begin();
        const auto last = std::lower_bound(edges.begin(), edges.end(), r.y1) - edges.begin();
        for (auto b = first; b < last; ++b)
            bands[size_t(b)].rects.push_back(index); // painted in the order drawn
    }
}

int SyntheticPage::bandAt(int row) const
{
    const auto it = std::upper_bound(bands.begin(), bands.end(), row,
                                     [](int value, const Band &band) { return value < band.y0; });
    return int(it - bands.begin()) - 1;
}

void SyntheticPage::renderBand(int band, quint8 *dst) const
{
    const int bpp = setup.mode == PixelMode::Color ? 3 : 1;
    std::memset(dst, 0xff, size_t(setup.width) * size_t(bpp));
    if (band < 0)
        return;
    for (int index : bands[size_t(band)].rects) {
        const Rect &r = rectangles[size_t(index)];
        if (bpp == 1 || (r.value[0] == r.value[1] && r.value[1] == r.value[2])) {
            std::memset(dst + size_t(r.x0) * size_t(bpp), r.value[0], size_t(r.x1 - r.x0) * size_t(bpp));
        } else {
            quint8 *p = dst + size_t(r.x0) * 3;
            for (int x = r.x0; x < r.x1; ++x, p += 3) {
                p[0] = r.value[0];
                p[1] = r.value[1];
                p[2] = r.value[2];
            }
        }
    }
}

void SyntheticPage::rows(int first, int count, const quint8 **out)
{
    const size_t rowBytes = size_t(format().bytesPerRow());
    int previousBand = -2;
    size_t used = 0;
    for (int i = 0; i < count; ++i) {
        const int band = bandAt(first + i);
        if (band != previousBand || used == 0) {
            if (pool.size() <= used)
                pool.emplace_back(rowBytes);
            renderBand(band, pool[used].data());
            ++used;
            previousBand = band;
        }
        out[i] = pool[used - 1].data();
    }
}
