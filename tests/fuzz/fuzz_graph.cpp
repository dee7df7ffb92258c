// The OneDrive (Graph) answer handlers: the token refresh, the root item and
// the breadth-wise children pages with their nextLink, the folder creation,
// and the upload session with its fragments, driven through the service
// classes with canned answers. Input as in drivetarget.h.
#include "cloud/onedrive/onedrivefile.h"
#include "cloud/onedrive/onedrivefolder.h"
#include "fuzz/drivetarget.h"

void setUpTarget()
{
    drivetarget::writePage();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return drivetarget::runInput<OneDriveFolder, OneDriveFile>(CloudOneDrive, QStringLiteral("/Scan"), data, size);
}
