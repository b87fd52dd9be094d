#pragma once
// Keeps Mesa's software GL driver, and the X and GL libraries SDL loads at run time, loaded until
// the process ends. They are normally unloaded when the window system shuts down; LeakSanitizer
// then cannot tell whose allocations it reports (the frames show as "<unknown module>") and the
// third-party suppressions no longer match. Pinned, their allocations stay attributable and
// suppressible while ours stay visible. Call before the first window opens.

#include <dlfcn.h>

namespace nolvo::test {

inline void pinGlDriver()
{
    static const bool pinned = [] {
        const char* const libraries[] = {
            "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
            "/usr/lib/x86_64-linux-gnu/dri/kms_swrast_dri.so",
            "libGL.so.1", "libGLX.so.0", "libGLX_mesa.so.0", "libGLdispatch.so.0", "libEGL.so.1",
            "libX11.so.6", "libX11-xcb.so.1", "libxcb.so.1", "libXext.so.6", "libXrandr.so.2",
            "libXi.so.6", "libXcursor.so.1", "libXinerama.so.1", "libXss.so.1", "libXxf86vm.so.1",
            "libXfixes.so.3", "libXrender.so.1", "libdbus-1.so.3",
        };
        bool any = false;
        for (const char* library : libraries) {
            any = dlopen(library, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE) != nullptr || any;
        }
        return any;
    }();
    (void)pinned;
}

} // namespace nolvo::test
