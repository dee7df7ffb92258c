#pragma once

#include "pagewriter.h"
#include "pendingfile.h"

#include <vector>

struct tiff;

// One page as a single-page TIFF: colour and gray LZW-compressed with the
// horizontal predictor, black and white as CCITT Group 4 (1 = black).
class TiffPageWriter : public PageWriter
{
public:
    explicit TiffPageWriter(const QString &path);
    ~TiffPageWriter() override;

    int start(const PageFormat &format) override;
    int writeRows(const quint8 *const *rows, int count) override;
    int finish() override;
    void abort() override;

private:
    QString path;
    PendingFile file;
    tiff *tif = nullptr;
    PageFormat format;
    int nextRow = 0;
    // libtiff may change the row it encodes; the caller's rows stay untouched.
    std::vector<quint8> scratch;
};
