#include <gtest/gtest.h>

#include <vector>

#include "SceneTestFixture.h"
#include "engine/app/Director.h"
#include "engine/input/EventDispatcher.h"
#include "engine/input/EventListener.h"
#include "engine/scene/Layer.h"
#include "engine/scene/Scene.h"
#include "engine/text/Label.h"
#include "engine/ui/Button.h"
#include "menus/AlertViewDelegate.h"
#include "menus/AlertViewLayer.h"
#include "model/DataModel.h"

namespace nolvo::test {
namespace {

using namespace engine;

struct Recorder : AlertViewDelegate {
    std::vector<int> pressed;
    void alertViewClicked(AlertViewLayer*, std::int32_t index) override { pressed.push_back(index); }
};

class AlertTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (HasFatalFailure()) return;
        scene = Scene::create();
        // A touchable layer behind the alert: it must never see a touch while the alert is up.
        auto* behind = EventListenerTouchOneByOne::create();
        behind->onTouchBegan = [this](Touch*, Event*) {
            ++touchesBehind;
            return true;
        };
        Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(behind, scene);
        Director::getInstance()->runWithScene(scene);
        frames(1);
    }
    Vec2 centreOf(ui::Button* button) const
    {
        const Rect box = button->getBoundingBox();
        return {box.origin.x + box.size.width / 2, box.origin.y + box.size.height / 2};
    }
    bool alertShown() const
    {
        for (Node* child : scene->getChildren()) {
            if (dynamic_cast<AlertViewLayer*>(child)) return true;
        }
        return false;
    }
    Scene* scene = nullptr;
    int touchesBehind = 0;
};

TEST_F(AlertTest, ButtonsReportTheirIndexAndCloseTheAlert)
{
    for (int which : {0, 1}) {
        Recorder recorder;
        AlertViewLayer* alert = AlertViewLayer::create("Add access point", "Add it to the list?", "", {"Add", "Cancel"});
        ASSERT_NE(alert, nullptr);
        alert->setDelegate(&recorder);
        ASSERT_TRUE(alert->show());
        frames(1);
        ASSERT_EQ(alert->getButtons().size(), 2u);
        EXPECT_EQ(alert->getButtons()[0]->getTitleText(), "Add");
        EXPECT_EQ(alert->getButtons()[1]->getTitleText(), "Cancel");
        const Vec2 at = centreOf(alert->getButtons()[which]);
        click(at.x, at.y);
        EXPECT_EQ(recorder.pressed, std::vector<int>{which});
        frames(1);
        EXPECT_FALSE(alertShown());
    }
    EXPECT_EQ(touchesBehind, 0);
}

TEST_F(AlertTest, WithoutDelegateAnyButtonClosesSilently)
{
    AlertViewLayer* alert = AlertViewLayer::create("Title", "Message", "More", {"OK"});
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(alert->show());
    frames(1);
    ASSERT_EQ(alert->getButtons().size(), 2u); // "OK" and the extra action
    EXPECT_EQ(alert->getButtons()[1]->getTag(), AlertViewLayer::kExtraActionIndex);
    const Vec2 at = centreOf(alert->getButtons()[1]);
    click(at.x, at.y);
    frames(1);
    EXPECT_FALSE(alertShown());
    EXPECT_EQ(touchesBehind, 0);
}

TEST_F(AlertTest, SwallowsTouchesOutsideItsButtons)
{
    Recorder recorder;
    AlertViewLayer* alert = AlertViewLayer::create("T", "M", "", {"OK"});
    ASSERT_NE(alert, nullptr);
    alert->setDelegate(&recorder);
    ASSERT_TRUE(alert->show());
    frames(1);
    click(20, 20); // far from the box
    frames(1);
    EXPECT_TRUE(alertShown());
    EXPECT_TRUE(recorder.pressed.empty());
    EXPECT_EQ(touchesBehind, 0);
}

TEST_F(AlertTest, DesktopLayoutIs384WideCentredAndLeavesOutEmptyTexts)
{
    AlertViewLayer* alert = AlertViewLayer::create("", "Only a message", "", {"OK"});
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(alert->show());
    frames(1);
    const Rect box = alert->getBoxRect();
    EXPECT_FLOAT_EQ(box.size.width, 384.0f);
    EXPECT_FLOAT_EQ(box.origin.x + box.size.width / 2, 480.0f);
    EXPECT_NEAR(box.origin.y + box.size.height / 2, 320.0f, 0.5f);
    int labels = 0;
    for (Node* child : alert->getChildren()) {
        if (auto* label = dynamic_cast<Label*>(child)) {
            ++labels;
            EXPECT_EQ(label->getString(), "Only a message");
        }
    }
    EXPECT_EQ(labels, 1);
    EXPECT_FLOAT_EQ(alert->getButtons()[0]->getContentSize().height, 32.0f);

    // The dimmed backdrop darkens the whole screen; the box is drawn over it.
    readPixels();
    const std::uint32_t corner = pixel(5, 5);
    const std::uint32_t inBox = pixel(static_cast<int>(box.origin.x + 6), static_cast<int>(box.origin.y + box.size.height / 2));
    EXPECT_NE(corner, inBox);
}

TEST_F(AlertTest, ShowWithoutRunningSceneFails)
{
    Director::getInstance()->purge();
    Director::getInstance()->setOpenGLView(GLViewImpl::createWithRect("again", Rect(0, 0, 960, 640), 1.0f, true));
    AlertViewLayer* alert = AlertViewLayer::create("T", "M", "", {"OK"});
    ASSERT_NE(alert, nullptr);
    EXPECT_FALSE(alert->show());
}

} // namespace
} // namespace nolvo::test
