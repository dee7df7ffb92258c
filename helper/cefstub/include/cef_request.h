#pragma once

#include "include/cef_base.h"

// A request about to be made by a frame.
class CefRequest : public virtual CefBaseRefCounted {
public:
    virtual CefString GetURL() = 0;
};
