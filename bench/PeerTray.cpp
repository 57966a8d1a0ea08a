// The yardstick for Varnic's tray latency: a plain Qt 6 tray program with
// Qt's own StatusNotifierItem, a context menu (which Qt exports for the host
// to draw) and a 300 x 400 window that a left click toggles.
#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkCyan);
    QSystemTrayIcon icon{QIcon(pixmap)};
    QMenu menu;
    QMenu* sizes = menu.addMenu(QStringLiteral("Sizes"));
    for (int i = 1; i <= 12; ++i) sizes->addAction(QStringLiteral("Entry %1").arg(i));
    menu.addSeparator();
    menu.addAction(QStringLiteral("Quit"), &application, &QApplication::quit);
    icon.setContextMenu(&menu);
    QWidget window(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    window.setFixedSize(300, 400);
    QObject::connect(&icon, &QSystemTrayIcon::activated,
                     [&](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger)
                             window.setVisible(!window.isVisible());
                     });
    icon.show();
    QTimer::singleShot(0, [] {
        std::puts("ready");
        std::fflush(stdout);
    });
    return QApplication::exec();
}
