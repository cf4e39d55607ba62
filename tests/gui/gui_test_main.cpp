// The window tests run offscreen, with desktop folders of their own, and one
// application object per process.
#include <gtest/gtest.h>

#include "gui/app/application.h"
#include "gui/app/webengine_setup.h"
#include "offscreen_environment.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  varnelo::test::TTempDir scratch;
  varnelo::test::UseOffscreenDesktop(scratch.Path());
  varnelo::gui::PrepareWebEngine();
  varnelo::gui::TApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
