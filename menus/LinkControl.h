#pragma once
// What the window may ask of the accessory link: stop streaming, send the settings again and
// restart (optionally clearing the histories), or start demo playback over with the model's
// current demo choices. The application implements it on top of the accessory delegate; the
// menus and the keyboard shortcuts reach it through MenuController::linkControl(). Every call
// returns at once: the link thread and the worker act on it within their next passes.
// Render thread only.

namespace nolvo {

class LinkControl {
public:
    virtual ~LinkControl() = default;
    // Stops the accessory's stream (once it is identified); it stays stopped until a restart or
    // until the run state asks for data again.
    virtual void requestStop() = 0;
    // Sends the current settings to the accessory and starts streaming again.
    virtual void requestRestart(bool clearHistories) = 0;
    // Without an accessory: identifies the demo hardware again and replays its recordings from
    // the start (after a change of the demo hardware or scene).
    virtual void restartDemoPlayback() = 0;
};

} // namespace nolvo
