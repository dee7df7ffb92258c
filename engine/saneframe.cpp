#include "saneframe.h"

#include "enginecodes.h"

#include <cmath>
#include <cstring>

namespace {
// The frame coordinate under the centre of page pixel n.
int frameCoordinate(int pagePixel, int dpi, double deviceDpi, bool sameDpi, int frameOrigin)
{
    if (sameDpi)
        return pagePixel - frameOrigin;
    return int(std::floor((pagePixel + 0.5) * deviceDpi / dpi)) - frameOrigin;
}

inline quint8 luminance(const quint8 *rgb)
{
    return quint8((77 * rgb[0] + 150 * rgb[1] + 29 * rgb[2]) >> 8);
}
} // namespace

int SaneFrame::start(const Geometry &geometry, const SANE_Parameters &frame, PixelMode pageMode, RowSink rowSink)
{
    geo = geometry;
    mode = pageMode;
    sink = std::move(rowSink);
    nextLine = 0;
    nextRow = 0;
    if (geo.width <= 0 || geo.height <= 0 || geo.dpi <= 0)
        return EngineCode::BadParameter;
    if (!frame.last_frame || (frame.format != SANE_FRAME_GRAY && frame.format != SANE_FRAME_RGB))
        return EngineCode::Failed;
    channels = frame.format == SANE_FRAME_RGB ? 3 : 1;
    depth = frame.depth;
    if (!(depth == 8 || depth == 16 || (depth == 1 && channels == 1)))
        return EngineCode::Failed;
    pixelsPerLine = frame.pixels_per_line;
    lineBytes = frame.bytes_per_line;
    const qint64 needed = (qint64(pixelsPerLine) * channels * depth + 7) / 8;
    if (pixelsPerLine <= 0 || lineBytes <= 0 || needed > lineBytes)
        return EngineCode::Failed;
    if (geo.deviceDpi <= 0)
        geo.deviceDpi = geo.dpi;
    sameDpi = std::fabs(geo.deviceDpi - geo.dpi) < 1e-6;

    const int pageChannels = mode == PixelMode::Color ? 3 : 1;
    columns.resize(size_t(geo.width));
    bool slice = true;
    for (int i = 0; i < geo.width; ++i) {
        int c = frameCoordinate(geo.x + i, geo.dpi, geo.deviceDpi, sameDpi, geo.frameLeft);
        if (c < 0 || c >= pixelsPerLine)
            c = -1;
        columns[size_t(i)] = c;
        if (c < 0 || c != columns[0] + i)
            slice = false;
    }
    // A page row can point into the frame line itself when nothing changes.
    const bool sameLayout = (mode == PixelMode::Color && channels == 3) || (mode == PixelMode::Gray && channels == 1);
    directOffset = slice && sameLayout ? columns[0] : -1;

    unpacked.resize(size_t(pixelsPerLine) * size_t(channels));
    row.resize(size_t(geo.width) * size_t(pageChannels));
    white.assign(size_t(geo.width) * size_t(pageChannels), 255);
    return EngineCode::Ok;
}

int SaneFrame::sourceRow(int pageRow) const
{
    return frameCoordinate(geo.y + pageRow, geo.dpi, geo.deviceDpi, sameDpi, geo.frameTop);
}

int SaneFrame::giveRow(const quint8 *pixels)
{
    const int rc = sink(pixels);
    if (rc == EngineCode::Ok)
        ++nextRow;
    return rc;
}

const quint8 *SaneFrame::unpack(const quint8 *line)
{
    if (depth == 8)
        return line;
    quint8 *out = unpacked.data();
    const int samples = pixelsPerLine * channels;
    if (depth == 16) {
        // Samples in the machine's byte order; the high byte is enough.
        for (int i = 0; i < samples; ++i) {
            quint16 v;
            std::memcpy(&v, line + 2 * i, 2);
            out[i] = quint8(v >> 8);
        }
    } else {
        // 1-bit gray: a set bit is black, the leftmost pixel the highest bit.
        for (int i = 0; i < samples; ++i)
            out[i] = (line[i >> 3] & (0x80 >> (i & 7))) ? 0 : 255;
    }
    return out;
}

const quint8 *SaneFrame::pageRow(const quint8 *pixels)
{
    if (directOffset >= 0)
        return pixels + size_t(directOffset) * size_t(channels);
    quint8 *out = row.data();
    for (int i = 0; i < geo.width; ++i) {
        const int c = columns[size_t(i)];
        const quint8 *p = c >= 0 ? pixels + size_t(c) * size_t(channels) : nullptr;
        switch (mode) {
        case PixelMode::Color:
            if (!p)
                out[0] = out[1] = out[2] = 255;
            else if (channels == 3)
                out[0] = p[0], out[1] = p[1], out[2] = p[2];
            else
                out[0] = out[1] = out[2] = p[0];
            out += 3;
            break;
        case PixelMode::Gray:
            *out++ = !p ? 255 : channels == 3 ? luminance(p) : p[0];
            break;
        case PixelMode::BlackWhite: {
            const quint8 v = !p ? 255 : channels == 3 ? luminance(p) : p[0];
            *out++ = v < 128 ? 0 : 255;
            break;
        }
        }
    }
    return row.data();
}

int SaneFrame::addLine(const quint8 *line)
{
    const int lineNumber = nextLine++;
    // Page rows above the frame (it was clamped to the glass) are white.
    while (nextRow < geo.height && sourceRow(nextRow) < lineNumber) {
        const int rc = giveRow(white.data());
        if (rc != EngineCode::Ok)
            return rc;
    }
    if (nextRow >= geo.height || sourceRow(nextRow) != lineNumber)
        return EngineCode::Ok;
    const quint8 *pixels = pageRow(unpack(line));
    // Several page rows share a frame line when the device scanned coarser.
    while (nextRow < geo.height && sourceRow(nextRow) == lineNumber) {
        const int rc = giveRow(pixels);
        if (rc != EngineCode::Ok)
            return rc;
    }
    return EngineCode::Ok;
}

int SaneFrame::finish()
{
    while (nextRow < geo.height) {
        const int rc = giveRow(white.data());
        if (rc != EngineCode::Ok)
            return rc;
    }
    return EngineCode::Ok;
}
