#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "SceneTestFixture.h"
#include "engine/app/Director.h"
#include "engine/scene/Scene.h"
#include "engine/text/Label.h"
#include "menus/ScreenLog.h"
#include "model/DataModel.h"

namespace nolvo::test {
namespace {

using namespace engine;

class ScreenLogTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (HasFatalFailure()) return;
        scene = Scene::create();
        log = ScreenLog::create();
        ASSERT_NE(log, nullptr);
        log->setLevelMask(31);
        log->setTimeoutMs(15000.0f);
        scene->addChild(log, 1000);
        Director::getInstance()->runWithScene(scene);
        frames(1);
    }
    std::vector<Label*> labels() const
    {
        std::vector<Label*> out;
        for (Node* child : log->getChildren()) {
            if (auto* label = dynamic_cast<Label*>(child)) out.push_back(label);
        }
        return out;
    }
    Scene* scene = nullptr;
    ScreenLog* log = nullptr;
};

TEST_F(ScreenLogTest, LevelsOutsideTheMaskCreateNothing)
{
    EXPECT_EQ(log->log(32, "hidden %d", 1), nullptr);
    EXPECT_EQ(log->log(0, "hidden"), nullptr);
    auto shown = log->log(16, "channel %d: %s", 6, "busy");
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text, "channel 6: busy");
    EXPECT_EQ(shown->level, 16);
    frames(1);
    EXPECT_EQ(log->messageCount(), 1u);
    ASSERT_EQ(labels().size(), 1u);
    EXPECT_EQ(labels()[0]->getString(), "channel 6: busy");
}

TEST_F(ScreenLogTest, LabelsAreMadeOnlyByTheFrameAndNewLinesPushOldOnesUp)
{
    log->logText(1, "first");
    EXPECT_EQ(log->labelCount(), 0u);
    frames(1);
    ASSERT_EQ(labels().size(), 1u);
    const float firstY = labels()[0]->getPositionY();
    log->logText(1, "second");
    frames(1);
    ASSERT_EQ(labels().size(), 2u);
    Label* first = labels()[0]->getString() == "first" ? labels()[0] : labels()[1];
    Label* second = first == labels()[0] ? labels()[1] : labels()[0];
    EXPECT_GT(first->getPositionY(), firstY);
    EXPECT_FLOAT_EQ(second->getPositionY(), firstY);
    // Font size follows the screen: 640 / 50 - 1.
    EXPECT_FLOAT_EQ(second->getTTFConfig().fontSize, 640.0f / 50.0f - 1.0f);
}

TEST_F(ScreenLogTest, LinesExpireByAge)
{
    log->logText(1, "old");
    frames(1, 10'000);
    log->logText(1, "young");
    frames(1, 5'000); // "old" is 15 s old: not yet past the timeout
    EXPECT_EQ(log->texts(), (std::vector<std::string>{"old", "young"}));
    frames(1, 1);     // now it is
    EXPECT_EQ(log->texts(), std::vector<std::string>{"young"});
    EXPECT_EQ(labels().size(), 1u);
    frames(1, 15'000);
    EXPECT_EQ(log->messageCount(), 0u);
    EXPECT_TRUE(labels().empty());
}

TEST_F(ScreenLogTest, AtMostOneHundredNewerLinesAboveALine)
{
    for (int i = 0; i < 150; ++i) log->log(1, "line %d", i);
    frames(1);
    const auto texts = log->texts();
    ASSERT_EQ(texts.size(), 101u);
    EXPECT_EQ(texts.front(), "line 49");
    EXPECT_EQ(texts.back(), "line 149");
    EXPECT_EQ(labels().size(), 101u);
}

TEST_F(ScreenLogTest, HostileTextIsCutAndKeptOnOneLine)
{
    auto message = log->logText(1, std::string("a\nb") + std::string(5000, 'x'));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text.size(), ScreenLog::kMaxTextBytes);
    EXPECT_EQ(message->text.find('\n'), std::string::npos);
    // printf-style input that would overflow a fixed buffer is cut, not overrun.
    auto formatted = log->log(1, "%s", std::string(4000, 'y').c_str());
    ASSERT_NE(formatted, nullptr);
    EXPECT_EQ(formatted->text.size(), ScreenLog::kMaxTextBytes);
}

TEST_F(ScreenLogTest, ModelAndOtherThreadsLogThroughTheSink)
{
    DataModel::getInstance()->setLogSink(log);
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 20; ++i) DataModel::getInstance()->logLine(1, "thread " + std::to_string(t));
        });
    }
    for (std::thread& w : writers) w.join();
    DataModel::getInstance()->setLogSink(nullptr);
    EXPECT_EQ(log->labelCount(), 0u);
    frames(1);
    EXPECT_EQ(log->messageCount(), 80u);
    EXPECT_EQ(log->labelCount(), 80u);
}

