#include "accessory/LinkContext.h"

#include "model/ModelLock.h"

namespace nolvo {

PollingGuard::PollingGuard(std::mutex& mutex) : m_mutex(mutex)
{
    lockByPolling(m_mutex);
}

namespace {

// A stop that is about to go out, or waits for its acknowledgement, serves a new request too:
// sending another would only put the acknowledgement further off.
bool stopNotUnderWay(int state)
{
    return state != linkstate::kStop && state != linkstate::kAwaitStopAck;
}

} // namespace

void LinkContext::requestStop()
{
    if (identified.load()) {
        restartPending = false;
        advanceFrom(stopNotUnderWay, linkstate::kStop);
    }
}

void LinkContext::requestRestart(bool clearHistory)
{
    if (identified.load()) {
        restartPending = true;
        resendSettings = true;
        if (clearHistory) {
            clearHistoryPending = true; // two quick restarts: the first one's clearing still happens
        }
        // The flags are in place before the state is looked at: whoever leaves the stopped state
        // after this sees them.
        advanceFrom(stopNotUnderWay, linkstate::kStop);
    }
}

int LinkContext::protocolModelId()
{
    PollingGuard guard(protocolMutex);
    return protocol ? protocol->modelId() : 0;
}

} // namespace nolvo
