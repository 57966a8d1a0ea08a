#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kwin/KWinReports.h"

namespace varnic {

// What Varnic knows of KWin's windows, kept up to date by the resident
// script's reports. Reports arrive on the receiver's thread while the main
// thread reads and waits, so every access takes the lock.
class KWinMirror {
  public:
    using Deadline = std::chrono::steady_clock::time_point;

    struct State {
        std::string kwinOwner;  // the unique bus name reports must come from
        bool ready = false;     // the resident script reported in
        std::map<std::string, KWinWindowRecord> windows;
        std::string active;
        std::map<std::int64_t, KWinResizeAnswer> answers;
        std::int64_t nextNumber = 1;
    };

    // Forgets everything and expects reports from owner (empty: none).
    void reset(std::string owner);
    void update(KWinWindowRecord record);
    void remove(const std::string& id);
    void activate(std::string id);
    void setReady();
    void answer(KWinResizeAnswer answer);

    std::string kwinOwner() const;
    bool ready() const;
    std::optional<KWinWindowRecord> window(const std::string& id) const;
    std::optional<KWinWindowRecord> activeWindow() const;
    // Windows nearest the front first; only those kept, when keep is given.
    std::vector<KWinWindowRecord> windows(
        const std::function<bool(const KWinWindowRecord&)>& keep = {}) const;
    static std::vector<KWinWindowRecord> frontFirst(
        const State& state, const std::function<bool(const KWinWindowRecord&)>& keep = {});
    // The answer to a request, dropping those to earlier ones.
    std::optional<KWinResizeAnswer> takeAnswer(std::int64_t serial);

    // Waits until done(state) holds or the deadline passes; says which.
    bool waitUntil(Deadline deadline, const std::function<bool(const State&)>& done) const;

  private:
    template <typename F>
    void change(F&& apply) {
        {
            std::lock_guard lock(mutex_);
            apply(state_);
        }
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    State state_;
};

}  // namespace varnic
