#include "gui/base/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "gui/base/text.h"

namespace varnelo::gui {
namespace {

QMessageBox::Icon IconOf(base::TDialogsPort::TIcon icon) {
  using TIcon = base::TDialogsPort::TIcon;
  switch (icon) {
    case TIcon::Information: return QMessageBox::Information;
    case TIcon::Warning: return QMessageBox::Warning;
    case TIcon::Error: return QMessageBox::Critical;
    case TIcon::Question: return QMessageBox::Question;
    case TIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QWidget* TDialogs::Owner() const {
  if (QWidget* active = QApplication::activeModalWidget()) return active;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return mainWindow_;
}

void TDialogs::MessageBox(std::string_view text, std::string_view caption, TIcon icon) {
  QMessageBox box(IconOf(icon), ToQ(caption), ToQ(text), QMessageBox::Ok, Owner());
  box.exec();
}

base::TDialogsPort::TAnswer TDialogs::Question(std::string_view text, std::string_view caption, bool withCancel) {
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (withCancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Question, ToQ(caption), ToQ(text), buttons, Owner());
  box.setDefaultButton(QMessageBox::Yes);
  switch (box.exec()) {
    case QMessageBox::Yes: return TAnswer::Yes;
    case QMessageBox::No: return TAnswer::No;
    default: break;
  }
  // Escape, or the window's close button, without a Cancel button means No.
  return withCancel ? TAnswer::Cancel : TAnswer::No;
}

void TDialogs::ApplicationError(std::string_view text) {
  QMessageBox box(QMessageBox::Critical, ToQ(base::kApplicationTitle), ToQ(text), QMessageBox::NoButton, Owner());
  box.addButton("&Abort", QMessageBox::RejectRole);
  box.addButton("&Retry", QMessageBox::AcceptRole);
  box.setDefaultButton(box.addButton("&Ignore", QMessageBox::DestructiveRole));
  box.exec();
}

std::optional<std::string> TDialogs::InputBox(std::string_view caption, std::string_view prompt,
                                              std::string_view value) {
  bool ok = false;
  const QString text = QInputDialog::getText(Owner(), ToQ(caption), ToQ(prompt), QLineEdit::Normal, ToQ(value), &ok);
  if (!ok) return std::nullopt;
  return FromQ(text);
}

std::optional<std::filesystem::path> TDialogs::ChooseOpenFile(std::string_view caption, std::string_view filter,
                                                              const std::filesystem::path& start) {
  const QString file = QFileDialog::getOpenFileName(Owner(), ToQ(caption), PathToQ(start), ToQ(filter));
  if (file.isEmpty()) return std::nullopt;
  return PathFromQ(file);
}

std::optional<std::filesystem::path> TDialogs::ChooseSaveFile(std::string_view caption, std::string_view filter,
                                                              const std::filesystem::path& start) {
  const QString file = QFileDialog::getSaveFileName(Owner(), ToQ(caption), PathToQ(start), ToQ(filter));
  if (file.isEmpty()) return std::nullopt;
  return PathFromQ(file);
}

std::optional<std::filesystem::path> TDialogs::ChooseFolder(std::string_view caption,
                                                            const std::filesystem::path& start) {
  const QString folder = QFileDialog::getExistingDirectory(Owner(), ToQ(caption), PathToQ(start));
  if (folder.isEmpty()) return std::nullopt;
  return PathFromQ(folder);
}

}  // namespace varnelo::gui
