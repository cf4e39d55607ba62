#pragma once

#include <filesystem>

#include <QDialog>

#include "base/signal.h"
#include "forms/frm_see_result.h"
#include "gui/base/web_browser.h"

class QPushButton;

namespace varnelo::gui {

// The result viewer "Results": the stored result page in a browser, "Previous" and "Next" to step
// through its matches.
class TFrmSeeResult : public QDialog {
  Q_OBJECT
public:
  TFrmSeeResult(std::filesystem::path page, TWebProfile& profile, QWidget* parent = nullptr);

  results::TFrmSeeResult& Model() { return model_; }
  TWebBrowser& Browser() { return browser_; }
  QPushButton* PreviousButton() const { return previous_; }
  QPushButton* NextButton() const { return next_; }

private:
  results::TFrmSeeResult model_;
  TWebBrowser browser_;
  QPushButton* previous_;
  QPushButton* next_;
  base::TConnection changed_;
};

}  // namespace varnelo::gui
