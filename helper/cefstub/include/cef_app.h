#pragma once

#include "include/cef_base.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_command_line.h"
#include "include/cef_render_process_handler.h"

class CefSchemeRegistrar;
class CefResourceBundleHandler : public virtual CefBaseRefCounted {
};

// The application object handed to the runtime; every process asks it for
// its handlers.
class CefApp : public virtual CefBaseRefCounted {
public:
    virtual void OnBeforeCommandLineProcessing(const CefString & /*process_type*/,
                                               CefRefPtr<CefCommandLine> /*command_line*/)
    {
    }
    virtual void OnRegisterCustomSchemes(CefRawPtr<CefSchemeRegistrar> /*registrar*/) {}
    virtual CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() { return nullptr; }
    virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() { return nullptr; }
    virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() { return nullptr; }
};

// Runs the sub-process named by "--type=" on the command line and returns its
// exit code; returns -1 at once when there is no such switch (the caller is
// the browser process), and 0 without running anything when the runtime
// library was built for another API version.
int CefExecuteProcess(const CefMainArgs &args, CefRefPtr<CefApp> application, void *windows_sandbox_info);

// Must come before anything else the process does; no effect on Linux.
void CefEnableHighDPISupport();
