#include "engine/base/Ref.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstdlib>

#include "engine/base/AutoreleasePool.h"

namespace engine {

namespace {
std::size_t g_liveCount = 0;
}

Ref::Ref()
{
    ++g_liveCount;
}

Ref::~Ref()
{
    --g_liveCount;
}

void Ref::retain()
{
    assert(m_referenceCount > 0);
    ++m_referenceCount;
}

void Ref::release()
{
    if (m_referenceCount == 0) {
        // Over-release is a bug in the caller; stop here rather than corrupt memory.
        std::fprintf(stderr, "engine: Ref released with no references left\n");
        std::abort();
    }
    if (--m_referenceCount == 0) {
        delete this;
    }
}

Ref* Ref::autorelease()
{
    AutoreleasePool::getInstance()->addObject(this);
    return this;
}

std::size_t Ref::getLiveCount()
{
    return g_liveCount;
}

AutoreleasePool* AutoreleasePool::getInstance()
{
    static AutoreleasePool pool;
    return &pool;
}

void AutoreleasePool::addObject(Ref* object)
{
    m_objects.push_back(object);
}

void AutoreleasePool::clear()
{
    std::vector<Ref*> objects;
    objects.swap(m_objects);
    for (Ref* object : objects) {
        object->release();
    }
}

bool AutoreleasePool::contains(const Ref* object) const
{
    return std::find(m_objects.begin(), m_objects.end(), object) != m_objects.end();
}

} // namespace engine
