#pragma once

#include "filepagewriter.h"
#include "jpegencoder.h"

// One page as a JPEG file. Black and white pages are written as gray pixels
// that are only black or white, since JPEG has no 1-bit form.
class JpegPageWriter : public FilePageWriter
{
public:
    using FilePageWriter::FilePageWriter;
    ~JpegPageWriter() override;

    int start(const PageFormat &format) override;
    int writeRows(const quint8 *const *rows, int count) override;
    int finish() override;
    void abort() override;

private:
    FILE *stream = nullptr;
    JpegEncoder encoder;
};
