#pragma once

namespace varnic {

// The program: composes the real platform (X11, the Qt event loop, XDG
// autostart), starts the delegate and runs the event loop until "Quit".
class VarnicApp {
  public:
    static int run(int argc, char** argv);
};

}  // namespace varnic
