#pragma once
// Keeps Mesa's software GL driver loaded until the process ends. The driver is normally unloaded
// when the X display closes; LeakSanitizer then cannot tell whose allocations it reports (the
// frames show as "<unknown module>") and the third-party suppressions no longer match. With the
// driver pinned, its allocations stay attributable and suppressible while ours stay visible.

#include <dlfcn.h>

namespace nolvo::test {

inline void pinGlDriver()
{
    static const bool pinned = [] {
        const char* const candidates[] = {
            "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
            "/usr/lib/x86_64-linux-gnu/dri/kms_swrast_dri.so",
            "swrast_dri.so",
        };
        bool any = false;
        for (const char* path : candidates) {
            any = dlopen(path, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE) != nullptr || any;
        }
        return any;
    }();
    (void)pinned;
}

} // namespace nolvo::test
