#include "gui/base/elided_label.h"

#include <QFontMetrics>
#include <QResizeEvent>

namespace varnelo::gui {

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {}

void TElidedLabel::SetFullText(const QString& text) {
  fullText_ = text;
  setToolTip(text);
  Elide();
}

QSize TElidedLabel::minimumSizeHint() const {
  // Small enough for the status bar to squeeze, tall enough for one line.
  return {fontMetrics().horizontalAdvance("…") * 8, QLabel::minimumSizeHint().height()};
}

void TElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void TElidedLabel::Elide() { setText(fontMetrics().elidedText(fullText_, Qt::ElideMiddle, width())); }

}  // namespace varnelo::gui
