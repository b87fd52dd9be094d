#include "app/AccessoryLinkControl.h"

#include "accessory/AccessoryCommunicationDelegate.h"

namespace nolvo {

void AccessoryLinkControl::requestStop()
{
    m_delegate.requestStop();
}

void AccessoryLinkControl::requestRestart(bool clearHistories)
{
    m_delegate.requestRestart(clearHistories);
}

void AccessoryLinkControl::restartDemoPlayback()
{
    m_delegate.requestPlaybackRestart();
}

} // namespace nolvo
