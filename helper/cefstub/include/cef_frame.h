#pragma once

#include "include/cef_base.h"

// A frame of a browser; the helper never calls it.
class CefFrame : public virtual CefBaseRefCounted {
};
