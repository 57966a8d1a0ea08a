#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/kwin/KWinReports.h"

namespace varnic {

// What Varnic's scripts answer besides windows: which KWin they run in,
// whether the resident one reported in, and the answers to resize requests.
// Answers arrive on the receiver's thread while the main thread waits.
class KWinAnswers {
  public:
    // Forgets everything and expects answers from owner (empty: none).
    void reset(std::string owner);
    void setReady();
    void answer(KWinResizeAnswer answer);

    std::string kwinOwner() const;
    bool ready() const;
    // The answer to a request, dropping those to earlier ones.
    std::optional<KWinResizeAnswer> take(std::int64_t serial);
    // Waits at most timeout until the resident script reported in, KWin
    // left, or serial (when given) was answered; says whether one did.
    bool waitFor(std::chrono::milliseconds timeout, std::optional<std::int64_t> serial) const;

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::string owner_;
    bool ready_ = false;
    std::map<std::int64_t, KWinResizeAnswer> answers_;
};

}  // namespace varnic
