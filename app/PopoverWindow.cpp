#include "app/PopoverWindow.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "platform/x11/TaskbarHints.h"

namespace varnic {

PopoverWindow::PopoverWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("popover");
    setWindowTitle("Varnic");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

QSize PopoverWindow::panelSize() const {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return contentSize();
}

QSize PopoverWindow::contentSize() const {
    return layout()->sizeHint().expandedTo(minimumContentSize);
}

// The content changes size when it switches screens; the panel follows.
bool PopoverWindow::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest && size() != contentSize()) {
        setFixedSize(contentSize());
        if (isVisible()) emit panelResized();
    }
    return QWidget::event(event);
}

void PopoverWindow::setContent(QWidget* content) {
    layout()->addWidget(content);
}

void PopoverWindow::open(QPoint position) {
    setFixedSize(panelSize());
    move(position);
    skipTaskbar();
    hadActivation_ = false;
    sinceOpen_.start();
    show();
    raise();
    activateWindow();
    focusContent();
}

// The keyboard goes where the content sends it (its focus proxy: the panel's
// first size field); content that names none keeps Qt's choice.
void PopoverWindow::focusContent() {
    auto* item = layout()->itemAt(0);
    QWidget* target = item ? item->widget() : nullptr;
    while (target && target->focusProxy()) target = target->focusProxy();
    if (target && target->focusPolicy() != Qt::NoFocus) target->setFocus(Qt::PopupFocusReason);
}

void PopoverWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) {
        QWidget::keyPressEvent(event);
        return;
    }
    hide();
}

void PopoverWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // hide() tells the activation change before the panel stops being visible;
    // a panel that is being hidden was closed, not left.
    if (event->type() != QEvent::ActivationChange || !isVisible() || isHidden()) return;
    // Only losing the activation it had closes the panel: a change elsewhere
    // (the tray menu closing) may be told before the panel got it at all.
    if (isActiveWindow()) {
        hadActivation_ = true;
    } else if (sinceOpen_.elapsed() < settleMillis) {
        // The focus settling from the click that opened it (a tray menu's
        // grab ending, say) is not the user leaving the panel.
        activateWindow();
    } else if (hadActivation_) {
        hide();
        emit closedByDeactivation();
    }
}

// A window manager reads _NET_WM_STATE when the window is mapped (and drops it
// when the window is withdrawn), so the skip hints are set before every show.
void PopoverWindow::skipTaskbar() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return;
    TaskbarHints::skipTaskbar(connection, static_cast<xcb_window_t>(winId()));
}

}  // namespace varnic
