#pragma once
// The link control the menus and shortcuts use, on top of the accessory delegate: stop and
// restart go to the delegate's state machine, a demo restart to its playback. Render thread
// calls; the delegate's requests are atomics read by its worker.

#include "menus/LinkControl.h"

namespace nolvo {

class AccessoryCommunicationDelegate;

class AccessoryLinkControl : public LinkControl {
public:
    // The delegate is not owned and must outlive this object.
    explicit AccessoryLinkControl(AccessoryCommunicationDelegate& delegate) : m_delegate(delegate) {}

    void requestStop() override;
    void requestRestart(bool clearHistories) override;
    void restartDemoPlayback() override;

private:
    AccessoryCommunicationDelegate& m_delegate;
};

} // namespace nolvo
