#pragma once

#include "filepagewriter.h"

#include <vector>

struct tiff;

// One page as a single-page TIFF: colour and gray LZW-compressed with the
// horizontal predictor, black and white as CCITT Group 4 (1 = black).
class TiffPageWriter : public FilePageWriter
{
public:
    using FilePageWriter::FilePageWriter;
    ~TiffPageWriter() override;

    int start(const PageFormat &format) override;
    int writeRows(const quint8 *const *rows, int count) override;
    int finish() override;
    void abort() override;

private:
    tiff *tif = nullptr;
    PageFormat format;
    int nextRow = 0;
    // libtiff may change the row it encodes; the caller's rows stay untouched.
    std::vector<quint8> scratch;
};
