#include "engine/app/Application.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <SDL2/SDL.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "platform/Device.h"
#include "platform/FrameWake.h"

extern char** environ;

namespace engine {

namespace {
Application* g_application = nullptr;
std::uint32_t g_wakeEvent = static_cast<std::uint32_t>(-1);

void pushWakeEvent()
{
    SDL_Event event{};
    event.type = g_wakeEvent;
    SDL_PushEvent(&event);
}
} // namespace

Application::Application()
{
    g_application = this;
}

Application::~Application()
{
    if (g_application == this) g_application = nullptr;
}

Application* Application::getInstance()
{
    return g_application;
}

void Application::setAnimationInterval(float interval)
{
    Director::getInstance()->setAnimationInterval(interval);
}

void Application::installDeviceServices()
{
    Device::setDpiProvider([]() {
        float ddpi = 0.0f;
        if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || SDL_GetDisplayDPI(0, &ddpi, nullptr, nullptr) != 0) return 0.0f;
        return ddpi;
    });
    Device::setKeepScreenOnHandler([](bool keepOn) {
        if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
        if (keepOn) SDL_DisableScreenSaver();
        else SDL_EnableScreenSaver();
    });
}

int Application::run()
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "engine: cannot start SDL video: %s\n", SDL_GetError());
        return 1;
    }
    installDeviceServices();
    initGLContextAttrs();
    Director* director = Director::getInstance();
    if (!applicationDidFinishLaunching()) {
        director->purge();
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return 1;
    }
    auto* view = dynamic_cast<GLViewImpl*>(director->getOpenGLView());
    if (!view) {
        std::fprintf(stderr, "engine: the launch hook set no GL view\n");
        director->purge();
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return 1;
    }
    view->setLifecycleHandlers([this]() { applicationDidEnterBackground(); },
                               [this]() { applicationWillEnterForeground(); });

    // Producer threads wake the loop through an event of its own (SDL_PushEvent may be called
    // from any thread); the event itself carries nothing and is dropped by the view.
    g_wakeEvent = SDL_RegisterEvents(1);
    if (g_wakeEvent != static_cast<std::uint32_t>(-1)) framewake::setWaker(&pushWakeEvent);

    using Clock = std::chrono::steady_clock;
    auto next = Clock::now();
    while (!view->windowShouldClose() && !director->isEnding()) {
        if (!director->isAnimationRunning()) {
            // Minimized: nothing to draw; wake for window events only.
            view->waitEvents(100);
            next = Clock::now();
            director->mainLoop();
            continue;
        }
        view->pollEvents();
        if (view->windowShouldClose()) break;
        framewake::take();
        director->mainLoop();
        if (!director->needsNextFrame()) {
            // Nothing moves: sleep until input, a producer's wake-up or the next timer, then run
            // a frame at once; frames that follow it keep the animation pace.
            const double wait = director->getIdleWait();
            view->waitEvents(std::max(1, static_cast<int>(std::ceil(wait * 1000.0))));
            next = Clock::now();
            continue;
        }
        const auto interval = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(director->getAnimationInterval()));
        next += interval;
        const auto now = Clock::now();
        if (next > now) {
            std::this_thread::sleep_until(next);
        } else if (now - next > interval * 4) {
            // Far behind (a stall): do not race to catch up.
            next = now;
        }
    }
    framewake::setWaker(nullptr);
    director->purge();
    Device::setDpiProvider(nullptr);
    Device::setKeepScreenOnHandler(nullptr);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    return 0;
}

bool Application::sendEmail(const std::string& recipient, const std::string& subject, const std::string& body,
                            const std::string& attachmentPath)
{
    if (!attachmentPath.empty()) {
        struct stat info {};
        // The path itself must be a regular file: a link could point anywhere.
        if (lstat(attachmentPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            return false;
        }
    }
    std::vector<std::string> args = {"xdg-email", "--utf8", "--subject", subject, "--body", body};
    if (!attachmentPath.empty()) {
        args.push_back("--attach");
        args.push_back(attachmentPath);
    }
    if (!recipient.empty()) {
        // "--" would not be understood by xdg-email; a recipient starting with '-' is refused
        // instead so it cannot pass for an option.
        if (recipient.front() == '-') return false;
        args.push_back(recipient);
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-email", nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace engine
