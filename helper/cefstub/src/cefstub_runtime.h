#pragma once

// Entry points of the stand-in runtime library. Their names differ from the
// real runtime's on purpose: a helper built against the stand-in can never
// load a real runtime by mistake (its C interface is not compatible).

#include "include/cef_app.h"

#define CEFSTUB_EXPORT __attribute__((visibility("default")))

extern "C" {
// API version the runtime library was built for.
CEFSTUB_EXPORT const char *cefstub_api_hash();
CEFSTUB_EXPORT int cefstub_execute_process(const cef_main_args_t *args, CefApp *application);
CEFSTUB_EXPORT void cefstub_enable_highdpi_support();
}
