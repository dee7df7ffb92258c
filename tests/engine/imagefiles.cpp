#include "imagefiles.h"

#include "scan/scanrequest.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <tiffio.h>
#include <zlib.h>

int ReadImage::gray(int x, int y) const
{
    const quint8 *p = at(x, y);
    return channels == 1 ? p[0] : (299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000;
}

bool ReadImage::isRed(int x, int y) const
{
    const quint8 *p = at(x, y);
    return channels == 3 && p[0] > 170 && p[1] < 90 && p[2] < 90;
}

ReadImage ReadImage::region(int x, int y, int w, int h) const
{
    ReadImage r = *this;
    r.width = w;
    r.height = h;
    r.pixels.assign(size_t(w) * size_t(h) * size_t(channels), 0);
    for (int row = 0; row < h; ++row)
        std::memcpy(r.pixels.data() + size_t(row) * size_t(w) * size_t(channels), at(x, y + row),
                    size_t(w) * size_t(channels));
    return r;
}

ReadImage ReadImage::turned() const
{
    ReadImage r = *this;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(r.pixels.data() + (size_t(height - 1 - y) * size_t(width) + size_t(width - 1 - x)) * size_t(channels),
                        at(x, y), size_t(channels));
    return r;
}

bool ReadImage::samePixels(const ReadImage &other) const
{
    return width == other.width && height == other.height && channels == other.channels && pixels == other.pixels;
}

namespace {
struct JpegError
{
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<JpegError *>(cinfo->err)->jump, 1);
}

void quiet(j_common_ptr) {}

bool decodeJpeg(const QByteArray &data, ReadImage &img, std::vector<quint8> &pixels)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jpegErrorExit;
    err.pub.output_message = quiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(data.constData()), (unsigned long)data.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    img.width = int(cinfo.output_width);
    img.height = int(cinfo.output_height);
    img.channels = cinfo.output_components;
    img.bitsPerSample = 8;
    if (cinfo.density_unit == 1) {
        img.dpiX = cinfo.X_density;
        img.dpiY = cinfo.Y_density;
    }
    pixels.resize(size_t(img.width) * size_t(img.height) * size_t(img.channels));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + size_t(cinfo.output_scanline) * size_t(img.width) * size_t(img.channels);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}
} // namespace

ReadImage readJpeg(const QByteArray &data)
{
    ReadImage img;
    std::vector<quint8> pixels;
    img.ok = decodeJpeg(data, img, pixels);
    img.pixels.swap(pixels);
    return img;
}

ReadImage readJpeg(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return ReadImage();
    return readJpeg(f.readAll());
}

ReadImage readTiff(const QString &path)
{
    ReadImage img;
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tif)
        return img;
    uint32_t w = 0, h = 0;
    uint16_t spp = 1, bps = 1, photometric = 0, unit = 0, compression = 0;
    float xres = 0, yres = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres);
    img.width = int(w);
    img.height = int(h);
    img.channels = spp;
    img.bitsPerSample = bps;
    img.compression = compression;
    if (unit == RESUNIT_INCH) {
        img.dpiX = xres;
        img.dpiY = yres;
    }
    std::vector<quint8> line(size_t(TIFFScanlineSize(tif)));
    img.pixels.resize(size_t(w) * size_t(h) * spp);
    bool ok = true;
    for (uint32_t y = 0; y < h && ok; ++y) {
        ok = TIFFReadScanline(tif, line.data(), y, 0) >= 0;
        quint8 *dst = img.pixels.data() + size_t(y) * w * spp;
        if (bps == 8) {
            std::memcpy(dst, line.data(), size_t(w) * spp);
        } else if (bps == 1) {
            for (uint32_t x = 0; x < w; ++x) {
                const bool bit = line[x >> 3] & (0x80 >> (x & 7));
                const bool white = photometric == PHOTOMETRIC_MINISWHITE ? !bit : bit;
                dst[x] = white ? 255 : 0;
            }
        } else {
            ok = false;
        }
    }
    TIFFClose(tif);
    img.ok = ok;
    return img;
}

QByteArray inflate(const QByteArray &data)
{
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    if (inflateInit(&zs) != Z_OK)
        return QByteArray();
    QByteArray out;
    char buffer[65536];
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    zs.avail_in = uInt(data.size());
    int rc;
    do {
        zs.next_out = reinterpret_cast<Bytef *>(buffer);
        zs.avail_out = sizeof buffer;
        rc = ::inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            inflateEnd(&zs);
            return QByteArray();
        }
        out.append(buffer, int(sizeof buffer - zs.avail_out));
    } while (rc != Z_STREAM_END);
    inflateEnd(&zs);
    return out;
}

