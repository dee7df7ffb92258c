#include "pdfpagestore.h"

#include "enginecodes.h"
#include "jpegencoder.h"
#include "pendingfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <unistd.h>
#include <zlib.h>

// Appends one page to the store's work file.
class PdfStorePageWriter : public PageWriter
{
public:
    explicit PdfStorePageWriter(PdfPageStore *store)
        : store(store)
    {
    }
    ~PdfStorePageWriter() override { abort(); }

    int start(const PageFormat &pageFormat) override
    {
        abort();
        if (store->writerActive || pageFormat.width <= 0 || pageFormat.height <= 0 || pageFormat.dpi <= 0)
            return EngineCode::BadParameter;
        FILE *work = store->openWork();
        if (!work || std::fseek(work, 0, SEEK_END) != 0)
            return EngineCode::SaveFailed;
        offset = ftello(work);
        if (offset < 0)
            return EngineCode::SaveFailed;
        format = pageFormat;
        rowsLeft = format.height;
        store->writerActive = true;
        active = true;
        if (format.mode == PixelMode::BlackWhite) {
            std::memset(&zs, 0, sizeof zs);
            if (deflateInit(&zs, Z_DEFAULT_COMPRESSION) != Z_OK) {
                abort();
                return EngineCode::LowMemory;
            }
            deflating = true;
            packed.assign(size_t((format.width + 7) / 8), 0);
            out.resize(64 * 1024);
        } else if (!jpeg.start(work, format)) {
            abort();
            return EngineCode::BadParameter;
        }
        return EngineCode::Ok;
    }

    int writeRows(const quint8 *const *rows, int count) override
    {
        if (!active || count > rowsLeft) {
            abort();
            return EngineCode::SaveFailed;
        }
        if (deflating) {
            for (int i = 0; i < count; ++i) {
                // 1-bit DeviceGray: a set bit is white.
                std::memset(packed.data(), 0, packed.size());
                const quint8 *src = rows[i];
                for (int x = 0; x < format.width; ++x) {
                    if (src[x] >= 128)
                        packed[size_t(x >> 3)] |= quint8(0x80 >> (x & 7));
                }
                if (!deflateChunk(packed.data(), packed.size(), Z_NO_FLUSH)) {
                    abort();
                    return EngineCode::SaveFailed;
                }
            }
        } else if (!jpeg.writeRows(rows, count)) {
            abort();
            return EngineCode::SaveFailed;
        }
        rowsLeft -= count;
        return EngineCode::Ok;
    }

    int finish() override
    {
        if (!active || rowsLeft != 0) {
            abort();
            return EngineCode::SaveFailed;
        }
        bool ok = deflating ? deflateChunk(nullptr, 0, Z_FINISH) : jpeg.finish();
        FILE *work = store->work;
        ok = ok && std::fflush(work) == 0 && !std::ferror(work);
        const qint64 end = ok ? ftello(work) : -1;
        if (end < offset) {
            abort();
            return EngineCode::SaveFailed;
        }
        endDeflate();
        PdfPageStore::Page page;
        page.format = format;
        page.offset = offset;
        page.length = end - offset;
        store->pages.push_back(page);
        store->writerActive = false;
        active = false;
        return EngineCode::Ok;
    }

    void abort() override
    {
        if (!active)
            return;
        jpeg.abort();
        endDeflate();
        store->dropFrom(offset);
        store->writerActive = false;
        active = false;
    }

private:
    bool deflateChunk(const quint8 *data, size_t size, int flush)
    {
        zs.next_in = const_cast<Bytef *>(data);
        zs.avail_in = uInt(size);
        int rc;
        do {
            zs.next_out = out.data();
            zs.avail_out = uInt(out.size());
            rc = deflate(&zs, flush);
            if (rc == Z_STREAM_ERROR)
                return false;
            const size_t produced = out.size() - zs.avail_out;
            if (produced && std::fwrite(out.data(), 1, produced, store->work) != produced)
                return false;
        } while (zs.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
        return true;
    }

    void endDeflate()
    {
        if (deflating) {
            deflateEnd(&zs);
            deflating = false;
        }
    }

    PdfPageStore *store;
    PageFormat format;
    qint64 offset = 0;
    int rowsLeft = 0;
    bool active = false;
    JpegEncoder jpeg;
    z_stream zs;
    bool deflating = false;
    std::vector<quint8> packed;
    std::vector<quint8> out;
};

PdfPageStore::PdfPageStore(const QString &workFile)
    : workPath(workFile)
{
}

PdfPageStore::~PdfPageStore()
{
    reset();
}

void PdfPageStore::setWorkFile(const QString &workFile)
{
    if (workFile != workPath) {
        reset();
        workPath = workFile;
    }
}

std::unique_ptr<PageWriter> PdfPageStore::pageWriter()
{
    return std::make_unique<PdfStorePageWriter>(this);
}

FILE *PdfPageStore::openWork()
{
    if (work)
        return work;
    if (workPath.isEmpty())
        return nullptr;
    QDir().mkpath(QFileInfo(workPath).absolutePath());
    // Whatever an earlier run left there is not part of this job.
    work = std::fopen(QFile::encodeName(workPath).constData(), "w+be");
    pages.clear();
    return work;
}

void PdfPageStore::dropFrom(qint64 offset)
{
    if (!work)
        return;
    std::fflush(work);
    if (::ftruncate(fileno(work), off_t(offset)) != 0 || std::fseek(work, 0, SEEK_END) != 0) {
        // The work file cannot be trusted any more.
        reset();
    }
}

void PdfPageStore::reset()
{
    pages.clear();
    if (work) {
        std::fclose(work);
        work = nullptr;
    }
    if (!workPath.isEmpty())
        QFile::remove(workPath);
}

namespace {
QByteArray number(double value)
{
    QByteArray text = QByteArray::number(value, 'f', 4);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

// Writes the document and counts the bytes, for the cross-reference table.
class PdfOutput
{
public:
    explicit PdfOutput(FILE *stream)
        : stream(stream)
    {
    }

    void write(const QByteArray &data) { write(data.constData(), size_t(data.size())); }
    void write(const char *data, size_t size)
    {
        if (ok && size && std::fwrite(data, 1, size, stream) != size)
            ok = false;
        position += qint64(size);
    }
    void beginObject(std::vector<qint64> &offsets, int number)
    {
        offsets[size_t(number)] = position;
        write(QByteArray::number(number) + " 0 obj\n");
    }

    FILE *stream;
    qint64 position = 0;
    bool ok = true;
};
} // namespace

int PdfPageStore::writeDocument(const QString &path)
{
    if (pages.empty() || !work || writerActive)
        return EngineCode::SaveFailed;
    if (std::fflush(work) != 0)
        return EngineCode::SaveFailed;

    PendingFile file;
    int rc = file.create(path);
    if (rc != EngineCode::Ok)
        return rc;
    const int fd = ::dup(file.fd());
    FILE *stream = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!stream) {
        if (fd >= 0)
            ::close(fd);
        return EngineCode::SaveFailed;
    }

