#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "permissions/LoginItemService.h"

namespace varnic {

// Start at login through the XDG Autostart Specification: the login item is
// $XDG_CONFIG_HOME/autostart/varnic.desktop (~/.config when unset). Only an
// entry that Varnic wrote (it carries X-Varnic-Managed=true) is replaced or
// removed; any other file at that place is left alone and reported.
//
// XDG_CONFIG_HOME and HOME are read on every call, so the location follows
// the environment of the moment.
class XdgAutostart : public LoginItemService {
  public:
    // executable: the absolute path of the program to start at login.
    explicit XdgAutostart(std::filesystem::path executable);

    LoginItemStatus status() override;
    bool registerItem(std::string& error) override;
    bool unregisterItem(std::string& error) override;

    // Where the entry lives now; absent when neither variable gives a folder.
    static std::optional<std::filesystem::path> entryPath();

  private:
    std::filesystem::path executable_;
};

}  // namespace varnic
