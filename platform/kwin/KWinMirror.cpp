#include "platform/kwin/KWinMirror.h"

#include <algorithm>

namespace varnic {

void KWinMirror::reset(std::string owner) {
    change([&](State& state) {
        const auto next = state.nextNumber;
        state = State{};
        state.kwinOwner = std::move(owner);
        state.nextNumber = next;
    });
}

void KWinMirror::update(KWinWindowRecord record) {
    change([&](State& state) {
        const auto found = state.windows.find(record.id);
        record.number = found != state.windows.end() ? found->second.number : state.nextNumber++;
        state.windows.insert_or_assign(record.id, std::move(record));
    });
}

void KWinMirror::remove(const std::string& id) {
    change([&](State& state) {
        state.windows.erase(id);
        if (state.active == id) state.active.clear();
    });
}

void KWinMirror::activate(std::string id) {
    change([&](State& state) { state.active = std::move(id); });
}

void KWinMirror::setReady() {
    change([](State& state) { state.ready = true; });
}

void KWinMirror::answer(KWinResizeAnswer answer) {
    change([&](State& state) { state.answers.insert_or_assign(answer.serial, answer); });
}

std::string KWinMirror::kwinOwner() const {
    std::lock_guard lock(mutex_);
    return state_.kwinOwner;
}

bool KWinMirror::ready() const {
    std::lock_guard lock(mutex_);
    return state_.ready;
}

std::optional<KWinWindowRecord> KWinMirror::window(const std::string& id) const {
    std::lock_guard lock(mutex_);
    const auto found = state_.windows.find(id);
    if (found == state_.windows.end()) return std::nullopt;
    return found->second;
}

std::optional<KWinWindowRecord> KWinMirror::activeWindow() const {
    std::lock_guard lock(mutex_);
    const auto found = state_.windows.find(state_.active);
    if (found == state_.windows.end()) return std::nullopt;
    return found->second;
}

std::vector<KWinWindowRecord> KWinMirror::windows(
    const std::function<bool(const KWinWindowRecord&)>& keep) const {
    std::lock_guard lock(mutex_);
    return frontFirst(state_, keep);
}

std::vector<KWinWindowRecord> KWinMirror::frontFirst(
    const State& state, const std::function<bool(const KWinWindowRecord&)>& keep) {
    std::vector<KWinWindowRecord> list;
    for (const auto& [id, record] : state.windows) {
        if (!keep || keep(record)) list.push_back(record);
    }
    // Equal stacking positions keep the order windows appeared in, newest first.
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return a.stacking != b.stacking ? a.stacking > b.stacking : a.number > b.number;
    });
    return list;
}

std::optional<KWinResizeAnswer> KWinMirror::takeAnswer(std::int64_t serial) {
    std::lock_guard lock(mutex_);
    const auto found = state_.answers.find(serial);
    if (found == state_.answers.end()) return std::nullopt;
    const auto answer = found->second;
    // Answers to requests that timed out came late; none is waited for any more.
    state_.answers.erase(state_.answers.begin(), std::next(found));
    return answer;
}

bool KWinMirror::waitUntil(Deadline deadline, const std::function<bool(const State&)>& done) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_until(lock, deadline, [&] { return done(state_); });
}

}  // namespace varnic
