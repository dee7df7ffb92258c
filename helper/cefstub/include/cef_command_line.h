#pragma once

#include "include/cef_base.h"

// A process command line; the helper leaves it unchanged.
class CefCommandLine : public virtual CefBaseRefCounted {
};
