#pragma once

#include "include/cef_base.h"

// A list of values passed between processes; the helper never reads it.
class CefListValue : public virtual CefBaseRefCounted {
};
