#include "gui/forms/form_log.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "gui/base/text.h"

namespace varnelo::gui {
namespace {

constexpr int kFlushMs = 100;

}  // namespace

TFormLog::TFormLog(QWidget* parent) : QDialog(parent) {
  setObjectName("FormLog");
  setWindowTitle("Journal: voir ce qui se passe");
  resize(760, 480);

  logMemo_ = new QPlainTextEdit(this);
  logMemo_->setObjectName("LogMemo");
  logMemo_->setReadOnly(true);
  logMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  logMemo_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

  findBar_ = new QWidget(this);
  findField_ = new QLineEdit(findBar_);
  findField_->setPlaceholderText("Rechercher dans le journal");
  auto* previous = new QPushButton("Précédent", findBar_);
  auto* next = new QPushButton("Suivant", findBar_);
  next->setDefault(true);
  findStatus_ = new QLabel(findBar_);
  auto* findLayout = new QHBoxLayout(findBar_);
  findLayout->setContentsMargins(0, 0, 0, 0);
  findLayout->addWidget(findField_, 1);
  findLayout->addWidget(previous);
  findLayout->addWidget(next);
  findLayout->addWidget(findStatus_);
  findBar_->hide();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(logMemo_, 1);
  layout->addWidget(findBar_);

  connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, &TFormLog::ShowFind);
  connect(findField_, &QLineEdit::returnPressed, this, [this] { FindNext(false); });
  connect(next, &QPushButton::clicked, this, [this] { FindNext(false); });
  connect(previous, &QPushButton::clicked, this, [this] { FindNext(true); });
  connect(new QShortcut(QKeySequence::FindNext, this), &QShortcut::activated, this, [this] { FindNext(false); });
  connect(new QShortcut(QKeySequence::FindPrevious, this), &QShortcut::activated, this, [this] { FindNext(true); });

  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(kFlushMs);
  connect(&flushTimer_, &QTimer::timeout, this, &TFormLog::Flush);
}

void TFormLog::AppendLine(std::string_view line) {
  pending_.append(ToQ(line));
  if (!flushTimer_.isActive()) flushTimer_.start();
}

void TFormLog::Flush() {
  flushTimer_.stop();
  if (pending_.isEmpty()) return;
  logMemo_->appendPlainText(pending_.join('\n'));
  pending_.clear();
}

void TFormLog::ShowFind() {
  findBar_->show();
  findField_->setFocus();
  findField_->selectAll();
}

void TFormLog::FindNext(bool backward) { Find(findField_->text(), backward); }

bool TFormLog::Find(const QString& text, bool backward) {
  Flush();
  if (text.isEmpty()) return false;
  const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  bool found = logMemo_->find(text, flags);
  if (!found) {
    // Wrap around once, as a find bar does.
    QTextCursor cursor = logMemo_->textCursor();
    cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    logMemo_->setTextCursor(cursor);
    found = logMemo_->find(text, flags);
  }
  findStatus_->setText(found ? QString() : "Introuvable");
  return found;
}

}  // namespace varnelo::gui
