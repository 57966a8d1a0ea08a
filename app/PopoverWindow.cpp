#include "app/PopoverWindow.h"

#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include <QtGui/qguiapplication_platform.h>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QVBoxLayout>

namespace varnic {
namespace {

// All requests go out before the first reply is awaited: one round trip.
template <std::size_t N>
std::array<xcb_atom_t, N> intern(xcb_connection_t* connection,
                                 const std::array<const char*, N>& names) {
    std::array<xcb_intern_atom_cookie_t, N> cookies{};
    for (std::size_t i = 0; i < N; ++i) {
        cookies[i] =
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(names[i])), names[i]);
    }
    std::array<xcb_atom_t, N> atoms{};
    for (std::size_t i = 0; i < N; ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
        atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        free(reply);
    }
    return atoms;
}

}  // namespace

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
    show();
    raise();
    activateWindow();
}

void PopoverWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) {
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
    const auto atoms = intern<3>(
        connection, {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"});
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(winId()),
                        atoms[0], XCB_ATOM_ATOM, 32, 2, &atoms[1]);
    xcb_flush(connection);
}

}  // namespace varnic
