// A SANE backend for the tests ("lumfake"), loaded by SANE's dll layer from
// LD_LIBRARY_PATH. It offers what SANE's own test device cannot: devices
// named after network addresses, a duplex feeder, a resolution word list,
// and failures of sane_open and sane_start chosen through the environment
// (read at each sane_open):
//   LUMFAKE_OPEN_STATUS    status of sane_open (e.g. DEVICE_BUSY)
//   LUMFAKE_SHEETS         sheets in the feeder (default 3)
//   LUMFAKE_START_FAIL_AT  the n-th sane_start after sane_open fails ...
//   LUMFAKE_START_STATUS   ... with this status (e.g. JAMMED)
// Pixels are tied to the glass: gray level = millimetres from the top edge
// (at most 255), except a black 20 mm square in the top left corner.
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#define LUMFAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
const SANE_Device kDevices[] = {
    {"desk-1", "Lumfake", "Desk 1", "flatbed scanner"},
    {"http://192.0.2.7:8080/eSCL", "Lumfake", "Net, 4", "flatbed scanner"},
    {"http://[2001:db8::7]:8080/eSCL", "Lumfake", "Net 6", "flatbed scanner"},
    {"odd;name", "Lumfake", "Odd", "flatbed scanner"},
};
const SANE_Device *kList[] = {&kDevices[0], &kDevices[1], &kDevices[2], &kDevices[3], nullptr};

SANE_String_Const kSources[] = {"Flatbed", "ADF Front", "ADF Duplex", nullptr};
SANE_String_Const kModes[] = {"Color", "Gray", "Lineart", nullptr};
const SANE_Word kResolutions[] = {4, 75, 150, 300, 600};
const SANE_Range kWidthRange = {0, SANE_FIX(215.9), 0};
const SANE_Range kHeightRange = {0, SANE_FIX(297.0), 0};

enum Option { NumOptions, Source, Mode, Resolution, TlX, TlY, BrX, BrY, OptionCount };

struct Device
{
    SANE_Option_Descriptor options[OptionCount];
    char source[32] = "Flatbed";
    char mode[32] = "Color";
    SANE_Word resolution = 75;
    SANE_Word geometry[4] = {0, 0, SANE_FIX(215.9), SANE_FIX(297.0)};
    int sheets = 3;
    int starts = 0;
    int failAt = 0;
    SANE_Status failStatus = SANE_STATUS_GOOD;
    bool backNext = false;
    bool scanning = false;
    std::atomic<bool> cancelled{false};
    SANE_Parameters params{};
    int firstX = 0, firstY = 0; // frame origin in device pixels
    long long sent = 0;
};

SANE_Status statusFromName(const char *name)
{
    static const struct
    {
        const char *name;
        SANE_Status status;
    } table[] = {{"DEVICE_BUSY", SANE_STATUS_DEVICE_BUSY}, {"JAMMED", SANE_STATUS_JAMMED},
                 {"NO_DOCS", SANE_STATUS_NO_DOCS},         {"COVER_OPEN", SANE_STATUS_COVER_OPEN},
                 {"IO_ERROR", SANE_STATUS_IO_ERROR},       {"NO_MEM", SANE_STATUS_NO_MEM},
                 {"INVAL", SANE_STATUS_INVAL},             {"ACCESS_DENIED", SANE_STATUS_ACCESS_DENIED}};
    if (!name)
        return SANE_STATUS_GOOD;
    for (const auto &e : table)
        if (std::strcmp(e.name, name) == 0)
            return e.status;
    return SANE_STATUS_GOOD;
}

int envNumber(const char *name, int fallback)
{
    const char *v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

void describe(Device *d)
{
    std::memset(d->options, 0, sizeof d->options);
    SANE_Option_Descriptor *o = d->options;
    o[NumOptions] = {SANE_NAME_NUM_OPTIONS, "", "", SANE_TYPE_INT, SANE_UNIT_NONE, sizeof(SANE_Word),
                     SANE_CAP_SOFT_DETECT, SANE_CONSTRAINT_NONE, {nullptr}};
    o[Source] = {SANE_NAME_SCAN_SOURCE, "Source", "", SANE_TYPE_STRING, SANE_UNIT_NONE, 32,
                 SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT, SANE_CONSTRAINT_STRING_LIST, {nullptr}};
    o[Source].constraint.string_list = kSources;
    o[Mode] = {SANE_NAME_SCAN_MODE, "Mode", "", SANE_TYPE_STRING, SANE_UNIT_NONE, 32,
               SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT, SANE_CONSTRAINT_STRING_LIST, {nullptr}};
    o[Mode].constraint.string_list = kModes;
    o[Resolution] = {SANE_NAME_SCAN_RESOLUTION, "Resolution", "", SANE_TYPE_INT, SANE_UNIT_DPI, sizeof(SANE_Word),
                     SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT, SANE_CONSTRAINT_WORD_LIST, {nullptr}};
    o[Resolution].constraint.word_list = kResolutions;
    const char *names[] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X, SANE_NAME_SCAN_BR_Y};
    for (int i = 0; i < 4; ++i) {
        o[TlX + i] = {names[i], names[i], "", SANE_TYPE_FIXED, SANE_UNIT_MM, sizeof(SANE_Word),
                      SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT, SANE_CONSTRAINT_RANGE, {nullptr}};
        o[TlX + i].constraint.range = (i % 2 == 0) ? &kWidthRange : &kHeightRange;
    }
}

