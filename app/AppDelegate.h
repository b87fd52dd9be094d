#pragma once
// The application object: prepares the model, the window and the accessory link, runs the main
// scene, and saves the working configuration whenever the window is minimized or closed.
// Render thread only (the thread that calls run()).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/Application.h"

namespace nolvo {

class AccessoryCommunication;
class AccessoryCommunicationDelegate;
class AccessoryLinkControl;
class DataLogger;
class FieldControls;
class LinkRecorder;
class Recording;
class MainScene;
class ScreenLog;

class AppDelegate : public engine::Application {
public:
    // The on-screen log's limits: the shown levels and the lifetime of a line.
    static constexpr int kScreenLogMask = 31;
    static constexpr float kScreenLogTimeoutMs = 15000.0f;
    static constexpr int kSettingsLogLevel = 1; // on-screen log level of the settings store's message
    // The on-screen log lies over the plot, its labels and the watermark, and under the open
    // tables, menus and alerts, whose text it would otherwise scribble over.
    static constexpr int kScreenLogZOrder = 68;

    AppDelegate();
    // Stops the link and the worker if shutdown() has not run.
    ~AppDelegate() override;

    void initGLContextAttrs() override;
    bool applicationDidFinishLaunching() override;
    void applicationDidEnterBackground() override;
    void applicationWillEnterForeground() override;

    // After run() returns: stops and joins the link thread (releasing the accessory) and the
    // worker, and closes an open data log. Safe to call more than once.
    void shutdown();

    // Runs after the scene is running and before the link starts (tests inspect the state here).
    void setBeforeLinkHook(std::function<void()> hook) { m_beforeLink = std::move(hook); }
    // Leaves the accessory link out (tests that must not touch USB or play the demo).
    void setStartLink(bool start) { m_startLink = start; }
    // A stream recording to replay from the start instead of the accessory (null: none).
    void setReplay(std::shared_ptr<const Recording> recording) { m_replay = std::move(recording); }

    AccessoryCommunication* link() const { return m_link.get(); }
    AccessoryCommunicationDelegate* accessoryDelegate() const { return m_delegate.get(); }
    LinkRecorder* recorder() const { return m_recorder.get(); }
    FieldControls* fieldControls() const { return m_fieldControls; }
    MainScene* scene() const { return m_scene; }
    ScreenLog* screenLog() const { return m_screenLog; }
    int backgroundSaves() const { return m_backgroundSaves; }

private:
    std::unique_ptr<AccessoryCommunicationDelegate> m_delegate;
    std::unique_ptr<AccessoryCommunication> m_link;
    std::unique_ptr<DataLogger> m_dataLogger;
    std::unique_ptr<AccessoryLinkControl> m_linkControl; // handed to the menu controller
    std::unique_ptr<LinkRecorder> m_recorder;
    std::shared_ptr<const Recording> m_replay;
    FieldControls* m_fieldControls = nullptr; // owned by the scene
    MainScene* m_scene = nullptr;     // owned by the director while it runs
    ScreenLog* m_screenLog = nullptr; // retained until shutdown
    std::function<void()> m_beforeLink;
    bool m_startLink = true;
    bool m_shutDown = false;
    int m_backgroundSaves = 0;
};

} // namespace nolvo
