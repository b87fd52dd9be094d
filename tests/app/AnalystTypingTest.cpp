#include <gtest/gtest.h>

#include "app/AnalystTools.h"
#include "menus/AccessPointFilterMenu.h"

namespace nolvo {
namespace {

using Key = engine::EventKeyboard::KeyCode;
using Typing = AnalystTools::Typing;

TEST(AnalystTyping, KeysEditTheSsidTextAsTyped)
{
    struct Step {
        Key key;
        int raw;
        bool shift;
        Typing result;
        const char* text;
    } steps[] = {
        {Key::KEY_BACKSPACE, 0, false, Typing::Ignored, ""}, // nothing to delete
        {Key::KEY_G, 'g', true, Typing::Edited, "G"},
        {Key::KEY_U, 'u', false, Typing::Edited, "Gu"},
        {Key::KEY_MINUS, '-', true, Typing::Edited, "Gu_"},
        {Key::KEY_5, '5', false, Typing::Edited, "Gu_5"},
        {Key::KEY_NONE, '.', false, Typing::Edited, "Gu_5."},   // punctuation by its character
        {Key::KEY_SPACE, ' ', false, Typing::Edited, "Gu_5. "},
        {Key::KEY_NONE, 0x7F, false, Typing::Ignored, "Gu_5. "}, // not printable
        {Key::KEY_F3, 0, false, Typing::Ignored, "Gu_5. "},
        {Key::KEY_BACKSPACE, 0, false, Typing::Edited, "Gu_5."},
        {Key::KEY_ENTER, 0, false, Typing::Done, "Gu_5."},
        {Key::KEY_ESCAPE, 0, false, Typing::Cancelled, "Gu_5."},
    };
    std::string text;
    for (const Step& s : steps) {
        EXPECT_EQ(AnalystTools::typeKey(text, s.key, s.raw, s.shift), s.result) << s.text;
        EXPECT_EQ(text, s.text);
    }
}

TEST(AnalystTyping, BackspaceRemovesAWholeCharacterAndTheTextStopsAt32Bytes)
{
    std::string text = "caf\xC3\xA9"; // "café", pasted into the filter by the menu
    EXPECT_EQ(AnalystTools::typeKey(text, Key::KEY_BACKSPACE, 0, false), Typing::Edited);
    EXPECT_EQ(text, "caf");
    text.assign(32, 'a');
    EXPECT_EQ(AnalystTools::typeKey(text, Key::KEY_B, 'b', false), Typing::Ignored);
    EXPECT_EQ(text.size(), 32u);
}

TEST(AnalystTyping, FilterMenuSignalSliderRoundTripsAndOffIsPositionZero)
{
    EXPECT_EQ(AccessPointFilterMenu::minimumSignalPosition(false, -60.0f), 0);
    EXPECT_EQ(AccessPointFilterMenu::minimumSignalText(false, -60.0f), "OFF");
    for (float dBm : {-100.0f, -80.0f, -60.0f, -20.0f}) {
        const int p = AccessPointFilterMenu::minimumSignalPosition(true, dBm);
        EXPECT_GE(p, 1);
        EXPECT_EQ(AccessPointFilterMenu::minimumSignalAt(p), dBm) << p;
    }
    EXPECT_EQ(AccessPointFilterMenu::minimumSignalText(true, -67.0f), "-67 dBm");
    const std::vector<int>& channels = AccessPointFilterMenu::channelChoices();
    EXPECT_EQ(channels.front(), 0); // "ANY"
    EXPECT_EQ(channels[14], 14);
    EXPECT_EQ(channels.back(), 165);
}

} // namespace
} // namespace nolvo
