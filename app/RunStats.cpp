#include "app/RunStats.h"

#include <atomic>
#include <csignal>
#include <cstdio>

#include "engine/app/Director.h"
#include "engine/base/Ref.h"

namespace nolvo::runstats {

namespace {

std::atomic<bool> g_asked{false};

extern "C" void onStatsSignal(int)
{
    g_asked.store(true);
}

} // namespace

void install()
{
    struct sigaction action {};
    action.sa_handler = onStatsSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
}

void reportIfAsked()
{
    if (!g_asked.exchange(false)) return;
    const engine::Director* director = engine::Director::getInstance();
    std::printf("nolvo stats: frames %llu objects %zu ticks %llu\n",
                static_cast<unsigned long long>(director->getRenderedFrames()), engine::Ref::getLiveCount(),
                static_cast<unsigned long long>(director->getTotalFrames()));
    std::fflush(stdout);
}

} // namespace nolvo::runstats