namespace {
int intValue(const QByteArray &dict, const char *key)
{
    const QRegularExpression re(QString("/%1\\s+(\\d+)").arg(QLatin1String(key)));
    const auto m = re.match(QString::fromLatin1(dict));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QByteArray nameValue(const QByteArray &dict, const char *key)
{
    const QRegularExpression re(QString("/%1\\s*/(\\w+)").arg(QLatin1String(key)));
    const auto m = re.match(QString::fromLatin1(dict));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}
} // namespace

ParsedPdf parsePdf(const QByteArray &file)
{
    ParsedPdf pdf;
    if (!file.startsWith("%PDF-1.")) {
        pdf.error = "no header";
        return pdf;
    }
    const QRegularExpression tail("startxref\\s+(\\d+)\\s+%%EOF\\s*$");
    const auto tm = tail.match(QString::fromLatin1(file.right(64)));
    if (!tm.hasMatch()) {
        pdf.error = "no startxref";
        return pdf;
    }
    const int xref = tm.captured(1).toInt();
    if (file.mid(xref, 5) != "xref\n") {
        pdf.error = "startxref does not point at xref";
        return pdf;
    }
    int pos = xref + 5;
    const int lineEnd = file.indexOf('\n', pos);
    const QList<QByteArray> head = file.mid(pos, lineEnd - pos).split(' ');
    if (head.size() != 2 || head[0] != "0") {
        pdf.error = "bad xref subsection";
        return pdf;
    }
    const int count = head[1].toInt();
    pos = lineEnd + 1;
    std::vector<QByteArray> objects(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const QByteArray entry = file.mid(pos + 20 * i, 20);
        if (entry.size() != 20 || entry.at(10) != ' ' || entry.at(16) != ' ' || entry.right(2) != " \n") {
            pdf.error = QString("bad xref entry %1").arg(i);
            return pdf;
        }
        if (i == 0)
            continue;
        const int offset = entry.left(10).toInt();
        const QByteArray header = QByteArray::number(i) + " 0 obj";
        if (file.mid(offset, header.size()) != header) {
            pdf.error = QString("xref entry %1 points elsewhere").arg(i);
            return pdf;
        }
        const int body = offset + header.size();
        const int streamAt = file.indexOf("stream\n", body);
        const int endObj = file.indexOf("endobj", body);
        if (endObj < 0) {
            pdf.error = QString("object %1 has no end").arg(i);
            return pdf;
        }
        if (streamAt >= 0 && streamAt < endObj) {
            const QByteArray dict = file.mid(body, streamAt - body);
            const int length = intValue(dict, "Length");
            const int dataAt = streamAt + 7;
            if (length < 0 || file.mid(dataAt + length, 10) != "\nendstream") {
                pdf.error = QString("object %1: stream length wrong").arg(i);
                return pdf;
            }
            if (dict.contains("/Subtype /Image")) {
                PdfImageInfo image;
                image.width = intValue(dict, "Width");
                image.height = intValue(dict, "Height");
                image.bitsPerComponent = intValue(dict, "BitsPerComponent");
                image.colorSpace = nameValue(dict, "ColorSpace");
                image.filter = nameValue(dict, "Filter");
                image.data = file.mid(dataAt, length);
                pdf.images.push_back(image);
            }
            objects[size_t(i)] = dict;
        } else {
            objects[size_t(i)] = file.mid(body, endObj - body);
        }
    }
    const QByteArray trailer = file.mid(pos + 20 * count);
    if (!trailer.startsWith("trailer") || !trailer.contains("/Root 1 0 R") || intValue(trailer, "Size") != count) {
        pdf.error = "bad trailer";
        return pdf;
    }
    const QRegularExpression page("/Type\\s*/Page(?!s)");
    const QRegularExpression box("/MediaBox\\s*\\[([^\\]]*)\\]");
    int treeCount = -1;
    for (const QByteArray &obj : objects) {
        const QString text = QString::fromLatin1(obj);
        if (page.match(text).hasMatch()) {
            ++pdf.pageCount;
            pdf.mediaBoxes.push_back(box.match(text).captured(1).simplified().toLatin1());
        }
        if (text.contains("/Type /Pages"))
            treeCount = intValue(obj, "Count");
    }
    if (treeCount != pdf.pageCount)
        pdf.error = "page tree count differs from the page objects";
    return pdf;
}

ReadImage readBmp(const QString &path)
{
    ReadImage img;
    QImage q(path, "BMP");
    if (q.isNull())
        return img;
    img.ok = true;
    img.width = q.width();
    img.height = q.height();
    img.channels = 3;
    img.bitsPerSample = q.depth() == 24 || q.depth() == 32 ? 8 : q.depth();
    img.dpiX = q.dotsPerMeterX() * 0.0254;
    img.dpiY = q.dotsPerMeterY() * 0.0254;
    const QImage rgb = q.convertToFormat(QImage::Format_RGB888);
    img.pixels.resize(size_t(img.width) * size_t(img.height) * 3);
    for (int y = 0; y < img.height; ++y)
        std::memcpy(img.pixels.data() + size_t(y) * size_t(img.width) * 3, rgb.constScanLine(y), size_t(img.width) * 3);
    return img;
}

ReadImage readPage(const QString &path, int type)
{
    return type == ImageTIFF ? readTiff(path) : type == ImagePreview ? readBmp(path) : readJpeg(path);
}
