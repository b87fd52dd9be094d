#include "accessory/LinkContext.h"

#include "model/ModelLock.h"

namespace nolvo {

PollingGuard::PollingGuard(std::mutex& mutex) : m_mutex(mutex)
{
    lockByPolling(m_mutex);
}

void LinkContext::requestStop()
{
    if (identified.load()) {
        restartPending = false;
        state = linkstate::kStop;
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
        state = linkstate::kStop;
    }
}

int LinkContext::protocolModelId()
{
    PollingGuard guard(protocolMutex);
    return protocol ? protocol->modelId() : 0;
}

} // namespace nolvo
