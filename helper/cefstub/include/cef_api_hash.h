#pragma once

// API version the helper is built against. The runtime reports its own through
// its exported hash function, and the two must match before anything runs.
#define CEF_API_HASH_PLATFORM "64b27477b82b44b51ce817522f744fca6768cbbb"
