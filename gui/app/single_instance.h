#pragma once

#include <filesystem>
#include <memory>

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace varnelo::gui {

// One program per user and home: the first start listens on a local socket named after both; a later
// start asks it to raise its window and ends.
class TSingleInstance : public QObject {
  Q_OBJECT
public:
  explicit TSingleInstance(const std::filesystem::path& home, QObject* parent = nullptr);

  // The socket's name for this user and home.
  static QString ServerName(const std::filesystem::path& home);

  // True when another start of the same home already runs and has been asked to raise its window.
  bool AskRunningInstanceToRaise();
  // Becomes the instance that later starts reach; false when the socket cannot be made.
  bool Listen();

Q_SIGNALS:
  void RaiseRequested();

private:
  void TakeConnection();

  QString name_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace varnelo::gui
