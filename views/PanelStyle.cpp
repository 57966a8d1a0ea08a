#include "views/PanelStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

namespace varnic::style {
namespace {

// Pixel sizes of the named styles, close to the desktop's own proportions:
// body equals the usual 10 pt user interface font at 96 dpi.
int pixelSize(TextStyle textStyle) {
    switch (textStyle) {
        case TextStyle::title2:
            return 20;
        case TextStyle::headline:
            return 14;
        case TextStyle::body:
            return 13;
        case TextStyle::subheadline:
            return 12;
        case TextStyle::caption:
            return 11;
        case TextStyle::caption2:
            return 10;
        case TextStyle::footnote:
            return 11;
    }
    return 13;
}

QFont::Weight defaultWeight(TextStyle textStyle) {
    return textStyle == TextStyle::headline ? QFont::Bold : QFont::Normal;
}

QColor withAlpha(QColor colour, float alpha) {
    colour.setAlphaF(alpha);
    return colour;
}

// The secondary label colour: the text colour at half strength, so that it
// follows light and dark palettes alike.
QColor secondaryOf(const QPalette& palette) {
    return withAlpha(palette.color(QPalette::WindowText), 0.55f);
}

QColor toneColour(Tone tone, const QPalette& palette) {
    switch (tone) {
        case Tone::primary:
            return palette.color(QPalette::WindowText);
        case Tone::secondary:
            return secondaryOf(palette);
        case Tone::blue:
            return blue();
        case Tone::red:
            return red();
    }
    return palette.color(QPalette::WindowText);
}

QString rgba(const QColor& colour) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(colour.alphaF());
}

}  // namespace

QFont font(TextStyle textStyle, QFont::Weight weight) {
    QFont result = QApplication::font();
    result.setPixelSize(pixelSize(textStyle));
    result.setWeight(weight == QFont::Normal ? defaultWeight(textStyle) : weight);
    return result;
}

QFont fixedFont(int pixelSize, QFont::Weight weight) {
    QFont result = QApplication::font();
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

QColor blue() {
    return QColor(0x00, 0x7a, 0xff);
}

QColor red() {
    return QColor(0xff, 0x3b, 0x30);
}

void applyTone(QWidget* widget, Tone tone) {
    QPalette palette = widget->palette();
    const QColor colour = toneColour(tone, QApplication::palette());
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

void applyText(QLabel* label, TextStyle textStyle, Tone tone, QFont::Weight weight) {
    label->setTextFormat(Qt::PlainText);
    label->setFont(font(textStyle, weight));
    applyTone(label, tone);
}

void applyProminent(QAbstractButton* button, TextStyle textStyle, QFont::Weight weight,
                    int verticalPadding) {
    button->setFont(font(textStyle, weight));
    button->setCursor(Qt::PointingHandCursor);
    const QColor accent = blue();
    const QColor text = QApplication::palette().color(QPalette::WindowText);
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                                         " border-radius: 6px; padding: %2px 12px; }"
                                         "QPushButton:hover { background: %3; }"
                                         "QPushButton:pressed { background: %4; }"
                                         "QPushButton:disabled { background: %5; color: %6; }")
                              .arg(accent.name())
                              .arg(verticalPadding)
                              .arg(accent.lighter(110).name(), accent.darker(115).name(),
                                   rgba(withAlpha(text, 0.12f)), rgba(withAlpha(text, 0.4f))));
}

void applyLink(QAbstractButton* button, TextStyle textStyle) {
    button->setFont(font(textStyle));
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; border: none; padding: 0px;"
                       " color: %1; text-align: left; }"
                       "QPushButton:hover { text-decoration: underline; }"
                       "QPushButton:pressed { color: %2; }")
            .arg(blue().name(), blue().darker(130).name()));
}

void applyBorderedSmall(QAbstractButton* button) {
    button->setFont(font(TextStyle::caption));
    button->setCursor(Qt::PointingHandCursor);
    const QPalette palette = QApplication::palette();
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3;"
                       " border-radius: 5px; padding: 3px 8px; }"
                       "QPushButton:hover { background: %4; }"
                       "QPushButton:pressed { background: %5; }")
            .arg(palette.color(QPalette::Base).name(), palette.color(QPalette::ButtonText).name(),
                 palette.color(QPalette::Mid).name(), palette.color(QPalette::Button).name(),
                 palette.color(QPalette::Midlight).darker(110).name()));
}

QVBoxLayout* column(QWidget* owner, int spacing) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

void applyRoundedBox(QWidget* box, int radius) {
    box->setAttribute(Qt::WA_StyledBackground);
    box->setStyleSheet(
        QStringLiteral("#%1 { background: %2; border-radius: %3px; }")
            .arg(box->objectName(), QApplication::palette().color(QPalette::Base).name())
            .arg(radius));
}

void applyBadge(QLabel* badge, int diameter) {
    applyText(badge, TextStyle::caption, Tone::blue, QFont::Bold);
    badge->setFixedSize(diameter, diameter);
    badge->setAlignment(Qt::AlignCenter);
    const QColor fill = withAlpha(blue(), 0.1f);
    badge->setStyleSheet(
        QStringLiteral("QLabel { background: %1; border-radius: %2px; color: %3; }")
            .arg(rgba(fill))
            .arg(diameter / 2)
            .arg(blue().name()));
}

}  // namespace varnic::style
