#include "tests/kwin/KWinSession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include <gtest/gtest.h>
#include <stdexcept>

namespace varnic::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

QDBusMessage kwinCall(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments) {
    auto message =
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

}  // namespace

KWinSession::KWinSession() {
    const char* plasma = std::getenv("VARNIC_PLASMA");
    plasma_ = plasma && std::string(plasma) == "6" ? 6 : 5;
    char pattern[] = "/tmp/varnic-kwin-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp");
    directory_ = pattern;
    fs::create_directory(directory_ + "/bin");

    // KWin's installed binary carries file capabilities, which an unprivileged
    // exec is refused here; a copy does without. Its Qt platform plugin wants
    // the file name kwin_wayland.
    const std::string root = plasma_ == 6 ? VARNIC_TRIXIE_ROOT : "";
    const auto kwin = directory_ + "/bin/kwin_wayland";
    fs::copy_file(root + "/usr/bin/kwin_wayland", kwin);
    // KWin starts this once it and XWayland are up; it names both displays.
    const auto announce = directory_ + "/announce.sh";
    writeFile(announce, "#!/bin/sh\necho \"varnic-session $WAYLAND_DISPLAY $DISPLAY\"\n");

    waylandDisplay_ = "varnic-kwin-" + std::to_string(getpid());
    std::vector<std::string> argv{"/bin/sh",
                                  "-c",
                                  "exec \"$0\" \"$@\" 2>&1",
                                  kwin,
                                  "--virtual",
                                  "--no-lockscreen",
                                  "--width",
                                  "1920",
                                  "--height",
                                  "1080",
                                  "--xwayland",
                                  "--socket",
                                  waylandDisplay_,
                                  announce};
    if (plasma_ == 6) argv.insert(argv.begin(), {VARNIC_KWIN_CHROOT, root});
    kwin_ = std::make_unique<ChildProcess>(argv, std::vector<std::string>{"KWIN_COMPOSE=Q"},
                                           directory_ + "/kwin.log");
    const auto session = kwin_->awaitLine("varnic-session ", 30s);
    if (!session) throw std::runtime_error("KWin did not start; see " + directory_);
    x11Display_ = session->substr(session->rfind(' ') + 1);
    // The test process is a client of this desktop too, as Varnic would be.
    setenv("WAYLAND_DISPLAY", waylandDisplay_.c_str(), 1);
    setenv("DISPLAY", x11Display_.c_str(), 1);
}

KWinSession::~KWinSession() {
    kwin_->stop();
    // What KWin and the clients said helps with a failure; it goes with the folder.
    if (::testing::Test::HasFailure()) {
        for (const auto& line : kwin_->seen()) std::cerr << "kwin: " << line << "\n";
        std::cerr << std::ifstream(directory_ + "/clients.log").rdbuf() << std::endl;
    }
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
}

std::unique_ptr<ChildProcess> KWinSession::spawn(const std::vector<std::string>& argv,
                                                 const std::vector<std::string>& environment) {
    auto env = environment;
    env.push_back("WAYLAND_DISPLAY=" + waylandDisplay_);
    env.push_back("DISPLAY=" + x11Display_);
    // No accessibility bus: its start-up only slows the clients down.
    env.push_back("NO_AT_BRIDGE=1");
    return std::make_unique<ChildProcess>(argv, env, directory_ + "/clients.log");
}

std::string KWinSession::run(const std::vector<std::string>& argv) {
    return spawn(argv)->output(10s);
}

// Loads, runs and unloads a script; its print() lines carry a tag, and its
// last one says it is done.
std::vector<std::string> KWinSession::runScript(const std::string& resourceClass,
                                                const std::string& statement) {
    const auto name = "varnic-test-" + std::to_string(++scripts_);
    const auto path = directory_ + "/" + name + ".js";
    writeFile(path, "const tag = \"" + name +
                        " \";\n"
                        "for (const w of workspace.windowList ? workspace.windowList() : "
                        "workspace.clientList())\n"
                        "  if (String(w.resourceClass).toLowerCase() === \"" +
                        resourceClass + "\") { " + statement + " }\nprint(tag + \"end\");\n");
    const auto loaded = kwinCall(
        QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
        QStringLiteral("loadScript"), {QString::fromStdString(path), QString::fromStdString(name)});
    const int id = loaded.arguments().value(0, -1).toInt();
    const auto objectPath = plasma_ == 6 ? QStringLiteral("/Scripting/Script%1").arg(id)
                                         : QStringLiteral("/%1").arg(id);
    kwinCall(objectPath, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"), {});
    std::vector<std::string> lines;
    // KWin's print() lines carry a "js: " prefix.
    while (auto line = kwin_->awaitLine(name + " ", 5s)) {
        auto said = line->substr(line->find(name) + name.size() + 1);
        if (said == "end") break;
        lines.push_back(std::move(said));
    }
    kwinCall(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
             QStringLiteral("unloadScript"), {QString::fromStdString(name)});
    return lines;
}

std::optional<std::string> KWinSession::frameSize(const std::string& resourceClass) {
    const auto lines = runScript(
        resourceClass, "print(tag + w.frameGeometry.width + \"x\" + w.frameGeometry.height);");
    if (lines.empty()) return std::nullopt;
    return lines.front();
}

void KWinSession::activate(const std::string& resourceClass) {
    runScript(resourceClass,
              "if (\"activeWindow\" in workspace) workspace.activeWindow = w; "
              "else workspace.activeClient = w;");
}

void KWinSession::maximize(const std::string& resourceClass) {
    runScript(resourceClass, "w.setMaximize(true, true);");
}

bool KWinSession::scriptLoaded(const std::string& name) {
    const auto reply =
        kwinCall(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
                 QStringLiteral("isScriptLoaded"), {QString::fromStdString(name)});
    return reply.arguments().value(0).toBool();
}

void KWinSession::loadIdleScript(const std::string& name) {
    const auto path = directory_ + "/idle.js";
    writeFile(path, "print(\"an idle script ran\");\n");
    kwinCall(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
             QStringLiteral("loadScript"),
             {QString::fromStdString(path), QString::fromStdString(name)});
}

}  // namespace varnic::testing