// While the frame draws the lines (rasterising and uploading each label), another thread that
// logs goes straight through: it never waits for the drawing. The line it logs shows next frame.
TEST_F(ScreenLogTest, AThreadThatLogsDoesNotWaitForTheLabelsToBeDrawn)
{
    int made = 0;
    int loggedWhileDrawing = 0;
    std::future<void> other; // finished (joined) only after the frame, whatever happens
    log->setLabelMaker([&](const std::string& text, const std::string& fontFile, float fontSize) {
        ++made;
        if (text == "first") {
            // A wait of seconds means the other thread is held behind this drawing.
            other = std::async(std::launch::async, [this] { log->logText(1, "while drawing"); });
            if (other.wait_for(std::chrono::seconds(10)) == std::future_status::ready) ++loggedWhileDrawing;
        }
        return Label::createWithSystemFont(text, fontFile, fontSize);
    });
    log->logText(1, "first");
    frames(1);
    other.wait();
    EXPECT_EQ(loggedWhileDrawing, 1);
    frames(1);
    EXPECT_EQ(log->texts(), (std::vector<std::string>{"first", "while drawing"}));
    EXPECT_EQ(log->labelCount(), 2u);
    EXPECT_EQ(made, 2);
    log->setLabelMaker({});
}

// Narrow, then wide again: one label per line at the window's font size, none wider than the
// window, the newest just above the bar and the others stacked a line apart without gaps.
TEST_F(ScreenLogTest, AfterAResizeEachLineIsShownOnceFittedToTheWindow)
{
    const std::string longLine = "0) HomeNet-5G CH: 36 BW:40 SB:0 Alt: 0 Sec 4 Enc: 3 a/n/ac/ 1082523c and more";
    for (int i = 0; i < 5; ++i) log->log(1, "%d %s", i, longLine.c_str());
    frames(1);
    for (const Size size : {Size(480, 320), Size(960, 640)}) {
        SCOPED_TRACE(size.width);
        view->setFrameSize(size.width, size.height);
        frames(2);
        const std::vector<Label*> shown = labels();
        ASSERT_EQ(shown.size(), 5u);
        std::vector<float> ys;
        for (Label* label : shown) {
            EXPECT_FLOAT_EQ(label->getTTFConfig().fontSize, size.height / 50.0f - 1.0f);
            EXPECT_LE(label->getPositionX() + label->getContentSize().width, size.width);
            ys.push_back(label->getPositionY());
        }
        std::sort(ys.begin(), ys.end());
        EXPECT_EQ(std::adjacent_find(ys.begin(), ys.end()), ys.end()) << "two lines at one height";
        const float step = ys[1] - ys[0];
        EXPECT_GT(step, 0.0f);
        for (std::size_t i = 1; i < ys.size(); ++i) EXPECT_FLOAT_EQ(ys[i] - ys[i - 1], step);
        // The newest line is the lowest.
        Label* lowest = *std::min_element(shown.begin(), shown.end(), [](Label* a, Label* b) {
            return a->getPositionY() < b->getPositionY();
        });
        EXPECT_EQ(lowest->getString().substr(0, 2), "4 ");
    }
}

} // namespace
} // namespace nolvo::test
