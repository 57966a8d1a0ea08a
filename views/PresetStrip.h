#pragma once

#include <QScrollArea>
#include <functional>
#include <vector>

#include "windows/Preset.h"

namespace varnic {

// The presets as one row of buttons that scrolls sideways, with no scroll
// bars; the mouse wheel scrolls it horizontally.
class PresetStrip : public QScrollArea {
    Q_OBJECT

  public:
    using Chosen = std::function<void(const Preset&)>;

    PresetStrip(const std::vector<Preset>& presets, const Chosen& chosen,
                QWidget* parent = nullptr);

  protected:
    void wheelEvent(QWheelEvent* event) override;
};

}  // namespace varnic
