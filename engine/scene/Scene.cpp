#include "engine/scene/Scene.h"

#include <new>

#include "engine/app/Director.h"

namespace engine {

Scene::Scene()
{
    m_ignoreAnchorPointForPosition = true;
    setAnchorPoint(Vec2::ANCHOR_MIDDLE);
}

Scene* Scene::create()
{
    auto* scene = new (std::nothrow) Scene();
    if (scene && scene->init()) {
        scene->autorelease();
        return scene;
    }
    delete scene;
    return nullptr;
}

bool Scene::init()
{
    setContentSize(Director::getInstance()->getWinSize());
    return true;
}

} // namespace engine
