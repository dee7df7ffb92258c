#include "cefapphandler.h"

#include <utility>

CefAppHandler::CefAppHandler() = default;

CefAppHandler::~CefAppHandler() = default;

void CefAppHandler::setBeforeNavigationCallback(BeforeNavigationCallback callback)
{
    m_beforeNavigation = std::move(callback);
}

CefRefPtr<CefBrowserProcessHandler> CefAppHandler::GetBrowserProcessHandler()
{
    return this;
}

CefRefPtr<CefRenderProcessHandler> CefAppHandler::GetRenderProcessHandler()
{
    return this;
}

void CefAppHandler::OnContextInitialized()
{
    // The helper never runs as the browser process; nothing to set up.
}

bool CefAppHandler::OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                       CefRefPtr<CefRequest> request, NavigationType navigation_type,
                                       bool is_redirect)
{
    if (!m_beforeNavigation)
        return false; // every navigation proceeds
    return m_beforeNavigation(browser, frame, request, navigation_type, is_redirect);
}
