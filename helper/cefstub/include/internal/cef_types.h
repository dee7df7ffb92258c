#pragma once

// Plain types and records of the CEF C++ API used by the helper (Linux form).

typedef enum {
    PID_BROWSER,
    PID_RENDERER,
} cef_process_id_t;

typedef enum {
    NAVIGATION_LINK_CLICKED = 0,
    NAVIGATION_FORM_SUBMITTED,
    NAVIGATION_BACK_FORWARD,
    NAVIGATION_RELOAD,
    NAVIGATION_FORM_RESUBMITTED,
    NAVIGATION_OTHER,
} cef_navigation_type_t;

typedef struct _cef_main_args_t {
    int argc;
    char **argv;
} cef_main_args_t;

typedef cef_process_id_t CefProcessId;

// The process's own command line, handed to the runtime unchanged.
class CefMainArgs : public cef_main_args_t {
public:
    CefMainArgs()
    {
        argc = 0;
        argv = nullptr;
    }
    CefMainArgs(int argc_arg, char **argv_arg)
    {
        argc = argc_arg;
        argv = argv_arg;
    }
};