void computeParameters(Device *d)
{
    const double res = d->resolution;
    const double tlx = SANE_UNFIX(d->geometry[0]), tly = SANE_UNFIX(d->geometry[1]);
    const double brx = SANE_UNFIX(d->geometry[2]), bry = SANE_UNFIX(d->geometry[3]);
    d->firstX = int(std::lround(tlx * res / 25.4));
    d->firstY = int(std::lround(tly * res / 25.4));
    const int width = int((brx - tlx) * res / 25.4);
    const int height = int((bry - tly) * res / 25.4);
    SANE_Parameters &p = d->params;
    p.last_frame = SANE_TRUE;
    p.pixels_per_line = width > 0 ? width : 0;
    p.lines = height > 0 ? height : 0;
    if (std::strcmp(d->mode, "Color") == 0) {
        p.format = SANE_FRAME_RGB;
        p.depth = 8;
        p.bytes_per_line = p.pixels_per_line * 3;
    } else if (std::strcmp(d->mode, "Gray") == 0) {
        p.format = SANE_FRAME_GRAY;
        p.depth = 8;
        p.bytes_per_line = p.pixels_per_line;
    } else {
        p.format = SANE_FRAME_GRAY;
        p.depth = 1;
        p.bytes_per_line = (p.pixels_per_line + 7) / 8;
    }
}

unsigned char levelAt(const Device *d, int column, int line)
{
    const double xMm = (d->firstX + column + 0.5) * 25.4 / d->resolution;
    const double yMm = (d->firstY + line + 0.5) * 25.4 / d->resolution;
    if (xMm < 20 && yMm < 20)
        return 0;
    return (unsigned char)(yMm > 255 ? 255 : yMm);
}

unsigned char byteAt(const Device *d, long long offset)
{
    const SANE_Parameters &p = d->params;
    const int line = int(offset / p.bytes_per_line);
    const int inLine = int(offset % p.bytes_per_line);
    if (p.format == SANE_FRAME_RGB)
        return levelAt(d, inLine / 3, line);
    if (p.depth == 8)
        return levelAt(d, inLine, line);
    unsigned char bits = 0;
    for (int b = 0; b < 8; ++b) {
        const int column = inLine * 8 + b;
        if (column < p.pixels_per_line && levelAt(d, column, line) < 128)
            bits |= (unsigned char)(0x80 >> b);
    }
    return bits;
}
} // namespace

LUMFAKE_EXPORT SANE_Status sane_lumfake_init(SANE_Int *version, SANE_Auth_Callback)
{
    if (version)
        *version = SANE_VERSION_CODE(1, 0, 0);
    return SANE_STATUS_GOOD;
}

LUMFAKE_EXPORT void sane_lumfake_exit(void) {}

LUMFAKE_EXPORT SANE_Status sane_lumfake_get_devices(const SANE_Device ***list, SANE_Bool)
{
    // Like some network backends, it answers the same for local-only lists.
    *list = kList;
    return SANE_STATUS_GOOD;
}

LUMFAKE_EXPORT SANE_Status sane_lumfake_open(SANE_String_Const name, SANE_Handle *handle)
{
    bool known = false;
    for (const SANE_Device &d : kDevices)
        known = known || std::strcmp(d.name, name) == 0;
    if (!known)
        return SANE_STATUS_INVAL;
    const SANE_Status status = statusFromName(std::getenv("LUMFAKE_OPEN_STATUS"));
    if (status != SANE_STATUS_GOOD)
        return status;
    Device *d = new Device;
    describe(d);
    d->sheets = envNumber("LUMFAKE_SHEETS", 3);
    d->failAt = envNumber("LUMFAKE_START_FAIL_AT", 0);
    d->failStatus = statusFromName(std::getenv("LUMFAKE_START_STATUS"));
    *handle = d;
    return SANE_STATUS_GOOD;
}

LUMFAKE_EXPORT void sane_lumfake_close(SANE_Handle handle)
{
    delete static_cast<Device *>(handle);
}

LUMFAKE_EXPORT const SANE_Option_Descriptor *sane_lumfake_get_option_descriptor(SANE_Handle handle, SANE_Int n)
{
    Device *d = static_cast<Device *>(handle);
    return n >= 0 && n < OptionCount ? &d->options[n] : nullptr;
}

