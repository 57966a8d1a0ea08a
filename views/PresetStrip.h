#pragma once

#include <QScrollArea>
#include <functional>
#include <vector>

#include "windows/Preset.h"

namespace varnic {

// The presets as one row of buttons that scrolls sideways, with a thin scroll
// bar below; the mouse wheel scrolls it horizontally.
class PresetStrip : public QScrollArea {
    Q_OBJECT

  public:
    using Chosen = std::function<void(const Preset&)>;

    PresetStrip(const std::vector<Preset>& presets, const Chosen& chosen,
                QWidget* parent = nullptr);

  protected:
    void wheelEvent(QWheelEvent* event) override;

  private:
    static constexpr int barHeight = 6;
    static constexpr int barGap = 4;
};

}  // namespace varnic
