#include "bmppagewriter.h"

#include "enginecodes.h"

#include <cmath>
#include <cstring>
#include <unistd.h>

namespace {
constexpr qint64 kHeaderSize = 14 + 40;

void put16(quint8 *p, quint16 v)
{
    p[0] = quint8(v);
    p[1] = quint8(v >> 8);
}

void put32(quint8 *p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = quint8(v >> (8 * i));
}

bool writeAll(int fd, const quint8 *data, size_t size, qint64 offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, off_t(offset));
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
        offset += n;
    }
    return true;
}
} // namespace

BmpPageWriter::~BmpPageWriter()
{
    abort();
}

int BmpPageWriter::start(const PageFormat &pageFormat)
{
    abort();
    stride = (qint64(pageFormat.width) * 3 + 3) & ~qint64(3);
    const qint64 imageSize = stride * pageFormat.height;
    if (pageFormat.width <= 0 || pageFormat.height <= 0 || kHeaderSize + imageSize > 0x7fffffff)
        return EngineCode::BadParameter;
    const int rc = file.create(path);
    if (rc != EngineCode::Ok)
        return rc;
    format = pageFormat;
    nextRow = 0;
    line.assign(size_t(stride), 0);

    quint8 header[kHeaderSize] = {};
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, quint32(kHeaderSize + imageSize));
    put32(header + 10, quint32(kHeaderSize));
    put32(header + 14, 40);
    put32(header + 18, quint32(format.width));
    put32(header + 22, quint32(format.height)); // positive: rows bottom-up
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, quint32(imageSize));
    const quint32 perMetre = quint32(std::lround(format.dpi / 0.0254));
    put32(header + 38, perMetre);
    put32(header + 42, perMetre);
    if (!writeAll(file.fd(), header, sizeof header, 0)) {
        abort();
        return EngineCode::SaveFailed;
    }
    return EngineCode::Ok;
}

int BmpPageWriter::writeRows(const quint8 *const *rows, int count)
{
    if (file.fd() < 0)
        return EngineCode::SaveFailed;
    for (int i = 0; i < count; ++i) {
        if (nextRow >= format.height) {
            abort();
            return EngineCode::SaveFailed;
        }
        const quint8 *src = rows[i];
        quint8 *dst = line.data();
        if (format.mode == PixelMode::Color) {
            for (int x = 0; x < format.width; ++x, src += 3, dst += 3) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
        } else {
            for (int x = 0; x < format.width; ++x, dst += 3)
                dst[0] = dst[1] = dst[2] = src[x];
        }
        const qint64 offset = kHeaderSize + stride * (format.height - 1 - nextRow);
        if (!writeAll(file.fd(), line.data(), line.size(), offset)) {
            abort();
            return EngineCode::SaveFailed;
        }
        ++nextRow;
    }
    return EngineCode::Ok;
}

int BmpPageWriter::finish()
{
    if (file.fd() < 0 || nextRow != format.height) {
        abort();
        return EngineCode::SaveFailed;
    }
    return file.commit();
}

void BmpPageWriter::abort()
{
    file.discard();
}
