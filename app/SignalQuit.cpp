#include "app/SignalQuit.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "support/Log.h"

namespace varnic {
namespace {

constexpr std::array quitSignals{SIGTERM, SIGINT, SIGHUP};
// The handler's only state; one SignalQuit exists at a time.
volatile std::sig_atomic_t writeEnd = -1;

void onSignal(int number) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    // A full pipe already holds a quit request; nothing is lost.
    [[maybe_unused]] const auto written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

void setAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : quitSignals) ::sigaction(number, &action, nullptr);
}

}  // namespace

SignalQuit::SignalQuit(QObject* parent) : QObject(parent) {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        Log::write(std::string("Signals keep their default action: no pipe: ") +
                   std::strerror(errno));
        return;
    }
    readEnd_ = ends[0];
    writeEnd = ends[1];
    notifier_ = new QSocketNotifier(readEnd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalQuit::quit);
    setAction(onSignal);
}

SignalQuit::~SignalQuit() {
    if (readEnd_ < 0) return;
    setAction(SIG_DFL);
    ::close(writeEnd);
    writeEnd = -1;
    ::close(readEnd_);
}

void SignalQuit::quit() {
    unsigned char number = 0;
    if (::read(readEnd_, &number, 1) != 1) return;
    const char* name = ::sigabbrev_np(number);
    Log::write(std::string("Quitting on SIG") + (name ? name : "?"));
    QCoreApplication::quit();
}

}  // namespace varnic