LUMFAKE_EXPORT SANE_Status sane_lumfake_control_option(SANE_Handle handle, SANE_Int n, SANE_Action action,
                                                       void *value, SANE_Int *info)
{
    Device *d = static_cast<Device *>(handle);
    if (info)
        *info = 0;
    if (n < 0 || n >= OptionCount || !value)
        return SANE_STATUS_INVAL;
    if (action == SANE_ACTION_GET_VALUE) {
        switch (n) {
        case NumOptions:
            *static_cast<SANE_Word *>(value) = OptionCount;
            break;
        case Source:
            std::strcpy(static_cast<char *>(value), d->source);
            break;
        case Mode:
            std::strcpy(static_cast<char *>(value), d->mode);
            break;
        case Resolution:
            *static_cast<SANE_Word *>(value) = d->resolution;
            break;
        default:
            *static_cast<SANE_Word *>(value) = d->geometry[n - TlX];
            break;
        }
        return SANE_STATUS_GOOD;
    }
    if (action != SANE_ACTION_SET_VALUE || n == NumOptions)
        return SANE_STATUS_INVAL;
    if (d->scanning)
        return SANE_STATUS_DEVICE_BUSY;
    switch (n) {
    case Source:
    case Mode: {
        SANE_String_Const *list = n == Source ? kSources : kModes;
        const char *text = static_cast<const char *>(value);
        bool allowed = false;
        for (SANE_String_Const *s = list; *s; ++s)
            allowed = allowed || std::strcmp(*s, text) == 0;
        if (!allowed)
            return SANE_STATUS_INVAL;
        std::strcpy(n == Source ? d->source : d->mode, text);
        if (n == Source)
            d->backNext = false;
        return SANE_STATUS_GOOD;
    }
    case Resolution: {
        const SANE_Word v = *static_cast<SANE_Word *>(value);
        for (int i = 1; i <= kResolutions[0]; ++i)
            if (kResolutions[i] == v) {
                d->resolution = v;
                return SANE_STATUS_GOOD;
            }
        return SANE_STATUS_INVAL;
    }
    default: {
        const SANE_Word v = *static_cast<SANE_Word *>(value);
        const SANE_Range *r = d->options[n].constraint.range;
        if (v < r->min || v > r->max)
            return SANE_STATUS_INVAL;
        d->geometry[n - TlX] = v;
        return SANE_STATUS_GOOD;
    }
    }
}

LUMFAKE_EXPORT SANE_Status sane_lumfake_get_parameters(SANE_Handle handle, SANE_Parameters *params)
{
    Device *d = static_cast<Device *>(handle);
    if (!d->scanning)
        computeParameters(d);
    *params = d->params;
    return SANE_STATUS_GOOD;
}

LUMFAKE_EXPORT SANE_Status sane_lumfake_start(SANE_Handle handle)
{
    Device *d = static_cast<Device *>(handle);
    ++d->starts;
    if (d->failAt > 0 && d->starts == d->failAt)
        return d->failStatus;
    const bool duplex = std::strcmp(d->source, "ADF Duplex") == 0;
    if (std::strcmp(d->source, "Flatbed") != 0) {
        if (duplex && d->backNext) {
            d->backNext = false;
        } else {
            if (d->sheets <= 0)
                return SANE_STATUS_NO_DOCS;
            --d->sheets;
            d->backNext = duplex;
        }
    }
    computeParameters(d);
    d->sent = 0;
    d->cancelled = false;
    d->scanning = true;
    return SANE_STATUS_GOOD;
}

LUMFAKE_EXPORT SANE_Status sane_lumfake_read(SANE_Handle handle, SANE_Byte *data, SANE_Int max, SANE_Int *length)
{
    Device *d = static_cast<Device *>(handle);
    *length = 0;
    if (d->cancelled) {
        d->scanning = false;
        return SANE_STATUS_CANCELLED;
    }
    if (!d->scanning)
        return SANE_STATUS_INVAL;
    const long long total = (long long)d->params.bytes_per_line * d->params.lines;
    if (d->sent >= total)
        return SANE_STATUS_EOF;
    int n = 0;
    while (n < max && d->sent < total)
        data[n++] = byteAt(d, d->sent++);
    *length = n;
    return SANE_STATUS_GOOD;
}

LUMFAKE_EXPORT void sane_lumfake_cancel(SANE_Handle handle)
{
    Device *d = static_cast<Device *>(handle);
    d->cancelled = true;
    d->scanning = false;
    d->backNext = false;
}

LUMFAKE_EXPORT SANE_Status sane_lumfake_set_io_mode(SANE_Handle, SANE_Bool blocking)
{
    return blocking ? SANE_STATUS_GOOD : SANE_STATUS_UNSUPPORTED;
}

LUMFAKE_EXPORT SANE_Status sane_lumfake_get_select_fd(SANE_Handle, SANE_Int *)
{
    return SANE_STATUS_UNSUPPORTED;
}
