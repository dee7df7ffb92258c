#include "jpegencoder.h"

#include <csetjmp>
#include <cstring>

#include <jpeglib.h>

namespace {
struct ErrorManager
{
    jpeg_error_mgr pub;
    jmp_buf jump;
};

// The library's default ends the process; leave through the jump instead.
void errorExit(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

void quietMessage(j_common_ptr) {}
} // namespace

struct JpegEncoder::Private
{
    jpeg_compress_struct cinfo;
    ErrorManager error;
    bool created = false;
    bool started = false;
};

JpegEncoder::JpegEncoder()
    : d(new Private)
{
    std::memset(&d->cinfo, 0, sizeof d->cinfo);
    d->cinfo.err = jpeg_std_error(&d->error.pub);
    d->error.pub.error_exit = errorExit;
    d->error.pub.output_message = quietMessage;
}

JpegEncoder::~JpegEncoder()
{
    abort();
}

// Functions holding a setjmp keep no objects with destructors in their frame.
bool JpegEncoder::start(FILE *out, const PageFormat &format, int quality)
{
    abort();
    if (!out || format.width <= 0 || format.height <= 0 || format.width > JPEG_MAX_DIMENSION
        || format.height > JPEG_MAX_DIMENSION)
        return false;
    Private *p = d.get();
    if (setjmp(p->error.jump)) {
        abort();
        return false;
    }
    jpeg_create_compress(&p->cinfo);
    p->created = true;
    jpeg_stdio_dest(&p->cinfo, out);
    p->cinfo.image_width = JDIMENSION(format.width);
    p->cinfo.image_height = JDIMENSION(format.height);
    if (format.mode == PixelMode::Color) {
        p->cinfo.input_components = 3;
        p->cinfo.in_color_space = JCS_RGB;
    } else {
        p->cinfo.input_components = 1;
        p->cinfo.in_color_space = JCS_GRAYSCALE;
    }
    jpeg_set_defaults(&p->cinfo);
    jpeg_set_quality(&p->cinfo, quality, TRUE);
    p->cinfo.write_JFIF_header = TRUE;
    p->cinfo.density_unit = 1; // dots per inch
    const int dpi = qBound(1, format.dpi, 65535);
    p->cinfo.X_density = UINT16(dpi);
    p->cinfo.Y_density = UINT16(dpi);
    jpeg_start_compress(&p->cinfo, TRUE);
    p->started = true;
    return true;
}

bool JpegEncoder::writeRows(const quint8 *const *rows, int count)
{
    Private *p = d.get();
    if (!p->started)
        return false;
    if (setjmp(p->error.jump)) {
        abort();
        return false;
    }
    // The library only reads the rows it is given.
    JSAMPARRAY array = reinterpret_cast<JSAMPARRAY>(const_cast<quint8 **>(rows));
    int done = 0;
    while (done < count) {
        const int n = int(jpeg_write_scanlines(&p->cinfo, array + done, JDIMENSION(count - done)));
        if (n <= 0)
            return false; // more rows than the image has
        done += n;
    }
    return true;
}

bool JpegEncoder::finish()
{
    Private *p = d.get();
    if (!p->started)
        return false;
    if (setjmp(p->error.jump)) {
        abort();
        return false;
    }
    jpeg_finish_compress(&p->cinfo);
    p->started = false;
    jpeg_destroy_compress(&p->cinfo);
    p->created = false;
    return true;
}

void JpegEncoder::abort()
{
    if (d->created) {
        jpeg_destroy_compress(&d->cinfo);
        d->created = false;
    }
    d->started = false;
}
