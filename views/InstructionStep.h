#pragma once

#include <QWidget>

namespace varnic {

// One numbered step of the onboarding instructions: a round badge with the
// number, then the text, wrapped to its full height, at the leading edge.
class InstructionStep : public QWidget {
    Q_OBJECT

  public:
    InstructionStep(int number, const QString& text, QWidget* parent = nullptr);

    int number() const { return number_; }
    const QString& text() const { return text_; }

  private:
    int number_;
    QString text_;
};

}  // namespace varnic
