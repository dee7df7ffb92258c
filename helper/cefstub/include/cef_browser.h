#pragma once

#include "include/cef_base.h"

// A browser as the render-process callbacks see it; the helper never calls it.
class CefBrowser : public virtual CefBaseRefCounted {
};
