#pragma once

// Marks a function as one of a library's named exports. Everything else is hidden.
#ifdef __cplusplus
#define ORV_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define ORV_EXPORT __attribute__((visibility("default")))
#endif
