#pragma once
// The pool of references handed over by autorelease(). Director drains it once per frame; tests
// drain it themselves. Render thread only.

#include <vector>

namespace engine {

class Ref;

class AutoreleasePool {
public:
    static AutoreleasePool* getInstance();

    void addObject(Ref* object);
    // Releases every pooled reference. Objects autoreleased while draining go into the next round.
    void clear();
    bool contains(const Ref* object) const;
    std::size_t size() const { return m_objects.size(); }

private:
    AutoreleasePool() = default;
    std::vector<Ref*> m_objects;
};

} // namespace engine
