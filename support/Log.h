#pragma once

#include <functional>
#include <string_view>

namespace varnic {

// One line per event on standard output, flushed per line. Tests swap the sink.
class Log {
  public:
    using Sink = std::function<void(std::string_view line)>;

    static void write(std::string_view line);
    // Installs a sink and returns the previous one; an empty sink means stdout.
    static Sink replaceSink(Sink sink);
};

}  // namespace varnic
