#include "menus/DataLogMail.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "engine/app/Application.h"
#include "engine/app/Director.h"
#include "engine/base/Scheduler.h"

namespace nolvo::data_log_mail {

namespace {

const char* const kPollKey = "data-log-mail";

// -1 while the client runs, then 1 sent or 0 failed. Shared with the sending thread, which
// touches nothing else.
using Answer = std::shared_ptr<std::atomic<int>>;

struct Job {
    Answer answer;
    std::function<void(bool)> done;
};

std::vector<Job>& jobs()
{
    static std::vector<Job> pending;
    return pending;
}

// Address that identifies the poll in the scheduler.
int g_pollTarget = 0;

void poll()
{
    std::vector<Job> finished;
    auto& pending = jobs();
    for (auto it = pending.begin(); it != pending.end();) {
        if (it->answer->load() >= 0) {
            finished.push_back(std::move(*it));
            it = pending.erase(it);
        } else {
            ++it;
        }
    }
    if (pending.empty()) {
        engine::Director::getInstance()->getScheduler()->unschedule(kPollKey, &g_pollTarget);
    }
    // Run after the bookkeeping: a callback may start another hand-off.
    for (Job& job : finished) {
        if (job.done) job.done(job.answer->load() == 1);
    }
}

} // namespace

void handOff(const std::string& path, std::function<void(bool)> done)
{
    Answer answer = std::make_shared<std::atomic<int>>(-1);
    jobs().push_back(Job{answer, std::move(done)});
    engine::Scheduler* scheduler = engine::Director::getInstance()->getScheduler();
    if (!scheduler->isScheduled(kPollKey, &g_pollTarget)) {
        scheduler->schedule([](float) { poll(); }, &g_pollTarget, 0.0f, false, kPollKey);
    }
    std::thread([answer, path] {
        const bool sent = engine::Application::sendEmail("", kSubject, "", path);
        answer->store(sent ? 1 : 0);
    }).detach();
}

int pendingCount()
{
    return static_cast<int>(jobs().size());
}

} // namespace nolvo::data_log_mail
