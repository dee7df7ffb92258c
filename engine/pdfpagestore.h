#pragma once

#include "pagewriter.h"

#include <QString>

#include <cstdio>
#include <memory>
#include <vector>

// The pages of a PDF job, gathered in the engine's PDF work file while the job
// runs and written out as one multi-page PDF at its end. Colour and gray pages
// are kept as JPEG streams (DCTDecode), black and white pages as 1-bit rows
// compressed with Flate. Only complete pages stay in the work file.
class PdfPageStore
{
public:
    explicit PdfPageStore(const QString &workFile = QString());
    ~PdfPageStore();

    void setWorkFile(const QString &workFile);
    QString workFile() const { return workPath; }
    int pageCount() const { return int(pages.size()); }

    // A writer that appends one page; it leaves nothing behind when aborted.
    std::unique_ptr<PageWriter> pageWriter();
    // Writes every gathered page as one PDF to path (under a temporary name
    // renamed into place). 0, -52 or -55. The pages stay gathered.
    int writeDocument(const QString &path);
    // Forgets the pages and removes the work file.
    void reset();

    PdfPageStore(const PdfPageStore &) = delete;
    PdfPageStore &operator=(const PdfPageStore &) = delete;

private:
    friend class PdfStorePageWriter;

    struct Page
    {
        PageFormat format;
        qint64 offset = 0;
        qint64 length = 0;
    };

    FILE *openWork();
    void dropFrom(qint64 offset);

    QString workPath;
    FILE *work = nullptr;
    std::vector<Page> pages;
    bool writerActive = false;
};
