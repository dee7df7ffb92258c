// The Google Drive answer handlers: the token refresh, listing pages chained
// by nextPageToken, the folder creation and the resumable upload (session
// address in the Location header, then the file), driven through the service
// classes with canned answers. Input as in drivetarget.h.
#include "cloud/google/googlefile.h"
#include "cloud/google/googlefolder.h"
#include "fuzz/drivetarget.h"

void setUpTarget()
{
    drivetarget::writePage();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return drivetarget::runInput<GoogleFolder, GoogleFile>(CloudGoogleDrive, QStringLiteral("root"), data, size);
}
