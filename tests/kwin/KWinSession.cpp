#include "tests/kwin/KWinSession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace varnic::testing {
namespace {

namespace fs = std::filesystem;

QVariant scripting(const QString& path, const QString& method, const QVariantList& arguments) {
    auto message = QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), path,
                                                  path == QLatin1String("/Scripting")
                                                      ? QStringLiteral("org.kde.kwin.Scripting")
                                                      : QStringLiteral("org.kde.kwin.Script"),
                                                  method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000).arguments().value(0);
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

}  // namespace

KWinSession::KWinSession() : TestDesktop("kwin") {
    const char* plasma = std::getenv("VARNIC_PLASMA");
    plasma_ = plasma && std::string(plasma) == "6" ? 6 : 5;
    // KWin's installed binary carries file capabilities, which an unprivileged
    // exec is refused here; a copy does without. Its Qt platform plugin wants
    // the file name kwin_wayland.
    const std::string root = plasma_ == 6 ? VARNIC_TRIXIE_ROOT : "";
    const auto kwin = logDirectory() + "/bin/kwin_wayland";
    fs::create_directory(logDirectory() + "/bin");
    fs::copy_file(root + "/usr/bin/kwin_wayland", kwin);
    // KWin starts this once it and XWayland are up; it names both displays.
    const auto announce = logDirectory() + "/announce.sh";
    writeFile(announce, "#!/bin/sh\necho \"varnic-session $WAYLAND_DISPLAY $DISPLAY\"\n");
    const auto wayland = "varnic-kwin-" + std::to_string(getpid());
    std::vector<std::string> argv{"/bin/sh", "-c",         "exec \"$0\" \"$@\" 2>&1",
                                  kwin,      "--virtual",  "--no-lockscreen",
                                  "--width", "1920",       "--height",
                                  "1080",    "--xwayland", "--socket",
                                  wayland,   announce};
    if (plasma_ == 6) argv.insert(argv.begin(), {VARNIC_KWIN_CHROOT, root});
    const auto session = startDesktop(argv, {"KWIN_COMPOSE=Q"}, "varnic-session ");
    x11Display_ = session.substr(session.rfind(' ') + 1);
    // No accessibility bus for the clients: its start-up only slows them down.
    environment_ = {"WAYLAND_DISPLAY=" + wayland, "DISPLAY=" + x11Display_, "NO_AT_BRIDGE=1"};
    // The test process is a client of this desktop too, as Varnic would be.
    setenv("WAYLAND_DISPLAY", wayland.c_str(), 1);
    setenv("DISPLAY", x11Display_.c_str(), 1);
}

std::vector<std::string> KWinSession::ofPlasma(std::vector<std::string> argv) const {
    if (plasma_ == 6) argv.insert(argv.begin(), {VARNIC_KWIN_CHROOT, VARNIC_TRIXIE_ROOT});
    return argv;
}

std::vector<std::string> KWinSession::runScript(const std::string& resourceClass,
                                                const std::string& statement) {
    return runScriptWhere("String(w.resourceClass).toLowerCase() === \"" + resourceClass + "\"",
                          statement);
}

// Loads, runs and unloads a script; its print() lines carry a tag, and its
// last one says it is done.
std::vector<std::string> KWinSession::runScriptWhere(const std::string& condition,
                                                     const std::string& statement) {
    const auto name = "varnic-test-" + std::to_string(++scripts_);
    const auto path = logDirectory() + "/" + name + ".js";
    writeFile(path, "const tag = \"" + name +
                        " \";\n"
                        "for (const w of workspace.windowList ? workspace.windowList() : "
                        "workspace.clientList())\n"
                        "  if (" +
                        condition + ") { " + statement + " }\nprint(tag + \"end\");\n");
    const int id = scripting(QStringLiteral("/Scripting"), QStringLiteral("loadScript"),
                             {QString::fromStdString(path), QString::fromStdString(name)})
                       .toInt();
    scripting(plasma_ == 6 ? QStringLiteral("/Scripting/Script%1").arg(id)
                           : QStringLiteral("/%1").arg(id),
              QStringLiteral("run"), {});
    std::vector<std::string> lines;
    // KWin's print() lines carry a "js: " prefix.
    while (auto line = desktop().awaitLine(name + " ", 5s)) {
        auto said = line->substr(line->find(name) + name.size() + 1);
        if (said == "end") break;
        lines.push_back(std::move(said));
    }
    scripting(QStringLiteral("/Scripting"), QStringLiteral("unloadScript"),
              {QString::fromStdString(name)});
    return lines;
}

std::optional<std::string> KWinSession::frameSize(const std::string& resourceClass) {
    const auto lines = runScript(
        resourceClass, "print(tag + w.frameGeometry.width + \"x\" + w.frameGeometry.height);");
    if (lines.empty()) return std::nullopt;
    return lines.front();
}

std::vector<std::string> KWinSession::popupFrames() {
    return runScriptWhere("w.popupWindow",
                          "const f = w.frameGeometry; "
                          "print(tag + [f.x, f.y, f.width, f.height].join(\" \"));");
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
    return scripting(QStringLiteral("/Scripting"), QStringLiteral("isScriptLoaded"),
                     {QString::fromStdString(name)})
        .toBool();
}

void KWinSession::loadIdleScript(const std::string& name) {
    const auto path = logDirectory() + "/idle.js";
    writeFile(path, "print(\"an idle script ran\");\n");
    scripting(QStringLiteral("/Scripting"), QStringLiteral("loadScript"),
              {QString::fromStdString(path), QString::fromStdString(name)});
}

}  // namespace varnic::testing
