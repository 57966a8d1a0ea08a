#include "app/VarnicApp.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/AppDelegate.h"
#include "app/AppShell.h"
#include "app/DesktopSession.h"
#include "app/SignalQuit.h"
#include "platform/qt/DesktopAppBundle.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/xdg/XdgAutostart.h"
#include "support/Log.h"
#include "support/Responsive.h"
#include "views/RootView.h"
#include "windows/WindowManager.h"

namespace varnic {

int VarnicApp::run(int argc, char** argv) {
    // Only X11 lets a program place its own windows, and the panel and the
    // menu go beside the tray icon: on a Wayland session they use XWayland.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnic"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.varnic.Varnic"));
    const SignalQuit signalQuit;
    // A wait on the window manager or a compositor hands input to the event
    // loop between its slices. Socket notifiers stay out, so the backends'
    // own pumps never run inside one of their calls, and so do timers: they
    // run Varnic's delayed steps (the resize after hiding, the panel's reset,
    // the permission poll), which call the same backend and wait their turn.
    Responsive::install([] {
        QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers |
                                        QEventLoop::X11ExcludeTimers);
    });

    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        Log::write(
            "Tray: no StatusNotifierItem host on the session bus and no XEmbed tray on the "
            "display yet; Varnic's icon appears once a panel offers one (on GNOME Shell, "
            "through Varnic's extension)");
    }

    QtMainQueue queue;
    const auto session = DesktopSession::detect();
    WindowSystem& system = session->windowSystem();
    AppShell shell(DesktopUrlOpener(DesktopUrlOpener::findHelpPage(
        QApplication::applicationDirPath(), QStringLiteral(VARNIC_SOURCE_DIR))));
    WindowManager::configureShared(system, shell, queue);

    DesktopAppBundle bundle;
    XdgAutostart loginItems(bundle.bundlePath());

    AppDelegate appDelegate(system, shell, queue, [&](QWidget* parent) -> QWidget* {
        return new RootView(queue, appDelegate.accessibilityManager(), &WindowManager::shared,
                            loginItems, bundle, parent);
    });
    QTimer::singleShot(0, &application, [&appDelegate, &shell, &session] {
        appDelegate.applicationDidFinishLaunching();
        shell.setPanel(appDelegate.menuBarManager()->popover());
        auto* menuBar = appDelegate.menuBarManager();
        if (auto* placer = session->panelPlacer()) menuBar->setPanelPlacer(placer);
        session->offerStatusActions(
            {.togglePanel = [menuBar](QPoint button) { menuBar->togglePopover(button); },
             .resize =
                 [](const Preset& preset) {
                     WindowManager::shared().resizeActiveWindow(std::nullopt,
                                                                static_cast<double>(preset.width),
                                                                static_cast<double>(preset.height));
                 },
             .quit = [menuBar] { menuBar->quitApp(); }});
    });
    return QApplication::exec();
}

}  // namespace varnic
