#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The Exec key's own quoting (Desktop Entry Specification, "The Exec key"),
// which sits below the string escapes of DesktopEntry.
namespace varnic::desktopexec {

// The Exec value that starts program without arguments: one argument in
// double quotes, with ", `, $ and \ escaped by a backslash and % doubled.
std::string quoteProgram(std::string_view program);

// The arguments of an Exec value (string escapes already undone): quoting
// and %% undone, field codes (%f, %U, ...) dropped. Absent when malformed.
std::optional<std::vector<std::string>> split(std::string_view exec);

}  // namespace varnic::desktopexec
