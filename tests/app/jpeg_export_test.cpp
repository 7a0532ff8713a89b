// "Save as JPEG..." on Tremoscan's real main window: the proposed name, the
// chooser's title and keys, the overwrite question, and the picture the
// X window dump and the converter leave behind.
#include <gtest/gtest.h>

#include <Xm/PushB.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "chooser_driver.h"
#include "config_testing.h"
#include "main_window_fixture.h"
#include "jpeg_export.h"
#include "keyed_file.h"
#include "test_support.h"
#include "vibration_app.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

struct JpegSize {
  int width = -1, height = -1;
};

// Width and height from a JPEG's start-of-frame segment.
JpegSize ReadJpegSize(const std::string& path) {
  std::string bytes = ReadFile(path);
  JpegSize size;
  auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  if (bytes.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return size;
  size_t i = 2;
  while (i + 9 < bytes.size()) {
    if (byte(i) != 0xFF) return size;
    uint8_t marker = byte(i + 1);
    size_t length = ReadUnsigned(bytes, i + 2, 2, true);
    bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      size.height = static_cast<int>(ReadUnsigned(bytes, i + 5, 2, true));
      size.width = static_cast<int>(ReadUnsigned(bytes, i + 7, 2, true));
      return size;
    }
    i += 2 + length;
  }
  return size;
}

class JpegExportTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    WMSetMessageHandler(&JpegExportTest::Capture, this);
  }
  void TearDown() override {
    WMSetMessageHandler(nullptr, nullptr);
    MainWindowFixture::TearDown();
  }
  static int Capture(int kind, const char* text, void* self) {
    auto* test = static_cast<JpegExportTest*>(self);
    test->messages_.push_back(text);
    return kind == WM_MESSAGE_QUESTION ? test->overwrite_ : 1;
  }

  std::vector<std::string> messages_;
  int overwrite_ = 1;  // answer to "Overwrite it?"

  // The "Save as JPEG..." button of the main window.
  Widget SaveButton() {
    WidgetList children = nullptr;
    Cardinal count = 0;
    XtVaGetValues(XtParent(app_->inputField), XmNchildren, &children, XmNnumChildren, &count,
                  nullptr);
    for (Cardinal i = 0; i < count; ++i)
      if (XmIsPushButton(children[i]) && LabelText(children[i]) == "Save as JPEG...")
        return children[i];
    return nullptr;
  }
};

TEST(JpegNameTest, ProposesTheInputNameWithoutItsLastExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"/data/beads.part.img", "/data/beads.part_KM.jpg"},
      {"", "VibrationGraph.jpg"},
      {"/data/beads", "/data/beads_KM.jpg"},
      {"/runs.2024/beads", "/runs.2024/beads_KM.jpg"},
      {"relative/stage.tif", "relative/stage_KM.jpg"},
  };
  for (const auto& [input, want] : cases) {
    char proposed[kPathBufferSize];
    ProposedJpegName(input, proposed);
    EXPECT_STREQ(proposed, want) << input;
  }
  // A name that fills the buffer is cut, never overrun.
  std::string long_input(300, 'x');
  char proposed[kPathBufferSize + 8];
  memset(proposed, '#', sizeof proposed);
  ProposedJpegName(long_input.c_str(), proposed);
  EXPECT_EQ(strlen(proposed), static_cast<size_t>(kPathBufferSize - 1));
  EXPECT_EQ(proposed[kPathBufferSize], '#');
}

TEST_F(JpegExportTest, WritesAPictureOfTheWholeMainWindow) {
  std::string out = home_.file("stage picture.jpg");
  std::string title, proposed, types;
  ChooserDriver driver({[&](wm::FileChooser* fc) {
    char* raw = nullptr;
    XtVaGetValues(fc->shell, XmNtitle, &raw, nullptr);
    title = raw ? raw : "";
    proposed = wm::CurrentFieldText(fc->name_field);
    types = wm::CurrentFieldText(fc->types_field);
    TypeAndReturn(fc->name_field, out.c_str());
  }});
  Press(SaveButton());
  EXPECT_EQ(driver.opened(), 1);
  EXPECT_EQ(title, "Vibration Graph File Name");
  EXPECT_EQ(proposed, "VibrationGraph.jpg");
  EXPECT_EQ(types, "*.jpg");
  EXPECT_EQ(LabelText(app_->statusLabel).rfind("Saving Window as Jpeg image on ", 0), 0u);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Saved file " + out);
  EXPECT_FALSE(FileExists(kJpegDumpFile)) << "the window dump is deleted";

  // The picture is the main window: charts, status line and buttons.
  XWindowAttributes attrs;
  XGetWindowAttributes(XtDisplay(app_->mainWindow), XtWindow(app_->mainWindow), &attrs);
  JpegSize size = ReadJpegSize(out);
  EXPECT_EQ(size.width, attrs.width);
  EXPECT_EQ(size.height, attrs.height);
  ProcessResult spread = RunProcess({"/usr/bin/convert", out, "-colorspace", "gray", "-format",
                                     "%[fx:standard_deviation]", "info:"});
  ASSERT_EQ(spread.exit_code, 0) << spread.err;
  EXPECT_GT(std::stod(spread.out), 0.05) << "a real picture, not a blank one";

  // The chooser remembered the export's directory and types under its own keys.
  wm::KeyedFile keyed;
  ASSERT_TRUE(keyed.Read(wm::KeyedFilePath()));
  std::string value;
  ASSERT_TRUE(keyed.GetText("KM_DIR:", &value));
  EXPECT_EQ(value, home_.path() + "/");
  ASSERT_TRUE(keyed.GetText("KM_JPEG_EXT:", &value));
  EXPECT_EQ(value, "*.jpg");
  EXPECT_EQ(keyed.Find("QIX_DEF_DIR:"), nullptr);
}

TEST_F(JpegExportTest, DecliningToOverwriteAsksAgainAndCancellingWritesNothing) {
  std::string existing = home_.file("old.jpg");
  WriteFile(existing, "not a picture yet");
  snprintf(inputFileName, sizeof inputFileName, "%s", "/data/beads.part.img");
  overwrite_ = 0;
  std::vector<std::string> proposed;
  {
    ChooserDriver driver({[&](wm::FileChooser* fc) {
                            proposed.push_back(wm::CurrentFieldText(fc->name_field));
                            TypeAndReturn(fc->name_field, existing.c_str());
                          },
                          [&](wm::FileChooser* fc) {
                            proposed.push_back(wm::CurrentFieldText(fc->name_field));
                            wm::CancelChooser(fc);
                          }});
    Press(SaveButton());
    EXPECT_EQ(driver.opened(), 2) << "the chooser opens again after a declined overwrite";
  }
  EXPECT_EQ(proposed,
            (std::vector<std::string>{"/data/beads.part_KM.jpg", "/data/beads.part_KM.jpg"}));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "The output file exists.\nOverwrite it?");
  EXPECT_EQ(ReadFile(existing), "not a picture yet");
  EXPECT_FALSE(FileExists(kJpegDumpFile));
  EXPECT_EQ(LabelText(app_->statusLabel).rfind("Saving Window as Jpeg image on ", 0), 0u)
      << "a cancelled export leaves the status line as it was";

  // Saying yes replaces the file.
  overwrite_ = 1;
  messages_.clear();
  ChooserDriver again(
      {[&](wm::FileChooser* fc) { TypeAndReturn(fc->name_field, existing.c_str()); }});
  Press(SaveButton());
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1], "Saved file " + existing);
  EXPECT_GT(ReadJpegSize(existing).width, 0);
}

}  // namespace
