#pragma once
// One screen with every kind of node and widget the engine offers: sprites (flipped, mirrored,
// rotated, tinted, a texture rectangle), draw-node shapes, labels (fonts, wrapping, alignment,
// overflow), buttons, nine-slice images, a clipped layer and a texture updated in place.
// Static unless animate is set, so a still gallery costs (almost) nothing to show.

#include "GalleryImages.h"
#include "engine/scene/Scene.h"

namespace gallery {

class GalleryScene : public engine::Scene {
public:
    static GalleryScene* create(const GalleryImages& images, bool animate);

private:
    bool initWithImages(const GalleryImages& images, bool animate);
    void addSprites(const GalleryImages& images, bool animate);
    void addShapes();
    void addLabels();
    void addWidgets(const GalleryImages& images);
    void addClippingAndTexture(const GalleryImages& images);
};

} // namespace gallery
