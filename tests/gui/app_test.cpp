#include <gtest/gtest.h>

#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>

#include "gui/app/gui_command_line.h"
#include "gui/app/single_instance.h"
#include "gui/app/splash.h"
#include "gui/base/text.h"
#include "qt_wait.h"
#include "support/temp_home.h"

namespace varnelo::test {
namespace {

TEST(GuiCommandLineTest, ReadsItsOptionsAndLeavesQtsOwn) {
  struct TCase {
    std::vector<std::string> arguments;
    std::optional<std::string> home;
    bool help;
    bool version;
    bool error;
  };
  const TCase cases[] = {
      {{}, std::nullopt, false, false, false},
      {{"--home", "/tmp/h"}, "/tmp/h", false, false, false},
      {{"--home=/tmp/h"}, "/tmp/h", false, false, false},
      {{"--help"}, std::nullopt, true, false, false},
      {{"-h"}, std::nullopt, true, false, false},
      {{"--version"}, std::nullopt, false, true, false},
      // Qt's single-dash options are Qt's business.
      {{"-platform", "offscreen", "--home", "/tmp/h"}, "/tmp/h", false, false, false},
      {{"-style=fusion"}, std::nullopt, false, false, false},
      {{"--home"}, std::nullopt, false, false, true},
      {{"--home="}, std::nullopt, false, false, true},
      {{"--hom", "x"}, std::nullopt, false, false, true},
      {{"robot"}, std::nullopt, false, false, true},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(testing::PrintToString(test.arguments));
    const gui::TGuiCommandLine line = gui::ParseGuiCommandLine(test.arguments);
    EXPECT_EQ(line.help, test.help);
    EXPECT_EQ(line.version, test.version);
    EXPECT_EQ(!line.error.empty(), test.error) << line.error;
    if (!test.error) {
      EXPECT_EQ(line.home, test.home ? std::optional<std::filesystem::path>(*test.home) : std::nullopt);
    }
  }
}

TEST(SplashTest, EveryPixelOfTheCutColourLeavesTheWindow) {
  QPixmap picture(40, 20);
  picture.fill(QColor(0x33, 0x66, 0x33));
  {
    QPainter painter(&picture);
    painter.fillRect(10, 5, 20, 10, QColor(0x33, 0x66, 0x34));  // one step off the cut colour stays
  }
  const QRegion shape = gui::TSplash::Shape(picture);
  EXPECT_FALSE(shape.contains(QPoint(0, 0)));
  EXPECT_FALSE(shape.contains(QPoint(9, 5)));
  EXPECT_TRUE(shape.contains(QPoint(10, 5)));
  EXPECT_TRUE(shape.contains(QPoint(29, 14)));
  EXPECT_FALSE(shape.contains(QPoint(30, 14)));
  EXPECT_EQ(shape.boundingRect(), QRect(10, 5, 20, 10));
}

// The program itself, started as a user would.
QProcess* StartProgram(const QStringList& arguments, const QProcessEnvironment& environment) {
  auto* process = new QProcess;
  process->setProcessEnvironment(environment);
  process->start(VARNELO_GUI_PROGRAM, arguments);
  return process;
}

TEST(SingleInstanceTest, ASecondStartOfTheSameHomeRaisesTheFirstAndEnds) {
  TTempHome home;
  gui::TSingleInstance first(home.Path());
  ASSERT_FALSE(first.AskRunningInstanceToRaise());
  ASSERT_TRUE(first.Listen());
  QSignalSpy raised(&first, &gui::TSingleInstance::RaiseRequested);

  std::unique_ptr<QProcess> second(StartProgram({"--home", gui::PathToQ(home.Path())},
                                                QProcessEnvironment::systemEnvironment()));
  ASSERT_TRUE(WaitUntil([&] { return second->state() == QProcess::NotRunning; }));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_TRUE(WaitUntil([&] { return raised.count() == 1; }));

  // Another home is another program.
  TTempHome other;
  EXPECT_NE(gui::TSingleInstance::ServerName(other.Path()), gui::TSingleInstance::ServerName(home.Path()));
}

TEST(SingleInstanceTest, TheSameHomeNamedTwoWaysIsTheSameInstance) {
  TTempHome home;
  EXPECT_EQ(gui::TSingleInstance::ServerName(home.Path()), gui::TSingleInstance::ServerName(home.Path() / "." / ""));
}

TEST(ProgramTest, WithoutADisplayItSaysHowToGoOnAndEndsWithStatusTwo) {
  TTempHome home;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
  std::unique_ptr<QProcess> program(StartProgram({"--home", gui::PathToQ(home.Path())}, environment));
  ASSERT_TRUE(program->waitForFinished(20000));
  EXPECT_EQ(program->exitCode(), 2);
  const QString said = QString::fromUtf8(program->readAllStandardError());
  EXPECT_TRUE(said.contains("no display")) << said.toStdString();
  EXPECT_TRUE(said.contains("varnelo-cli")) << said.toStdString();
  EXPECT_EQ(said.count('\n'), 1);
}

}  // namespace
}  // namespace varnelo::test
