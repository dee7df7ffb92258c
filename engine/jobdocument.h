#pragma once

#include "pdfpagestore.h"

#include <QString>

class ConfigFile;
struct PageParameters;

// The PDF a job gathers page by page and writes out at its end. The backend
// holds its own lock around the calls marked so; the pages themselves are
// touched by the job thread only.
class JobDocument
{
public:
    // The pages go to the module's PDF work file, or to one of their own
    // in the temporary folder when there is no module configuration.
    explicit JobDocument(const ConfigFile &config);

    PdfPageStore *store() { return &pdf; }

    // Backend lock held: a page was written; the name given with the last
    // PDF page names the document.
    void pageWritten(const PageParameters &p);
    // Backend lock held: the name to write the document under, or an empty
    // one when there is nothing to write. A job that failed or was cancelled
    // leaves no document behind. The name is forgotten either way.
    QString takeDocumentPath(bool failedOrCancelled);
    // Writes the document when path is not empty and forgets the pages.
    // 0, -52 or -55.
    int finish(const QString &path);
    // Forgets the pages and the document name.
    void clear();

private:
    PdfPageStore pdf;
    QString pdfPath;
};
