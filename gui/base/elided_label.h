#pragma once

#include <QLabel>
#include <QString>

namespace varnelo::gui {

// A label that shortens its text with an ellipsis in the middle when it does not fit; the tooltip
// keeps the whole text.
class TElidedLabel : public QLabel {
  Q_OBJECT
public:
  explicit TElidedLabel(QWidget* parent = nullptr);

  void SetFullText(const QString& text);
  const QString& FullText() const { return fullText_; }
  QSize minimumSizeHint() const override;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void Elide();

  QString fullText_;
};

}  // namespace varnelo::gui
