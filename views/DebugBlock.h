#pragma once

#include <QWidget>

class QLabel;

namespace varnic {

class AppBundle;

// The diagnostic lines shared by the panel and the onboarding screen: the
// permission state, the bundle identifier and path, and the reveal button.
class DebugBlock : public QWidget {
    Q_OBJECT

  public:
    DebugBlock(AppBundle& bundle, QWidget* parent = nullptr);

    void setAuthorized(bool authorized);

  private:
    QLabel* accessibility_;
};

}  // namespace varnic
