#include "engine/ui/LayoutParameter.h"

#include <new>

namespace engine::ui {

LayoutParameter* LayoutParameter::create()
{
    auto* p = new (std::nothrow) LayoutParameter();
    if (p) p->autorelease();
    return p;
}

LinearLayoutParameter* LinearLayoutParameter::create()
{
    auto* p = new (std::nothrow) LinearLayoutParameter();
    if (p) p->autorelease();
    return p;
}

} // namespace engine::ui
