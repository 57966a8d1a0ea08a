#include "support/Log.h"

#include <cstdio>
#include <utility>

namespace varnic {
namespace {

Log::Sink& currentSink() {
    static Log::Sink sink;
    return sink;
}

}  // namespace

void Log::write(std::string_view line) {
    if (const auto& sink = currentSink()) {
        sink(line);
        return;
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

Log::Sink Log::replaceSink(Sink sink) {
    return std::exchange(currentSink(), std::move(sink));
}

}  // namespace varnic
