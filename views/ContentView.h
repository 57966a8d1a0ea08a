#pragma once

#include <QMetaObject>
#include <QWidget>
#include <string>

#include "support/Subscription.h"
#include "views/DeferredRender.h"
#include "windows/Preset.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace varnic {

class AccessibilityManager;
class AppBundle;
class DebugBlock;
class ElidedLabel;
class MainQueue;
class StartupManager;
class ToggleSwitch;
class WindowManager;

// The main panel: the target window, the presets, the custom size, the resize
// button, the start-at-login switch and the debug lines. It keeps the field
// texts and the resizing flag itself and redraws from the managers on every
// announcement, without touching what is being typed.
class ContentView : public QWidget {
    Q_OBJECT

  public:
    ContentView(MainQueue& queue, AccessibilityManager& accessibilityManager,
                StartupManager& startupManager, WindowManager& windowManager, AppBundle& bundle,
                QWidget* parent = nullptr);

    static constexpr int panelWidth = 300;
    // How long the panel stays in its resizing state after a start.
    static constexpr double resetDelaySeconds = 1.5;

    const std::string& widthString() const { return widthString_; }
    const std::string& heightString() const { return heightString_; }
    bool isResizing() const { return isResizing_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QWidget* makeTargetCard();
    QWidget* makePresets();
    QWidget* makeCustomDimensions();
    QWidget* makeResize();
    QWidget* makeStartup();
    QLineEdit* makeField(const QString& objectName, std::string& bound);

    void choosePreset(const Preset& preset);
    void resizeToTypedSize();
    void beginResize(double width, double height);
    void resetAfterResize();

    void render();
    void renderTarget();

    MainQueue& queue_;
    AccessibilityManager& accessibilityManager_;
    StartupManager& startupManager_;
    WindowManager& windowManager_;

    std::string widthString_ = "1920";
    std::string heightString_ = "1080";
    bool isResizing_ = false;

    QStackedWidget* card_ = nullptr;
    QLabel* icon_ = nullptr;
    ElidedLabel* appName_ = nullptr;
    ElidedLabel* windowTitle_ = nullptr;
    QLineEdit* widthField_ = nullptr;
    QLineEdit* heightField_ = nullptr;
    QPushButton* resizeButton_ = nullptr;
    QLabel* resizingText_ = nullptr;
    QLabel* note_ = nullptr;
    ToggleSwitch* startupSwitch_ = nullptr;
    ElidedLabel* startupError_ = nullptr;
    DebugBlock* debug_ = nullptr;

    DeferredRender redraw_{queue_, this, [this] { render(); }};
    QMetaObject::Connection activation_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace varnic
