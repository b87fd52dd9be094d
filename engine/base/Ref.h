#pragma once
// Reference counting for engine objects. A new object has one reference, held by its creator;
// create() functions hand that reference to the autorelease pool, which drops it when the pool is
// drained at the end of the frame, so an object survives the frame only when somebody retained it.
// Render thread only.

#include <cstddef>
#include <cstdint>

namespace engine {

class Ref {
public:
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    virtual ~Ref();

    void retain();
    // Drops one reference; deletes the object at zero.
    void release();
    // Hands one reference to the current autorelease pool. Returns this.
    Ref* autorelease();
    unsigned int getReferenceCount() const { return m_referenceCount; }

    // Number of engine objects alive in the process (leak tests compare it before and after).
    static std::size_t getLiveCount();

protected:
    Ref();

private:
    unsigned int m_referenceCount = 1;
};

// Schedule selectors: a member function of a Ref subclass taking the frame interval in seconds.
using SEL_SCHEDULE = void (Ref::*)(float);
#define CC_SCHEDULE_SELECTOR(selector) static_cast<::engine::SEL_SCHEDULE>(&selector)

// Retains in assignment, releases on reset and destruction: the slot that owns a node.
template <typename T>
class RefPtr {
public:
    RefPtr() = default;
    RefPtr(T* p) : m_ptr(p) { if (m_ptr) m_ptr->retain(); }
    RefPtr(const RefPtr& o) : RefPtr(o.m_ptr) {}
    RefPtr& operator=(const RefPtr& o) { reset(o.m_ptr); return *this; }
    RefPtr& operator=(T* p) { reset(p); return *this; }
    ~RefPtr() { reset(nullptr); }
    void reset(T* p)
    {
        if (p) p->retain();
        if (m_ptr) m_ptr->release();
        m_ptr = p;
    }
    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

private:
    T* m_ptr = nullptr;
};

} // namespace engine
