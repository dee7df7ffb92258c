#pragma once

#include "filepagewriter.h"

#include <vector>

// One page as a 24-bit bottom-up BMP (the preview image). Gray and black and
// white pages keep their values in all three channels.
class BmpPageWriter : public FilePageWriter
{
public:
    using FilePageWriter::FilePageWriter;
    ~BmpPageWriter() override;

    int start(const PageFormat &format) override;
    int writeRows(const quint8 *const *rows, int count) override;
    int finish() override;
    void abort() override;

private:
    PageFormat format;
    int nextRow = 0;
    qint64 stride = 0;
    std::vector<quint8> line;
};
