#pragma once
// The program's application object: derive from it, implement the hooks and call run().
// run() opens nothing itself: the launch hook creates the GL view (GLViewImpl::createWithRect)
// and sets it on the Director. Then the loop runs frames at most one per animation interval while
// something moves, and otherwise sleeps on window events until input arrives, a producer thread
// publishes data (platform/FrameWake.h) or the Director's idle wait passes (no busy waiting),
// until the window closes or Director::end() is called.
// Render thread (the thread that calls run()).

#include <string>

namespace engine {

class Application {
public:
    Application();
    virtual ~Application();
    static Application* getInstance();

    // Requests the GL context attributes (GLView::setGLContextAttrs) before the view exists.
    virtual void initGLContextAttrs() {}
    // Creates the view and runs the first scene. Returning false ends run() with 1.
    virtual bool applicationDidFinishLaunching() = 0;
    // Window minimized, or about to close.
    virtual void applicationDidEnterBackground() = 0;
    // Window restored.
    virtual void applicationWillEnterForeground() = 0;

    // Runs until the window closes; 0 after a clean end, 1 when launching failed.
    int run();
    void setAnimationInterval(float interval);

    // Hands an e-mail with an attached file to the desktop's mail client through xdg-email
    // (arguments passed as argv, never through a shell). True only when xdg-email ran and
    // exited with 0; a missing attachment is refused (false) before anything runs.
    static bool sendEmail(const std::string& recipient, const std::string& subject, const std::string& body,
                          const std::string& attachmentPath);

private:
    static void installDeviceServices();
};

} // namespace engine
