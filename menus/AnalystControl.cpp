#include "menus/AnalystControl.h"

namespace nolvo {

namespace {
AnalystControl* g_control = nullptr; // render thread only
} // namespace

void AnalystControl::set(AnalystControl* control) { g_control = control; }
AnalystControl* AnalystControl::get() { return g_control; }

} // namespace nolvo
