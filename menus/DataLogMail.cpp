#include "menus/DataLogMail.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <unistd.h>

#include "engine/app/Application.h"
#include "engine/app/Director.h"
#include "engine/base/Scheduler.h"
#include "menus/DataLogFiles.h"
#include "platform/FileUtils.h"

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

// Queues the job whose answer `answer` the poll delivers.
Answer startJob(std::function<void(bool)> done)
{
    Answer answer = std::make_shared<std::atomic<int>>(-1);
    jobs().push_back(Job{answer, std::move(done)});
    engine::Scheduler* scheduler = engine::Director::getInstance()->getScheduler();
    if (!scheduler->isScheduled(kPollKey, &g_pollTarget)) {
        scheduler->schedule([](float) { poll(); }, &g_pollTarget, 0.0f, false, kPollKey);
    }
    return answer;
}

} // namespace

void handOff(const std::string& path, std::function<void(bool)> done)
{
    Answer answer = startJob(std::move(done));
    std::thread([answer, path] {
        const bool sent = engine::Application::sendEmail("", kSubject, "", path);
        answer->store(sent ? 1 : 0);
    }).detach();
}

void handOffFile(int fd, const std::string& name, std::function<void(bool)> done)
{
    Answer answer = startJob(std::move(done));
    const std::string outgoing = outgoingDirectory();
    std::thread([answer, fd, name, outgoing] {
        // Staging may copy a large file: on this thread, not the render thread.
        const std::string staged = data_log_files::stageForMail(fd, name, outgoing);
        ::close(fd);
        const bool sent = !staged.empty() && engine::Application::sendEmail("", kSubject, "", staged);
        answer->store(sent ? 1 : 0);
    }).detach();
}

std::string outgoingDirectory()
{
    return engine::xdgHome("XDG_CACHE_HOME", ".cache") + "/nolvo/outgoing";
}

int pendingCount()
{
    return static_cast<int>(jobs().size());
}

} // namespace nolvo::data_log_mail
