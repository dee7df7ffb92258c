#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_request.h"
#include "include/cef_values.h"

class CefLoadHandler : public virtual CefBaseRefCounted {
};
class CefV8Context : public virtual CefBaseRefCounted {
};
class CefV8Exception : public virtual CefBaseRefCounted {
};
class CefV8StackTrace : public virtual CefBaseRefCounted {
};
class CefDOMNode : public virtual CefBaseRefCounted {
};
class CefProcessMessage : public virtual CefBaseRefCounted {
};

// Callbacks of a renderer sub-process, called on its render thread.
class CefRenderProcessHandler : public virtual CefBaseRefCounted {
public:
    typedef cef_navigation_type_t NavigationType;

    virtual void OnRenderThreadCreated(CefRefPtr<CefListValue> /*extra_info*/) {}
    virtual void OnWebKitInitialized() {}
    virtual void OnBrowserCreated(CefRefPtr<CefBrowser> /*browser*/) {}
    virtual void OnBrowserDestroyed(CefRefPtr<CefBrowser> /*browser*/) {}
    virtual CefRefPtr<CefLoadHandler> GetLoadHandler() { return nullptr; }
    // True cancels the navigation.
    virtual bool OnBeforeNavigation(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                    CefRefPtr<CefRequest> /*request*/, NavigationType /*navigation_type*/,
                                    bool /*is_redirect*/)
    {
        return false;
    }
    virtual void OnContextCreated(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                  CefRefPtr<CefV8Context> /*context*/)
    {
    }
    virtual void OnContextReleased(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                   CefRefPtr<CefV8Context> /*context*/)
    {
    }
    virtual void OnUncaughtException(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                     CefRefPtr<CefV8Context> /*context*/, CefRefPtr<CefV8Exception> /*exception*/,
                                     CefRefPtr<CefV8StackTrace> /*stackTrace*/)
    {
    }
    virtual void OnFocusedNodeChanged(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                      CefRefPtr<CefDOMNode> /*node*/)
    {
    }
    virtual bool OnProcessMessageReceived(CefRefPtr<CefBrowser> /*browser*/, CefProcessId /*source_process*/,
                                          CefRefPtr<CefProcessMessage> /*message*/)
    {
        return false;
    }
};
