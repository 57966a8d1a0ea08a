#include "app/VarnicApp.h"

#include <QApplication>
#include <QTimer>

#include "app/AppDelegate.h"
#include "platform/qt/DesktopAppBundle.h"
#include "platform/qt/DesktopUrlOpener.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/X11EventPump.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/xdg/XdgAutostart.h"
#include "views/RootView.h"
#include "windows/WindowManager.h"

namespace varnic {

int VarnicApp::run(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnic"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.varnic.Varnic"));

    QtMainQueue queue;
    X11WindowSystem system;
    X11EventPump pump(system);
    const DesktopUrlOpener urls(DesktopUrlOpener::findHelpPage(QApplication::applicationDirPath(),
                                                               QStringLiteral(VARNIC_SOURCE_DIR)));
    system.setOpenUrlHandler([&urls](std::string_view url) { urls.open(url); });
    WindowManager::configureShared(system, queue);

    DesktopAppBundle bundle;
    XdgAutostart loginItems(bundle.bundlePath());

    AppDelegate appDelegate(system, queue, [&](QWidget* parent) -> QWidget* {
        return new RootView(queue, appDelegate.accessibilityManager(), &WindowManager::shared,
                            loginItems, bundle, parent);
    });
    // Hiding Varnic means closing its panel, so that the window manager gives
    // the focus back to the window that had it.
    system.setHideHandler([&appDelegate] {
        if (auto* menuBar = appDelegate.menuBarManager()) menuBar->popover()->hide();
    });
    QTimer::singleShot(0, &application,
                       [&appDelegate] { appDelegate.applicationDidFinishLaunching(); });
    return QApplication::exec();
}

}  // namespace varnic
