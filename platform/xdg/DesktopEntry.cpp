#include "platform/xdg/DesktopEntry.h"

#include <algorithm>

namespace varnic {
namespace {

constexpr std::string_view mainGroup = "Desktop Entry";

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7f;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool isKeyChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// A key is [A-Za-z0-9-]+ optionally followed by a [locale] suffix.
bool isKey(std::string_view key, bool& localised) {
    const auto bracket = key.find('[');
    const auto name = key.substr(0, bracket);
    if (name.empty() || !std::all_of(name.begin(), name.end(), isKeyChar)) return false;
    localised = bracket != std::string_view::npos;
    if (!localised) return true;
    const auto locale = key.substr(bracket + 1);
    return locale.size() > 1 && locale.back() == ']' &&
           locale.substr(0, locale.size() - 1).find_first_of("[]") == std::string_view::npos;
}

std::string lineReason(std::size_t number, std::string_view what) {
    return "line " + std::to_string(number) + " " + std::string(what);
}

std::string unescape(std::string_view raw) {
    std::string value;
    value.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            value += raw[i];
            continue;
        }
        switch (raw[++i]) {
            case 's':
                value += ' ';
                break;
            case 'n':
                value += '\n';
                break;
            case 't':
                value += '\t';
                break;
            case 'r':
                value += '\r';
                break;
            case '\\':
                value += '\\';
                break;
            // Not a string escape: kept for the layer above (Exec quoting uses \" and \$).
            default:
                value += '\\', value += raw[i];
                break;
        }
    }
    return value;
}

}  // namespace

std::optional<DesktopEntry> DesktopEntry::parse(std::string_view text, std::string& reason) {
    DesktopEntry entry;
    std::size_t number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!entry.addLine(line, ++number, reason)) return std::nullopt;
    }
    if (!entry.sawMainGroup_) {
        reason = "there is no [Desktop Entry] group";
        return std::nullopt;
    }
    return entry;
}

bool DesktopEntry::addLine(std::string_view line, std::size_t number, std::string& reason) {
    if (std::any_of(line.begin(), line.end(), isControl)) {
        reason = lineReason(number, "contains a control character");
        return false;
    }
    const auto content = trimmed(line);
    if (content.empty() || content.front() == '#') return true;
    if (content.front() == '[') {
        const auto name = content.substr(1, content.size() - 1);
        if (content.back() != ']' || name.size() < 2 ||
            name.substr(0, name.size() - 1).find_first_of("[]") != std::string_view::npos) {
            reason = lineReason(number, "is not a valid group header");
            return false;
        }
        group_ = std::string(name.substr(0, name.size() - 1));
        if (!sawMainGroup_ && *group_ != mainGroup) {
            reason = "the first group is [" + *group_ + "], not [Desktop Entry]";
            return false;
        }
        if (*group_ == mainGroup && sawMainGroup_) {
            reason = lineReason(number, "repeats the [Desktop Entry] group");
            return false;
        }
        sawMainGroup_ = sawMainGroup_ || *group_ == mainGroup;
        return true;
    }
    const auto equals = line.find('=');
    bool localised = false;
    if (equals == std::string_view::npos || !isKey(trimmed(line.substr(0, equals)), localised)) {
        reason = lineReason(number, "is neither a comment, a group header nor a key=value pair");
        return false;
    }
    if (!group_) {
        reason = lineReason(number, "has a key before any group");
        return false;
    }
    if (*group_ != mainGroup || localised) return true;
    const auto key = trimmed(line.substr(0, equals));
    // Spaces after the "=" are not part of the value; a leading \s keeps one.
    auto raw = line.substr(equals + 1);
    raw.remove_prefix(std::min(raw.find_first_not_of(" \t"), raw.size()));
    if (!values_.emplace(std::string(key), unescape(raw)).second) {
        reason = lineReason(number, "repeats the key " + std::string(key));
        return false;
    }
    return true;
}

std::optional<std::string> DesktopEntry::value(std::string_view key) const {
    const auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

std::string DesktopEntry::escape(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        switch (value[i]) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case ' ':
                escaped += i == 0 ? "\\s" : " ";
                break;
            default:
                escaped += value[i];
                break;
        }
    }
    return escaped;
}

}  // namespace varnic
