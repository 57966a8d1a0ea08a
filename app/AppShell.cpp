#include "app/AppShell.h"

namespace varnic {

void AppShell::hideOwnApplication() {
    if (panel_) panel_->hide();
}

}  // namespace varnic
