#pragma once

#include <QElapsedTimer>
#include <QWidget>

namespace varnic {

// The frameless panel next to the tray icon: at least 300 × 400, larger when
// its content asks for more (onboarding is wider). It has no taskbar entry and
// closes itself when it loses activation ("transient") or on Escape.
class PopoverWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr QSize minimumContentSize{300, 400};

    explicit PopoverWindow(QWidget* parent = nullptr);

    void setContent(QWidget* content);
    // The size the panel takes for its current content (layouts still
    // pending are done first).
    QSize panelSize() const;
    // Shows the panel with its top-left corner at position and activates it.
    void open(QPoint position);

  signals:
    void closedByDeactivation();
    // The content asked for another size while the panel is shown.
    void panelResized();

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QSize contentSize() const;
    void focusContent();
    static constexpr qint64 settleMillis = 300;
    bool hadActivation_ = false;
    QElapsedTimer sinceOpen_;
    void skipTaskbar();
};

}  // namespace varnic
