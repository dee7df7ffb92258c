#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

// A page file read back: pixels as 8-bit channels (1 gray, 3 RGB), 1-bit
// images expanded to 0 and 255.
struct ReadImage
{
    bool ok = false;
    int width = 0;
    int height = 0;
    int channels = 0;
    int bitsPerSample = 0;
    double dpiX = 0;
    double dpiY = 0;
    int compression = 0; // TIFF only
    std::vector<quint8> pixels;

    const quint8 *at(int x, int y) const { return pixels.data() + (size_t(y) * size_t(width) + size_t(x)) * size_t(channels); }
    int gray(int x, int y) const;
    bool isRed(int x, int y) const;
    // Rectangle copy, for comparing a crop with a page.
    ReadImage region(int x, int y, int w, int h) const;
    ReadImage turned() const;
    bool samePixels(const ReadImage &other) const;
};

ReadImage readJpeg(const QString &path);
ReadImage readJpeg(const QByteArray &data);
ReadImage readTiff(const QString &path);
ReadImage readBmp(const QString &path);
// By the engine's image type (scan/scanrequest.h): TIFF, preview bitmap, else JPEG.
ReadImage readPage(const QString &path, int type);

// A parsed PDF: the objects found through the cross-reference table.
struct PdfImageInfo
{
    int width = 0;
    int height = 0;
    QByteArray colorSpace;
    int bitsPerComponent = 0;
    QByteArray filter;
    QByteArray data;
};

struct ParsedPdf
{
    QString error; // empty when the structure is sound
    int pageCount = 0;
    std::vector<QByteArray> mediaBoxes;
    std::vector<PdfImageInfo> images;
};

ParsedPdf parsePdf(const QByteArray &file);
QByteArray inflate(const QByteArray &data);
