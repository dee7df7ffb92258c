#include "tiffpagewriter.h"

#include "enginecodes.h"

#include <QFile>

#include <cstring>
#include <tiffio.h>
#include <unistd.h>

TiffPageWriter::~TiffPageWriter()
{
    abort();
}

int TiffPageWriter::start(const PageFormat &pageFormat)
{
    abort();
    if (pageFormat.width <= 0 || pageFormat.height <= 0)
        return EngineCode::BadParameter;
    const int rc = file.create(path);
    if (rc != EngineCode::Ok)
        return rc;
    const int fd = ::dup(file.fd());
    tif = fd >= 0 ? TIFFFdOpen(fd, QFile::encodeName(path).constData(), "w") : nullptr;
    if (!tif) {
        if (fd >= 0)
            ::close(fd);
        abort();
        return EngineCode::SaveFailed;
    }
    format = pageFormat;
    nextRow = 0;

    const bool bw = format.mode == PixelMode::BlackWhite;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(format.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(format.height));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(format.dpi));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(format.dpi));
    if (bw) {
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(1));
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    } else {
        const bool color = format.mode == PixelMode::Color;
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(color ? 3 : 1));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, color ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    }
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    if (lineBytes <= 0) {
        abort();
        return EngineCode::BadParameter;
    }
    // Strips of about 256 KiB keep memory small and readers fast.
    const uint32_t rowsPerStrip = uint32_t(qBound<tmsize_t>(1, (256 * 1024) / lineBytes, format.height));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    scratch.assign(size_t(lineBytes), 0);
    return EngineCode::Ok;
}

int TiffPageWriter::writeRows(const quint8 *const *rows, int count)
{
    if (!tif)
        return EngineCode::SaveFailed;
    for (int i = 0; i < count; ++i) {
        if (nextRow >= format.height) {
            abort();
            return EngineCode::SaveFailed;
        }
        const quint8 *src = rows[i];
        if (format.mode == PixelMode::BlackWhite) {
            std::memset(scratch.data(), 0, scratch.size());
            for (int x = 0; x < format.width; ++x) {
                if (src[x] < 128)
                    scratch[size_t(x >> 3)] |= quint8(0x80 >> (x & 7));
            }
        } else {
            std::memcpy(scratch.data(), src, size_t(format.bytesPerRow()));
        }
        if (TIFFWriteScanline(tif, scratch.data(), uint32_t(nextRow), 0) < 0) {
            abort();
            return EngineCode::SaveFailed;
        }
        ++nextRow;
    }
    return EngineCode::Ok;
}

int TiffPageWriter::finish()
{
    if (!tif || nextRow != format.height) {
        abort();
        return EngineCode::SaveFailed;
    }
    const bool flushed = TIFFFlush(tif) != 0;
    TIFFClose(tif);
    tif = nullptr;
    if (!flushed) {
        abort();
        return EngineCode::SaveFailed;
    }
    return file.commit();
}

void TiffPageWriter::abort()
{
    if (tif) {
        TIFFClose(tif);
        tif = nullptr;
    }
    file.discard();
}
