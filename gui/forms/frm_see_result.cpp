#include "gui/forms/frm_see_result.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "gui/base/text.h"

namespace varnelo::gui {

TFrmSeeResult::TFrmSeeResult(std::filesystem::path page, TWebProfile& profile, QWidget* parent)
    : QDialog(parent),
      model_(std::move(page)),
      browser_(profile),
      previous_(new QPushButton(QStringLiteral("Previous"), this)),
      next_(new QPushButton(QStringLiteral("Next"), this)) {
  setWindowTitle(ToQ(results::TFrmSeeResult::kCaption));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(previous_);
  buttons->addWidget(next_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_.View(), 1);
  layout->addLayout(buttons);
  resize(800, 600);

  connect(previous_, &QPushButton::clicked, this, [this] { model_.Previous(); });
  connect(next_, &QPushButton::clicked, this, [this] { model_.Next(); });
  changed_ = model_.Changed.Connect([this] { browser_.Navigate(model_.Url()); });
  browser_.Navigate(model_.Url());
}

}  // namespace varnelo::gui
