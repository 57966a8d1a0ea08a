#include "windows/WindowDiscovery.h"

namespace varnic {

std::optional<WindowDiscovery::Publication> WindowDiscovery::discover(std::optional<Pid>) {
    return std::nullopt;
}

}  // namespace varnic
