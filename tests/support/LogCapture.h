#pragma once

#include <string>
#include <vector>

#include "support/Log.h"

namespace varnic::testing {

// Collects every log line written while it lives, then restores the old sink.
class LogCapture {
  public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return lines_; }
    // Returns the lines so far and forgets them.
    std::vector<std::string> take();

  private:
    std::vector<std::string> lines_;
    Log::Sink previous_;
};

}  // namespace varnic::testing
