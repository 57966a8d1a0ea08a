#include "platform/xdg/DesktopExec.h"

namespace varnic::desktopexec {
namespace {

bool escapedInQuotes(char c) {
    return c == '"' || c == '`' || c == '$' || c == '\\';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// One argument being read; an argument made of field codes alone disappears.
struct Argument {
    std::string text;
    bool started = false;
    bool literal = false;

    void add(char c) {
        text += c;
        literal = true;
    }
};

}  // namespace

std::string quoteProgram(std::string_view program) {
    std::string quoted = "\"";
    for (const char c : program) {
        if (escapedInQuotes(c)) quoted += '\\';
        quoted += c;
        if (c == '%') quoted += '%';
    }
    quoted += '"';
    return quoted;
}

std::optional<std::vector<std::string>> split(std::string_view exec) {
    std::vector<std::string> arguments;
    Argument current;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        const bool hasNext = i + 1 < exec.size();
        if (!quoted && (c == ' ' || c == '\t' || c == '\n')) {
            if (current.started && current.literal) arguments.push_back(std::move(current.text));
            current = {};
            continue;
        }
        current.started = true;
        if (c == '"') {
            quoted = !quoted;
            current.literal = true;
        } else if (c == '%') {
            if (!hasNext || (exec[i + 1] != '%' && !isLetter(exec[i + 1]))) return std::nullopt;
            if (exec[++i] == '%') current.add('%');
        } else if (c == '\\' && (quoted ? hasNext && escapedInQuotes(exec[i + 1]) : true)) {
            if (!hasNext) return std::nullopt;
            current.add(exec[++i]);
        } else {
            current.add(c);
        }
    }
    if (quoted) return std::nullopt;
    if (current.started && current.literal) arguments.push_back(std::move(current.text));
    return arguments;
}

}  // namespace varnic::desktopexec
