#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

namespace varnic {

class MainQueue;

// Coalesces a view's redraw requests into one render on the next turn of the
// main queue. Managers announce a store before making it, so the new value
// can only be read then. Nothing runs once the owning view is gone.
class DeferredRender {
  public:
    DeferredRender(MainQueue& queue, QObject* owner, std::function<void()> render);

    void schedule();

  private:
    MainQueue& queue_;
    QPointer<QObject> owner_;
    std::function<void()> render_;
    bool pending_ = false;
};

}  // namespace varnic
