// The command line of nolvo, the replay keys and the recording key, without a window.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "accessory/LinkRecorder.h"
#include "accessory/RecordingReader.h"
#include "app/CommandLine.h"
#include "app/FieldShortcuts.h"
#include "fakes/AccessoryRig.h"

namespace nolvo {
namespace {

using Key = engine::EventKeyboard::KeyCode;
using Action = CommandLine::Action;

CommandLine parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "nolvo");
    return CommandLine::parse(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, OnlyReplayTakesAValue)
{
    const struct {
        std::vector<const char*> args;
        Action action;
        const char* replay;
        const char* error;
    } cases[] = {
        {{}, Action::Run, "", ""},
        {{"--replay", "site.nolrec"}, Action::Run, "site.nolrec", ""},
        {{"--help"}, Action::Help, "", ""},
        {{"-h"}, Action::Help, "", ""},
        {{"--version"}, Action::Version, "", ""},
        {{"--replay", "a", "--help"}, Action::Help, "", ""},
        {{"--replay"}, Action::Error, "", "--replay needs a recording file"},
        {{"--replay", ""}, Action::Error, "", "--replay needs a recording file"},
        {{"--replay", "a", "--replay", "b"}, Action::Error, "", "only one --replay at a time"},
        {{"--fullscreen"}, Action::Error, "", "unknown option --fullscreen"},
        {{"site.nolrec"}, Action::Error, "", "unexpected argument site.nolrec"},
    };
    for (const auto& c : cases) {
        const CommandLine line = parse(c.args);
        EXPECT_EQ(line.action, c.action) << (c.args.empty() ? "(none)" : c.args[0]);
        if (c.action == Action::Run) {
            EXPECT_EQ(line.replayFile, c.replay);
        }
        if (c.action == Action::Error) {
            EXPECT_EQ(line.error, c.error);
        }
    }
    EXPECT_EQ(CommandLine::versionText(), std::string("nolvo ") + NOLVO_TEST_VERSION);
}

std::shared_ptr<const Recording> oneMinuteRecording()
{
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25);
    DataModel defaults;
    std::vector<std::uint8_t> file =
        recording::encodeHeader(LinkRecorder::headerFor(defaults, simulator.identificationFrame(), "t"));
    const std::uint8_t byte = 0;
    for (std::uint64_t t = 0; t <= 60000000; t += 1000000) {
        const auto chunk = recording::encodeChunk(recording::ChunkKind::kReceived, t, &byte, 1);
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    std::string error;
    return Recording::parse(file, "minute.nolrec", error);
}

TEST(FieldShortcuts, ReplayKeysPauseSeekAndEnd)
{
    RecordingPlayback replay;
    EXPECT_FALSE(field::replayKey(Key::KEY_SPACE, replay)); // no replay: the key is not ours
    replay.start(oneMinuteRecording());
    replay.chunksUpTo(30000000, [](const std::uint8_t*, std::size_t, std::uint64_t) {});
    const struct {
        Key key;
        std::int64_t seek; // requested position, kNoSeek for none
        bool paused;
    } steps[] = {
        {Key::KEY_SPACE, RecordingPlayback::kNoSeek, true},
        {Key::KEY_SPACE, RecordingPlayback::kNoSeek, false},
        {Key::KEY_RIGHT_ARROW, 40000000, false},
        {Key::KEY_LEFT_ARROW, 20000000, false},
        {Key::KEY_HOME, 0, false},
        {Key::KEY_END, 60000000, false},
    };
    for (const auto& step : steps) {
        replay.takeSeek();
        EXPECT_TRUE(field::replayKey(step.key, replay));
        EXPECT_EQ(replay.takeSeek(), step.seek);
        EXPECT_EQ(replay.paused(), step.paused);
    }
    // Quick steps add up before the worker takes them, and stop at the ends.
    EXPECT_TRUE(field::replayKey(Key::KEY_LEFT_ARROW, replay));
    EXPECT_TRUE(field::replayKey(Key::KEY_LEFT_ARROW, replay));
    EXPECT_EQ(replay.takeSeek(), 10000000);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(field::replayKey(Key::KEY_RIGHT_ARROW, replay));
    }
    EXPECT_EQ(replay.takeSeek(), 60000000);
    EXPECT_FALSE(field::replayKey(Key::KEY_R, replay));
    EXPECT_TRUE(field::replayKey(Key::KEY_ESCAPE, replay));
    EXPECT_FALSE(replay.active());
}

TEST(FieldShortcuts, RecordingNeedsAnIdentifiedAccessory)
{
    const std::string dir = std::filesystem::temp_directory_path() / "nolvo-field-shortcuts";
    std::filesystem::remove_all(dir);
    testing::ParserRig rig(sim::SimulatedModel::kNolvo2);
    LinkRecorder recorder;
    rig.model.accessoryConnected = true;
    EXPECT_EQ(field::toggleRecording(recorder, rig.delegate, rig.model, dir, "t"), "Recording needs a connected accessory.");
    EXPECT_FALSE(recorder.recording());
    rig.bringUp();
    const std::string started = field::toggleRecording(recorder, rig.delegate, rig.model, dir, "t");
    ASSERT_TRUE(recorder.recording()) << started;
    EXPECT_EQ(started, "Recording to " + recorder.path());
    const std::string path = recorder.path();
    EXPECT_EQ(field::toggleRecording(recorder, rig.delegate, rig.model, dir, "t"), "Recording saved: " + path);
    std::string error;
    const auto recording = Recording::open(path, error);
    ASSERT_TRUE(recording) << error;
    EXPECT_EQ(recording->header().identification, rig.simulator->identificationFrame());
    std::filesystem::remove_all(dir);
}

TEST(FieldShortcuts, ClockText)
{
    EXPECT_EQ(field::clockText(0), "00:00");
    EXPECT_EQ(field::clockText(187999999), "03:07");
    EXPECT_EQ(field::clockText(3723000000ull), "1:02:03");
}

} // namespace
} // namespace nolvo
