#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace varnic {

// The [Desktop Entry] group of a desktop entry file, read the way the
// Desktop Entry Specification lays one out: comments, group headers and
// key=value lines, the first group being [Desktop Entry].
class DesktopEntry {
  public:
    // Absent when the text is not a desktop entry; reason then says why.
    static std::optional<DesktopEntry> parse(std::string_view text, std::string& reason);

    // The unlocalised value with the string escapes (\s \n \t \r \\) undone.
    std::optional<std::string> value(std::string_view key) const;

    // Escapes a string value for writing; the inverse of what value() undoes.
    static std::string escape(std::string_view value);

  private:
    bool addLine(std::string_view line, std::size_t number, std::string& reason);

    std::map<std::string, std::string, std::less<>> values_;
    std::optional<std::string> group_;
    bool sawMainGroup_ = false;
};

}  // namespace varnic
