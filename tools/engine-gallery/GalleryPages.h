#pragma once
// The gallery's two pages and the ways between them: Tab (either page) and a button at the top
// right of each page. A page is built afresh each time it is shown (the director cleans up the
// scene it leaves). Render thread only.

#include "GalleryImages.h"
#include "engine/scene/Scene.h"

namespace engine {
class EventListenerKeyboard;
}

namespace gallery {

class WidgetsPage;

class GalleryPages {
public:
    // images must outlive this object.
    GalleryPages(const GalleryImages& images, bool animate) : m_images(images), m_animate(animate) {}
    GalleryPages(const GalleryPages&) = delete;
    GalleryPages& operator=(const GalleryPages&) = delete;
    ~GalleryPages();

    // Builds and runs page 0 or 1 (the first call starts the director with it); false when the
    // page cannot be built.
    bool show(int page);
    int current() const { return m_current; }
    // The page shown (valid until the next switch).
    engine::Scene* currentScene() const { return m_scene; }

private:
    engine::Scene* build(int page);

    const GalleryImages& m_images;
    bool m_animate;
    engine::EventListenerKeyboard* m_keys = nullptr;
    engine::Scene* m_scene = nullptr;
    int m_current = -1;
};

} // namespace gallery
