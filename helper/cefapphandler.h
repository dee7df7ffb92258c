#pragma once

#include <functional>

#include <QObject>

#include "include/cef_app.h"

// The application object of the web helper process: CEF asks it for the
// browser- and render-process handlers, and it is both. CEF owns it through
// its reference count; the last release deletes it.
class CefAppHandler : public QObject,
                      public CefApp,
                      public CefBrowserProcessHandler,
                      public CefRenderProcessHandler {
    Q_OBJECT

public:
    // Answers the render process's before-navigation hook; true cancels.
    using BeforeNavigationCallback =
        std::function<bool(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request,
                           NavigationType navigation_type, bool is_redirect)>;

    CefAppHandler();

    // Set it before the object is handed to CEF: CEF calls the hook on its
    // render thread and the callable is not guarded.
    void setBeforeNavigationCallback(BeforeNavigationCallback callback);

    // CefApp
    CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override;
    CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override;

    // CefBrowserProcessHandler
    void OnContextInitialized() override;

    // CefRenderProcessHandler
    bool OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request,
                            NavigationType navigation_type, bool is_redirect) override;

private:
    // Only the last Release() deletes.
    ~CefAppHandler() override;

    BeforeNavigationCallback m_beforeNavigation;

    Q_DISABLE_COPY(CefAppHandler)
    IMPLEMENT_REFCOUNTING(CefAppHandler);
};
