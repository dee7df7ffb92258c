#pragma once

#include "jpegencoder.h"
#include "pagewriter.h"
#include "pendingfile.h"

// One page as a JPEG file. Black and white pages are written as gray pixels
// that are only black or white, since JPEG has no 1-bit form.
class JpegPageWriter : public PageWriter
{
public:
    explicit JpegPageWriter(const QString &path);
    ~JpegPageWriter() override;

    int start(const PageFormat &format) override;
    int writeRows(const quint8 *const *rows, int count) override;
    int finish() override;
    void abort() override;

private:
    QString path;
    PendingFile file;
    FILE *stream = nullptr;
    JpegEncoder encoder;
};
