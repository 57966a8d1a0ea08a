#pragma once

#include <QAbstractButton>

namespace varnic {

// An on/off switch whose state belongs to someone else: a click only asks
// for the other state (toggleRequested) and the owner sets what holds.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

  public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

  signals:
    void toggleRequested(bool on);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;
};

}  // namespace varnic
