#pragma once

#include <cstdint>

#include "platform/kwin/KWinAnswers.h"
#include "platform/kwin/KWinScripts.h"
#include "platform/mirror/WindowMirror.h"
#include "platform/mirror/WindowSource.h"

namespace varnic {

// Sizes a window's frame under KWin. KWin scripts take no calls, so each
// request is a script of its own that sets the frame and answers; the size
// the window then takes comes from the resident script's reports, on Wayland
// only once the client acknowledged it.
class KWinResize {
  public:
    KWinResize(KWinScripts& scripts, KWinAnswers& answers, const WindowMirror& mirror)
        : scripts_(scripts), answers_(answers), mirror_(mirror) {}

    SizeWriteResult operator()(const MirrorWindow& window, Size size,
                               WindowSource::Deadline deadline);

  private:
    SizeWriteResult awaitSize(const std::string& id, Size size, WindowSource::Deadline deadline);

    KWinScripts& scripts_;
    KWinAnswers& answers_;
    const WindowMirror& mirror_;
    std::int64_t nextSerial_ = 1;
};

}  // namespace varnic
