#include "platform/kwin/KWinAnswers.h"

namespace varnic {

void KWinAnswers::reset(std::string owner) {
    {
        std::lock_guard lock(mutex_);
        owner_ = std::move(owner);
        ready_ = false;
        answers_.clear();
    }
    changed_.notify_all();
}

void KWinAnswers::setReady() {
    {
        std::lock_guard lock(mutex_);
        ready_ = true;
    }
    changed_.notify_all();
}

void KWinAnswers::answer(KWinResizeAnswer answer) {
    {
        std::lock_guard lock(mutex_);
        answers_.insert_or_assign(answer.serial, answer);
    }
    changed_.notify_all();
}

std::string KWinAnswers::kwinOwner() const {
    std::lock_guard lock(mutex_);
    return owner_;
}

bool KWinAnswers::ready() const {
    std::lock_guard lock(mutex_);
    return ready_;
}

std::optional<KWinResizeAnswer> KWinAnswers::take(std::int64_t serial) {
    std::lock_guard lock(mutex_);
    const auto found = answers_.find(serial);
    if (found == answers_.end()) return std::nullopt;
    const auto answer = found->second;
    // Answers to requests that timed out came late; none is waited for any more.
    answers_.erase(answers_.begin(), std::next(found));
    return answer;
}

bool KWinAnswers::waitFor(std::chrono::milliseconds timeout,
                          std::optional<std::int64_t> serial) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        if (owner_.empty()) return true;
        return serial ? answers_.contains(*serial) : ready_;
    });
}

}  // namespace varnic
