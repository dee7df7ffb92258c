#pragma once

#include "pagewriter.h"

#include <cstdio>
#include <memory>

// Quality of every JPEG the engine writes (page files and PDF streams).
constexpr int kJpegQuality = 85;

// Baseline JPEG (JFIF with the resolution as dots per inch) written to an open
// stream, fed in batches of rows. Colour pages become YCbCr, gray and black and
// white pages one gray channel. Failures of the library are caught and turn
// into a false result; the stream is left to the caller.
class JpegEncoder
{
public:
    JpegEncoder();
    ~JpegEncoder();

    bool start(FILE *out, const PageFormat &format, int quality = kJpegQuality);
    bool writeRows(const quint8 *const *rows, int count);
    bool finish();
    void abort();

    JpegEncoder(const JpegEncoder &) = delete;
    JpegEncoder &operator=(const JpegEncoder &) = delete;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
