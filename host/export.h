// Marks a function as an entry point of the module. The Windows build names
// its exports in host/tessel.def instead.
#pragma once

#if defined(_WIN32)
#define TESSEL_EXPORT
#else
#define TESSEL_EXPORT __attribute__((visibility("default")))
#endif
