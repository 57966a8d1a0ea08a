#include "views/ElidedLabel.h"

#include <QEvent>
#include <QTextLayout>
#include <cmath>

namespace varnic {
namespace {

// Where each wrapped line starts, for text laid out in the given width.
QList<int> lineStarts(const QString& text, const QFont& font, int width,
                      QTextOption::WrapMode wrap) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(wrap);
    layout.setTextOption(option);
    QList<int> starts;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        starts.append(line.textStart());
    }
    layout.endLayout();
    return starts;
}

}  // namespace

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, int maxLines, QWidget* parent)
    : QLabel(parent), mode_(mode), maxLines_(maxLines < 1 ? 1 : maxLines) {
    setTextFormat(Qt::PlainText);
    // Lines from the top: the room below the last one is for its ink.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString& text) {
    if (text == fullText_) return;
    fullText_ = text;
    refit();
    updateGeometry();
}

QSize ElidedLabel::sizeHint() const {
    // Qt lays lines out at the unrounded line spacing, and ink can reach below
    // the descent: with rounded metrics the underscores of a second line at
    // 10 px fell just outside the label.
    const QFontMetricsF metrics(font());
    const int lines = static_cast<int>(text().count(QLatin1Char('\n'))) + 1;
    const qreal below = std::max(metrics.descent(), metrics.boundingRect(fullText_).bottom() + 1);
    const qreal height = metrics.lineSpacing() * (lines - 1) + metrics.ascent() + below;
    const QMargins margins = contentsMargins();
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(fullText_))) + margins.left() +
                margins.right() + 1,
            static_cast<int>(std::ceil(height)) + margins.top() + margins.bottom()};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("…")) * 2, sizeHint().height()};
}

QString ElidedLabel::fitted(const QString& text, const QFont& font, int width,
                            Qt::TextElideMode mode, int maxLines) {
    if (width <= 0) return {};
    const QFontMetrics metrics(font);
    if (maxLines == 1 || text.isEmpty()) return metrics.elidedText(text, mode, width);
    // Middle elision is for paths, whose lines are best filled to the edge;
    // other texts wrap between words.
    const auto wrap = mode == Qt::ElideMiddle ? QTextOption::WrapAnywhere
                                              : QTextOption::WrapAtWordBoundaryOrAnywhere;
    const QList<int> starts = lineStarts(text, font, width, wrap);
    QStringList lines;
    for (int i = 0; i < starts.size() && i < maxLines - 1; ++i) {
        const int end = i + 1 < starts.size() ? starts[i + 1] : static_cast<int>(text.size());
        lines.append(text.mid(starts[i], end - starts[i]).trimmed());
    }
    if (starts.size() > maxLines - 1) {
        // The last line shown takes the rest; in middle mode it keeps the
        // rest's end, so the ellipsis falls between the shown head and tail.
        const QString rest = text.mid(starts[maxLines - 1]);
        const auto restMode = mode == Qt::ElideMiddle ? Qt::ElideLeft : mode;
        lines.append(metrics.elidedText(rest, restMode, width));
    }
    return lines.join(QLatin1Char('\n'));
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    refit();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) refit();
}

void ElidedLabel::refit() {
    const QString shown = fitted(fullText_, font(), contentsRect().width(), mode_, maxLines_);
    if (shown == text()) return;
    const bool linesChanged = shown.count(QLatin1Char('\n')) != text().count(QLatin1Char('\n'));
    setText(shown);
    if (linesChanged) updateGeometry();
}

}  // namespace varnic
