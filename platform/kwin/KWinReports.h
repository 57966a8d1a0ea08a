#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "windows/RunningApplication.h"
#include "windows/WindowSystem.h"

namespace varnic {

struct KWinRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// One window as Varnic's resident KWin script describes it.
struct KWinWindowRecord {
    std::string id;  // KWin's internal id, stable for the window's life
    Pid pid = 0;     // 0 when KWin does not know it
    std::uint32_t x11Window = 0;
    std::string resourceClass;
    std::string caption;
    KWinRect frame;
    std::optional<KWinRect> client;
    std::optional<Size> minSize;
    std::optional<Size> maxSize;
    bool normal = false;
    bool dialog = false;
    bool desktop = false;
    bool dock = false;
    bool popup = false;
    bool notification = false;
    bool keepAbove = false;
    bool skipTaskbar = false;
    bool minimized = false;
    bool resizeable = false;
    std::int64_t stacking = 0;  // higher is nearer the front
    std::int64_t number = 0;    // the mirror's own number for the window list

    // The record of a report, absent when the report is not a window
    // description: anything KWin sends is checked, never trusted.
    static std::optional<KWinWindowRecord> parse(std::string_view json, std::string caption);
};

// The answer of one resize request script.
struct KWinResizeAnswer {
    enum class State { gone, fixed, asked };
    std::int64_t serial = 0;
    State state = State::gone;

    static std::optional<KWinResizeAnswer> parse(std::string_view json);
};

}  // namespace varnic
