#pragma once

#include <QColor>
#include <QFont>

class QAbstractButton;
class QVBoxLayout;
class QLabel;
class QWidget;

namespace varnic::style {

// The named text styles of the panel and the onboarding screen.
enum class TextStyle { title2, headline, body, subheadline, caption, caption2, footnote };

enum class Tone { primary, secondary, blue, red };

// The standard padding around the panel and inside the boxes.
inline constexpr int standardPadding = 16;

QFont font(TextStyle textStyle, QFont::Weight weight = QFont::Normal);
// The headings' and labels' small fixed-size font ("WIDTH", "HEIGHT").
QFont fixedFont(int pixelSize, QFont::Weight weight);

QColor blue();
QColor red();

// A label for text from data or fixed text: plain text (never markup), in the
// style and tone given.
void applyText(QLabel* label, TextStyle textStyle, Tone tone = Tone::primary,
               QFont::Weight weight = QFont::Normal);
void applyTone(QWidget* widget, Tone tone);

// Filled accent button ("prominent").
void applyProminent(QAbstractButton* button, TextStyle textStyle, QFont::Weight weight,
                    int verticalPadding);
// Borderless button drawn as a link.
void applyLink(QAbstractButton* button, TextStyle textStyle);
// Bordered button of the small control size.
void applyBorderedSmall(QAbstractButton* button);
// A rounded box filled with the control background colour.
void applyRoundedBox(QWidget* box, int radius);
// A vertical stack without margins; owner may be null for a nested stack.
QVBoxLayout* column(QWidget* owner, int spacing);
// The number badge: a circle of the given diameter, blue at 10 % behind blue text.
void applyBadge(QLabel* badge, int diameter);

}  // namespace varnic::style
