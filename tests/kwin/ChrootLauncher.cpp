// Runs a program inside a Debian root as the calling user, without root
// rights: a user namespace that maps the user to itself gives the rights to
// bind the system folders and /tmp (so paths under /tmp mean the same inside
// and out) and to chroot; exec then drops them. /tmp/.X11-unix gets a fresh
// folder of the user's own, since KWin refuses one owned by a user the
// namespace does not know (root outside); X clients outside reach XWayland
// through its abstract socket.
// Usage: varnic_kwin_chroot ROOT PROGRAM [ARGUMENT...]
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

bool writeFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0) return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ROOT PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    const auto uid = std::to_string(::getuid());
    const auto gid = std::to_string(::getgid());
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
        !writeFile("/proc/self/uid_map", uid + " " + uid + " 1") ||
        !writeFile("/proc/self/setgroups", "deny") ||
        !writeFile("/proc/self/gid_map", gid + " " + gid + " 1")) {
        std::perror("varnic_kwin_chroot: user namespace");
        return 1;
    }
    for (const char* folder : {"/dev", "/proc", "/sys", "/tmp"}) {
        const auto target = root + folder;
        if (::mount(folder, target.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0) {
            std::perror(("varnic_kwin_chroot: bind " + target).c_str());
            return 1;
        }
    }
    const auto x11 = root + "/tmp/.X11-unix";
    if (::mount("tmpfs", x11.c_str(), "tmpfs", 0, "mode=1777") != 0) {
        std::perror(("varnic_kwin_chroot: tmpfs " + x11).c_str());
        return 1;
    }
    if (::chroot(root.c_str()) != 0 || ::chdir("/") != 0) {
        std::perror("varnic_kwin_chroot: chroot");
        return 1;
    }
    ::execvp(argv[2], argv + 2);
    std::perror("varnic_kwin_chroot: exec");
    return 127;
}
