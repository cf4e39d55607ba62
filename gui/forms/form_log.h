#pragma once

#include <QDialog>
#include <QStringList>
#include <QTimer>

#include "base/log_port.h"

class QLineEdit;
class QPlainTextEdit;
class QLabel;

namespace varnelo::gui {

// The log window "Journal: voir ce qui se passe": every line of the runner and the workers, kept for
// the whole run. Lines are appended in batches, so a crawl that logs thousands of lines a second does
// not hold the window up.
class TFormLog : public QDialog, public base::TLogPort {
  Q_OBJECT
public:
  explicit TFormLog(QWidget* parent = nullptr);

  void AppendLine(std::string_view line) override;
  // Appends what is waiting now; the batch timer does it otherwise.
  void Flush();
  QPlainTextEdit* LogMemo() const { return logMemo_; }
  // Ctrl+F: the find bar, its field focused.
  void ShowFind();
  // The next (or previous) place of `text`, from the cursor on and around the end; whether found.
  bool Find(const QString& text, bool backward);

private:
  void FindNext(bool backward);

  QPlainTextEdit* logMemo_;
  QWidget* findBar_;
  QLineEdit* findField_;
  QLabel* findStatus_;
  QStringList pending_;
  QTimer flushTimer_;
};

}  // namespace varnelo::gui
