#pragma once

#include <QLabel>

namespace varnic {

// A plain-text label that fits its text into at most maxLines lines of its
// width, wrapping at word boundaries (or anywhere, for paths) and shortening
// the rest with an ellipsis: at the end, or in the middle of what is shown.
class ElidedLabel : public QLabel {
    Q_OBJECT

  public:
    ElidedLabel(Qt::TextElideMode mode, int maxLines, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return fullText_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The lines shown for text within width, joined by line feeds.
    static QString fitted(const QString& text, const QFont& font, int width, Qt::TextElideMode mode,
                          int maxLines);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void refit();

    Qt::TextElideMode mode_;
    int maxLines_;
    QString fullText_;
};

}  // namespace varnic
