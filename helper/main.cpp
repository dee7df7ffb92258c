// brennic: the sub-process host that the CEF runtime starts for its renderer,
// GPU and utility processes. It hands its command line to CEF and exits with
// CEF's answer; it creates no window and no application object of its own.

#include "cefapphandler.h"

namespace {

int executeSubProcess(const CefMainArgs &mainArgs)
{
    CefRefPtr<CefAppHandler> app(new CefAppHandler);
    const int exitCode = CefExecuteProcess(mainArgs, app.get(), nullptr);
    app = nullptr;
    return exitCode;
}

} // namespace

#if defined(_WIN32)
#include <windows.h>

int APIENTRY wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    CefEnableHighDPISupport();
    CefMainArgs mainArgs(hInstance);
    return executeSubProcess(mainArgs);
}
#else
int main(int argc, char *argv[])
{
    // First of all, before CEF or the system look at the process.
    CefEnableHighDPISupport();
    CefMainArgs mainArgs(argc, argv);
    return executeSubProcess(mainArgs);
}
#endif
