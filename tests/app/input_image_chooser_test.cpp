// The "Input Image" button of Tremoscan's main window: the file chooser it
// opens, and what the choice does to the input name and the charts.
#include <gtest/gtest.h>

#include <Xm/PushB.h>
#include <Xm/TextF.h>
#include <sys/stat.h>

#include <string>

#include "chart.h"
#include "chooser_driver.h"
#include "config_testing.h"
#include "main_window_fixture.h"
#include "test_support.h"
#include "vibration_app.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

class InputImageChooserTest : public MainWindowFixture {
 protected:
  Widget InputButton() { return XtNameToWidget(XtParent(app_->inputField), "func_button"); }

};

TEST_F(InputImageChooserTest, TheChoiceLandsInTheFieldAndClearsTheCharts) {
  std::string runs = home_.file("runs");
  ASSERT_EQ(mkdir(runs.c_str(), 0755), 0);
  std::string image = runs + "/beads.img";
  WriteFile(image, "image bytes");
  ShowResults();
  ASSERT_NE(InputButton(), nullptr);
  EXPECT_EQ(LabelText(InputButton()), "Input Image");
  std::string title, start;
  {
    ChooserDriver driver({[&](wm::FileChooser* fc) {
      char* raw = nullptr;
      XtVaGetValues(fc->shell, XmNtitle, &raw, nullptr);
      title = raw ? raw : "";
      start = fc->current_dir;
      ASSERT_TRUE(wm::ChangeDirectory(fc, runs));
      TypeAndReturn(fc->name_field, "beads.img");
    }});
    Press(InputButton());
    EXPECT_EQ(driver.opened(), 1);
  }
  EXPECT_EQ(title, "Select File");
  EXPECT_EQ(start, home_.path() + "/") << "no remembered directory: the home directory";
  EXPECT_EQ(std::string(inputFileName), image);
  char* shown = XmTextFieldGetString(app_->inputField);
  EXPECT_EQ(std::string(shown), image);
  XtFree(shown);
  EXPECT_EQ(app_->xData, nullptr);
  EXPECT_EQ(app_->yData, nullptr);

  // Cancelling changes nothing.
  ShowResults();
  {
    ChooserDriver cancel({[](wm::FileChooser* fc) { wm::CancelChooser(fc); }});
    Press(InputButton());
    EXPECT_EQ(cancel.opened(), 1);
  }
  EXPECT_EQ(std::string(inputFileName), image);
  EXPECT_NE(app_->xData, nullptr);

  // The next chooser starts where the last choice was made.
  ChooserDriver again({[&](wm::FileChooser* fc) { start = fc->current_dir; }});
  Press(InputButton());
  EXPECT_EQ(start, runs + "/");
}

}  // namespace
