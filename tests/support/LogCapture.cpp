#include "tests/support/LogCapture.h"

#include <utility>

namespace varnic::testing {

LogCapture::LogCapture()
    : previous_(Log::replaceSink([this](std::string_view line) { lines_.emplace_back(line); })) {}

LogCapture::~LogCapture() {
    Log::replaceSink(std::move(previous_));
}

std::vector<std::string> LogCapture::take() {
    return std::exchange(lines_, {});
}

}  // namespace varnic::testing
