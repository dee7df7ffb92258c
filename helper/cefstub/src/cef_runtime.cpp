// Stand-in for the CEF runtime library. It knows the sub-process protocol
// (the "--type=" switch) but hosts no browser engine: its renderer role only
// walks a render-process handler through a browser's life and asks it about
// the navigations given with "--navigate=".

#include <cstdio>
#include <string>
#include <vector>

#include "include/cef_api_hash.h"
#include "cefstub_runtime.h"

namespace {

#ifdef CEFSTUB_RUNTIME_API_HASH
const char kApiHash[] = CEFSTUB_RUNTIME_API_HASH;
#else
const char kApiHash[] = CEF_API_HASH_PLATFORM;
#endif

class StubBrowser : public CefBrowser {
    IMPLEMENT_REFCOUNTING(StubBrowser);
};

class StubFrame : public CefFrame {
    IMPLEMENT_REFCOUNTING(StubFrame);
};

class StubRequest : public CefRequest {
public:
    explicit StubRequest(const std::string &url) : url_(url) {}
    CefString GetURL() override { return url_; }

private:
    std::string url_;
    IMPLEMENT_REFCOUNTING(StubRequest);
};

struct Switches {
    std::string type;
    std::vector<std::string> navigations;
};

Switches parseSwitches(const cef_main_args_t *args)
{
    static const std::string typePrefix = "--type=";
    static const std::string navigatePrefix = "--navigate=";
    Switches switches;
    if (!args || !args->argv)
        return switches;
    for (int i = 1; i < args->argc && args->argv[i]; ++i) {
        const std::string arg = args->argv[i];
        if (arg == "--")
            break; // everything after it is an argument, not a switch
        if (arg.compare(0, typePrefix.size(), typePrefix) == 0) {
            if (switches.type.empty())
                switches.type = arg.substr(typePrefix.size());
        } else if (arg.compare(0, navigatePrefix.size(), navigatePrefix) == 0) {
            switches.navigations.push_back(arg.substr(navigatePrefix.size()));
        }
    }
    return switches;
}

int runRenderer(const CefRefPtr<CefApp> &app, const std::vector<std::string> &navigations)
{
    CefRefPtr<CefRenderProcessHandler> handler = app ? app->GetRenderProcessHandler() : nullptr;
    CefRefPtr<CefBrowser> browser(new StubBrowser);
    CefRefPtr<CefFrame> frame(new StubFrame);
    if (handler) {
        handler->OnRenderThreadCreated(nullptr);
        handler->OnWebKitInitialized();
        handler->OnBrowserCreated(browser);
    }
    for (const std::string &url : navigations) {
        CefRefPtr<CefRequest> request(new StubRequest(url));
        const bool cancel =
            handler && handler->OnBeforeNavigation(browser, frame, request, NAVIGATION_OTHER, false);
        std::printf("%s %s\n", url.c_str(), cancel ? "cancelled" : "proceeds");
    }
    if (handler)
        handler->OnBrowserDestroyed(browser);
    std::fflush(stdout);
    return 0;
}

} // namespace

const char *cefstub_api_hash()
{
    return kApiHash;
}

int cefstub_execute_process(const cef_main_args_t *args, CefApp *application)
{
    // The runtime keeps the application alive for as long as it runs.
    CefRefPtr<CefApp> app(application);
    const Switches switches = parseSwitches(args);
    if (switches.type.empty())
        return -1;
    if (switches.type == "renderer")
        return runRenderer(app, switches.navigations);
    std::fprintf(stderr, "The stand-in CEF runtime cannot run a \"%s\" sub-process; a real CEF runtime is needed\n",
                 switches.type.c_str());
    return 1;
}

void cefstub_enable_highdpi_support()
{
    // Only Windows has a process-wide DPI awareness to switch on.
}
