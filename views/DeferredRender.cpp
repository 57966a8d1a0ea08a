#include "views/DeferredRender.h"

#include "support/MainQueue.h"

namespace varnic {

DeferredRender::DeferredRender(MainQueue& queue, QObject* owner, std::function<void()> render)
    : queue_(queue), owner_(owner), render_(std::move(render)) {}

// The task checks the owner, not this object: this is a member of the owner
// and goes with it, and no task runs in between.
void DeferredRender::schedule() {
    if (pending_) return;
    pending_ = true;
    queue_.post([this, owner = owner_] {
        if (!owner) return;
        pending_ = false;
        render_();
    });
}

}  // namespace varnic
