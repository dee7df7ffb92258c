#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

class PdfPageStore;

// How the pixels of one page are laid out in the rows a writer is given.
enum class PixelMode {
    Color,       // 3 bytes per pixel, R G B
    Gray,        // 1 byte per pixel
    BlackWhite,  // 1 byte per pixel, only 0 (black) and 255 (white)
};

struct PageFormat
{
    int width = 0;
    int height = 0;
    int dpi = 0;
    PixelMode mode = PixelMode::Color;

    int bytesPerRow() const { return mode == PixelMode::Color ? width * 3 : width; }
};

// Turns rows of pixels, top to bottom, into one page of an image file. Every
// method returns 0 or an engine error code (-52 the file cannot be created,
// -55 it cannot be written). A writer that is destroyed before finish() leaves
// nothing behind.
class PageWriter
{
public:
    virtual ~PageWriter() = default;

    virtual int start(const PageFormat &format) = 0;
    // count rows, each bytesPerRow() long; several entries may point to the
    // same row, so writers must not change them.
    virtual int writeRows(const quint8 *const *rows, int count) = 0;
    // The page is complete and in place.
    virtual int finish() = 0;
    // Drops the page: no file and no part of it remains.
    virtual void abort() = 0;
};

// The writer for an image type: 0 a 24-bit BMP, 3 a single-page TIFF, 4 one
// page of the PDF gathered in the store, anything else a JPEG file. The file
// writers create the page under a temporary name in the destination folder and
// rename it into place at finish().
std::unique_ptr<PageWriter> createPageWriter(int imageType, const QString &path, PdfPageStore *pdfStore);