    // Objects: 1 catalog, 2 page tree, 3 info, then page, contents and image
    // for each page.
    const int pageCount = int(pages.size());
    const int objectCount = 3 + 3 * pageCount;
    std::vector<qint64> offsets(size_t(objectCount + 1), 0);
    PdfOutput out(stream);
    out.write("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");

    out.beginObject(offsets, 1);
    out.write("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");

    QByteArray kids;
    for (int i = 0; i < pageCount; ++i)
        kids += QByteArray::number(4 + 3 * i) + " 0 R ";
    out.beginObject(offsets, 2);
    out.write("<< /Type /Pages /Kids [ " + kids + "] /Count " + QByteArray::number(pageCount) + " >>\nendobj\n");

    out.beginObject(offsets, 3);
    out.write("<< /Producer (Lumerith tessark) >>\nendobj\n");

    std::vector<char> buffer(1 << 20);
    for (int i = 0; i < pageCount && out.ok; ++i) {
        const Page &page = pages[size_t(i)];
        const int pageObject = 4 + 3 * i;
        const QByteArray w = number(page.format.width * 72.0 / page.format.dpi);
        const QByteArray h = number(page.format.height * 72.0 / page.format.dpi);

        out.beginObject(offsets, pageObject);
        out.write("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + w + " " + h + "] /Resources << /XObject << /Im0 "
                  + QByteArray::number(pageObject + 2) + " 0 R >> /ProcSet [/PDF /ImageB /ImageC] >> /Contents "
                  + QByteArray::number(pageObject + 1) + " 0 R >>\nendobj\n");

        const QByteArray contents = "q\n" + w + " 0 0 " + h + " 0 0 cm\n/Im0 Do\nQ\n";
        out.beginObject(offsets, pageObject + 1);
        out.write("<< /Length " + QByteArray::number(contents.size()) + " >>\nstream\n" + contents
                  + "\nendstream\nendobj\n");

        QByteArray dict = "<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(page.format.width)
                          + " /Height " + QByteArray::number(page.format.height);
        switch (page.format.mode) {
        case PixelMode::Color:
            dict += " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode";
            break;
        case PixelMode::Gray:
            dict += " /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /DCTDecode";
            break;
        case PixelMode::BlackWhite:
            dict += " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /FlateDecode";
            break;
        }
        dict += " /Length " + QByteArray::number(page.length) + " >>\nstream\n";
        out.beginObject(offsets, pageObject + 2);
        out.write(dict);
        if (fseeko(work, off_t(page.offset), SEEK_SET) != 0) {
            out.ok = false;
            break;
        }
        qint64 left = page.length;
        while (left > 0 && out.ok) {
            const size_t chunk = size_t(qMin<qint64>(left, qint64(buffer.size())));
            if (std::fread(buffer.data(), 1, chunk, work) != chunk) {
                out.ok = false;
                break;
            }
            out.write(buffer.data(), chunk);
            left -= qint64(chunk);
        }
        out.write("\nendstream\nendobj\n");
    }
    std::fseek(work, 0, SEEK_END);

    const qint64 xref = out.position;
    out.write("xref\n0 " + QByteArray::number(objectCount + 1) + "\n0000000000 65535 f \n");
    for (int i = 1; i <= objectCount; ++i)
        out.write(QByteArray::number(offsets[size_t(i)]).rightJustified(10, '0') + " 00000 n \n");
    out.write("trailer\n<< /Size " + QByteArray::number(objectCount + 1) + " /Root 1 0 R /Info 3 0 R >>\nstartxref\n"
              + QByteArray::number(xref) + "\n%%EOF\n");

    const bool written = out.ok && std::fflush(stream) == 0 && !std::ferror(stream);
    const bool closed = std::fclose(stream) == 0;
    if (!written || !closed)
        return EngineCode::SaveFailed;
    return file.commit();
}
