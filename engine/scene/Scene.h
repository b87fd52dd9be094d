#pragma once
// The root of a scene graph; fills the window (content size = window size at creation).

#include "engine/scene/Node.h"

namespace engine {

class Scene : public Node {
public:
    static Scene* create();
    bool init() override;

protected:
    Scene();
};

} // namespace engine
