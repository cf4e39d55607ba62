#pragma once

#include <exception>
#include <functional>

#include <QApplication>

namespace varnelo::gui {

// The application object: an error that escapes a Qt slot or event handler goes to the
// application-wide error handler instead of ending the program.
class TApplication : public QApplication {
  Q_OBJECT
public:
  using TErrorHandler = std::function<void(const std::exception&)>;

  TApplication(int& argc, char** argv);

  void SetErrorHandler(TErrorHandler handler) { errorHandler_ = std::move(handler); }
  bool notify(QObject* receiver, QEvent* event) override;

private:
  TErrorHandler errorHandler_;
};

}  // namespace varnelo::gui
