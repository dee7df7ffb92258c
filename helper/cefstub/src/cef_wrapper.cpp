// Client side of the stand-in runtime, linked into the program: the part that
// knows which API version the program was compiled against.

#include <cstdio>
#include <cstring>

#include "include/cef_api_hash.h"
#include "include/cef_app.h"
#include "cefstub_runtime.h"

int CefExecuteProcess(const CefMainArgs &args, CefRefPtr<CefApp> application, void *windows_sandbox_info)
{
    // Sandbox information only exists on Windows.
    (void)windows_sandbox_info;

    const char *runtimeHash = cefstub_api_hash();
    if (!runtimeHash || std::strcmp(runtimeHash, CEF_API_HASH_PLATFORM) != 0) {
        // Calling into a runtime of another API version would misread every
        // object handed over, so nothing runs.
        std::fprintf(stderr, "CEF runtime API hash %s does not match %s\n", runtimeHash ? runtimeHash : "(none)",
                     CEF_API_HASH_PLATFORM);
        return 0;
    }
    return cefstub_execute_process(&args, application.get());
}

void CefEnableHighDPISupport()
{
    cefstub_enable_highdpi_support();
}
