#include "pagewriter.h"

#include "bmppagewriter.h"
#include "jpegpagewriter.h"
#include "pdfpagestore.h"
#include "tiffpagewriter.h"

std::unique_ptr<PageWriter> createPageWriter(int imageType, const QString &path, PdfPageStore *pdfStore)
{
    switch (imageType) {
    case 0:
        return std::make_unique<BmpPageWriter>(path);
    case 3:
        return std::make_unique<TiffPageWriter>(path);
    case 4:
        return pdfStore ? pdfStore->pageWriter() : nullptr;
    default:
        return std::make_unique<JpegPageWriter>(path);
    }
}
