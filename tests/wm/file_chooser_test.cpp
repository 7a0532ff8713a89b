// The file chooser under an X server, driven from toolkit timers while its
// own event loop runs: listing and filtering, sorting, the directory
// selector, folder creation, remembered defaults, the preview, the file
// field's button.
#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/List.h>
#include <Xm/MessageB.h>
#include <Xm/SelectioB.h>
#include <Xm/TextF.h>
#include <Xm/Form.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config_testing.h"
#include "file_chooser.h"
#include "gui_test_util.h"
#include "imlib.h"
#include "input_driver.h"
#include "iwbase.h"
#include "keyed_file.h"
#include "test_support.h"
#include "wmlib.h"
#include "xdnd_receiver.h"

using namespace tremoscan::testing;
using wm::FileChooser;

namespace {

// The text of a one-line compound string (items with renditions, which
// an unparse with a parse table does not take).
std::string PlainText(XmString s) {
  char* raw = static_cast<char*>(
      XmStringUnparse(s, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr, 0, XmOUTPUT_ALL));
  std::string text = raw ? raw : "";
  XtFree(raw);
  return text;
}

// The texts an XmList shows, in order.
std::vector<std::string> ListTexts(Widget list) {
  XmStringTable items = nullptr;
  int count = 0;
  XtVaGetValues(list, XmNitems, &items, XmNitemCount, &count, nullptr);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) texts.push_back(PlainText(items[i]));
  return texts;
}

// The names the chooser lists, in order, directories with "/".
std::vector<std::string> ListedNames(FileChooser* fc) {
  std::vector<std::string> names;
  for (const wm::ListedEntry& e : fc->listing.entries) names.push_back(e.name + (e.is_dir ? "/" : ""));
  return names;
}

std::vector<std::string> ComboItems(Widget combo) {
  XmStringTable items = nullptr;
  int count = 0;
  XtVaGetValues(combo, XmNitems, &items, XmNitemCount, &count, nullptr);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) texts.push_back(PlainText(items[i]));
  return texts;
}

// Types a text into a field and presses Return, through the field's own
// callbacks.
void TypeAndReturn(Widget field, const std::string& text) {
  XmTextFieldSetString(field, const_cast<char*>(text.c_str()));
  XmAnyCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(field, XmNactivateCallback, &cbs);
}

// Types `name` into the name field and presses OK.
void EnterName(FileChooser* fc, const std::string& name) {
  TypeAndReturn(fc->name_field, name);
  Press(fc->ok_button);
}

// A file with a given modification time (seconds since the epoch).
void MakeFile(const std::string& path, time_t mtime, const std::string& contents = "x") {
  WriteFile(path, contents);
  struct timeval times[2] = {{mtime, 0}, {mtime, 0}};
  utimes(path.c_str(), times);
}

void MakeDir(const std::string& path, time_t mtime = 0) {
  mkdir(path.c_str(), 0755);
  if (mtime) {
    struct timeval times[2] = {{mtime, 0}, {mtime, 0}};
    utimes(path.c_str(), times);
  }
}

// A suite image of 32 x 32 pixels with `nt` time points; time point t has
// a bright square at a place of its own.
void MakeImage(const std::string& path, int nt) {
  int stream = 0;
  ASSERT_EQ(IMOpen2(&stream, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(stream, 32, 32, 1, 1, nt, 1, IM_ZWTP, IM_USHORT), 0);
  ASSERT_EQ(IMWrHdr2(stream, 1), 0);
  for (int t = 0; t < nt; ++t) {
    std::vector<float> pixels(32 * 32, 100.0f);
    for (int y = 4; y < 12; ++y)
      for (int x = 4 + 8 * t; x < 12 + 8 * t; ++x) pixels[y * 32 + x] = 4000.0f;
    ASSERT_EQ(IMWrSec(stream, pixels.data()), 0);
  }
  ASSERT_EQ(IMWrHdr2(stream, 1), 0);
  IMClose(stream);
}

class FileChooserTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    WMCreateMainForm("Chooser host");
    WMInfoLabel("The window the chooser opens over", nullptr);
    WMRealizeShell();
    MakeDir(dir_.file("files"));
  }

  // Runs Select File; `script` runs from a timer while the chooser is
  // open. A chooser the script leaves open is cancelled.
  int SelectFile(std::function<void(FileChooser*)> script, char* result, const std::string& dir,
                 const std::string& types, const char* name = nullptr) {
    AfterDelay(50, [script] {
      FileChooser* fc = wm::OpenChooser();
      ASSERT_NE(fc, nullptr);
      script(fc);
      if (fc->running) wm::CancelChooser(fc);
    });
    return WMSelectFile(result, dir.c_str(), types.c_str(), name);
  }

  int ChooseFolder(std::function<void(FileChooser*)> script, char* result, const std::string& dir) {
    AfterDelay(50, [script] {
      FileChooser* fc = wm::OpenChooser();
      ASSERT_NE(fc, nullptr);
      script(fc);
      if (fc->running) wm::CancelChooser(fc);
    });
    return WMChooseFolder(result, dir.c_str());
  }

  ScopedEnv sort_date_{"PA_FILE_CHOOSER_SORT_DATE", nullptr};
  ScopedEnv sort_dir_{"PA_FILE_CHOOSER_SORT_DIR", nullptr};
  ScopedEnv case_sens_{"PA_FILE_CHOOSER_CASE_SENS", nullptr};
  ScopedTempDir dir_;
};

TEST_F(FileChooserTest, ListsTheUnionOfPatternsSeparatedByCommasBlanksAndSemicolons) {
  std::string files = dir_.file("files");
  for (const char* name : {"a.img", "b.tif", "c.txt", "d.dat", "e.img.bak"}) MakeFile(files + "/" + name, 1000);
  MakeDir(files + "/sub.img");  // a directory matching a pattern is listed once, as a directory
  struct Case {
    const char* types;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"*.img,*.tif *.txt", {"sub.img/", "a.img", "b.tif", "c.txt"}},
      {"*.img, *.tif;*.txt", {"sub.img/", "a.img", "b.tif", "c.txt"}},
      {"*.txt;*.img;;*.img", {"sub.img/", "a.img", "c.txt"}},
      {"*.none", {"sub.img/"}},
      {"*", {"sub.img/", "a.img", "b.tif", "c.txt", "d.dat", "e.img.bak"}},
  };
  char result[WM_CHOOSER_PATH_MAX] = "untouched";
  int rc = SelectFile(
      [&](FileChooser* fc) {
        for (const Case& c : cases) {
          TypeAndReturn(fc->types_field, c.types);
          EXPECT_EQ(ListedNames(fc), c.names) << c.types;
          EXPECT_STREQ(fc->types_text, c.types) << c.types;
        }
        // The list shows each entry as "[date] name", directories in bold.
        char date[30];
        time_t mtime = 1000;
        strftime(date, sizeof date, "%x %H:%M", localtime(&mtime));
        EXPECT_EQ(fc->listing.items.front().rfind("<b>[", 0), 0u);
        EXPECT_EQ(ListTexts(fc->list).back(), std::string("[") + date + "] e.img.bak");
      },
      result, files, "*.img");
  EXPECT_EQ(rc, -1);
  EXPECT_STREQ(result, "untouched");
}

TEST_F(FileChooserTest, SortsByDateAndNameBothWaysWithTheCaseSwitch) {
  std::string files = dir_.file("files");
  MakeFile(files + "/cherry", 1000);   // oldest
  MakeFile(files + "/apple", 2000);
  MakeFile(files + "/Banana", 3000);   // newest
  MakeDir(files + "/zdir", 1500);
  MakeDir(files + "/Adir", 2500);
  struct Step {
    const char* press;  // "date", "name" or "" for the start
    std::vector<std::string> names;
    const char* date_label;
    const char* name_label;
    const char* stored_by_date;
    const char* stored_descending;
  };
  const Step steps[] = {
      {"", {"Adir/", "zdir/", "apple", "Banana", "cherry"}, "        Date        ", "File Name  ^",
       nullptr, nullptr},
      {"name", {"zdir/", "Adir/", "cherry", "Banana", "apple"}, "        Date        ",
       "File Name  v", "0", "1"},
      {"date", {"Adir/", "zdir/", "Banana", "apple", "cherry"}, "        Date  v     ", "File Name",
       "1", "1"},
      {"date", {"zdir/", "Adir/", "cherry", "apple", "Banana"}, "        Date  ^     ", "File Name",
       "1", "0"},
      {"name", {"Adir/", "zdir/", "apple", "Banana", "cherry"}, "        Date        ",
       "File Name  ^", "0", "0"},
  };
  char result[WM_CHOOSER_PATH_MAX];
  SelectFile(
      [&](FileChooser* fc) {
        for (const Step& s : steps) {
          if (std::string(s.press) == "date") Press(fc->date_button);
          if (std::string(s.press) == "name") Press(fc->name_button);
          EXPECT_EQ(ListedNames(fc), s.names) << "after " << s.press;
          EXPECT_EQ(LabelText(fc->date_button), s.date_label) << "after " << s.press;
          EXPECT_EQ(LabelText(fc->name_button), s.name_label) << "after " << s.press;
          if (s.stored_by_date) {
            EXPECT_STREQ(IWRtVar("PA_FILE_CHOOSER_SORT_DATE"), s.stored_by_date);
            EXPECT_STREQ(IWRtVar("PA_FILE_CHOOSER_SORT_DIR"), s.stored_descending);
            EXPECT_STREQ(IWRtVar("PA_FILE_CHOOSER_CASE_SENS"), "0");
          }
        }
      },
      result, files, "*");

  // With the case switch on, names compare byte-wise: capitals first.
  iwbase::ResetConfigStateForTesting();
  ScopedEnv case_on("PA_FILE_CHOOSER_CASE_SENS", "1");
  ScopedEnv descending("PA_FILE_CHOOSER_SORT_DIR", "1");
  SelectFile(
      [&](FileChooser* fc) {
        EXPECT_EQ(ListedNames(fc), (std::vector<std::string>{"zdir/", "Adir/", "cherry", "apple", "Banana"}));
        Press(fc->name_button);
        EXPECT_EQ(ListedNames(fc), (std::vector<std::string>{"Adir/", "zdir/", "Banana", "apple", "cherry"}));
      },
      result, files, "*");
}

TEST_F(FileChooserTest, OffersTheDataFolderOnlyWhenADataVariableIsSet) {
  std::string files = dir_.file("files");
  std::string data = dir_.file("data");
  MakeDir(data);
  struct Case {
    const char* variable;  // nullptr: no data variable
    bool offered;
  };
  const Case cases[] = {{nullptr, false}, {"TS_DATA", true}, {"MX_DATA", true}, {"HX_DATA", true},
                        {"PA_DATA", true}, {"RQ_DATA", false}};
  for (const Case& c : cases) {
    iwbase::ResetConfigStateForTesting();
    ScopedEnv ts("TS_DATA", nullptr), mx("MX_DATA", nullptr), hx("HX_DATA", nullptr),
        pa("PA_DATA", nullptr), rq("RQ_DATA", nullptr);
    std::unique_ptr<ScopedEnv> set;
    if (c.variable) set = std::make_unique<ScopedEnv>(c.variable, data.c_str());
    char result[WM_CHOOSER_PATH_MAX];
    SelectFile(
        [&](FileChooser* fc) {
          std::vector<std::string> entries = ComboItems(fc->dir_combo);
          std::string dir = files;
          // The directory and its parents come first, then a separator.
          std::vector<std::string> parents;
          for (std::string p = dir; !p.empty(); p = p.substr(0, p.rfind('/'))) parents.push_back(p);
          parents.push_back("/");
          ASSERT_GT(entries.size(), parents.size());
          EXPECT_EQ(std::vector<std::string>(entries.begin(), entries.begin() + static_cast<long>(parents.size())),
                    parents);
          EXPECT_EQ(entries[parents.size()], "- - - - - - - - - - - - - - - - - -");
          bool offered = std::find(entries.begin(), entries.end(), "<Current Data Folder>") != entries.end();
          EXPECT_EQ(offered, c.offered) << (c.variable ? c.variable : "none");
          EXPECT_NE(std::find(entries.begin(), entries.end(), "<Home Folder>"), entries.end());
          if (!offered) return;
          Widget text = XtNameToWidget(fc->dir_combo, "*Text");
          // A separator goes nowhere; the data folder entry goes to the data folder.
          TypeAndReturn(text, "- - - - - - - - - - - - - - - - - -");
          EXPECT_EQ(std::string(fc->current_dir), files + "/");
          TypeAndReturn(text, "<Current Data Folder>");
          EXPECT_EQ(std::string(fc->current_dir), data + "/");
          TypeAndReturn(text, "<Home Folder>");
          EXPECT_EQ(std::string(fc->current_dir), home_.path() + "/");
        },
        result, files, "*");
  }
}

TEST_F(FileChooserTest, FolderModeRefusesStrangeNamesAndCreatesRelativeOnes) {
  std::string base = dir_.file("files");
  struct Case {
    const char* name;
    int rc;
    std::string created;      // "" = nothing created
    const char* message;      // the last message shown
  };
  const Case cases[] = {
      {"a b", -1, "", "Directory name cannot contain spaces or strange characters"},
      {"bad*name", -1, "", "Directory name cannot contain spaces or strange characters"},
      {"../x", 1, dir_.file("x"), nullptr},
      {"new-dir_1.d", 1, base + "/new-dir_1.d", nullptr},
  };
  for (const Case& c : cases) {
    messages_.clear();
    char result[WM_CHOOSER_PATH_MAX] = "";
    int rc = ChooseFolder([&](FileChooser* fc) {
      EXPECT_EQ(fc->folder_mode, 1);
      EnterName(fc, c.name);
      if (c.rc != 1) {
        EXPECT_EQ(fc->running, 1) << "a refusal keeps the chooser open";
      }
    }, result, base);
    EXPECT_EQ(rc, c.rc) << c.name;
    ASSERT_FALSE(messages_.empty()) << c.name;
    EXPECT_EQ(messages_.front(), "Folder " + base + "/" + c.name + "/ doesn't exist.\nCreate it?");
    if (c.message) {
      EXPECT_EQ(messages_.back(), c.message) << c.name;
    }
    if (!c.created.empty()) {
      struct stat st;
      EXPECT_EQ(stat(c.created.c_str(), &st), 0) << c.name;
      EXPECT_EQ(std::string(result), c.created + "/") << c.name;
    }
  }
  struct stat st;
  EXPECT_NE(stat((base + "/a b").c_str(), &st), 0);

  // Declining the question creates nothing and keeps the chooser open.
  answer_ = 0;
  char result[WM_CHOOSER_PATH_MAX] = "";
  EXPECT_EQ(ChooseFolder([&](FileChooser* fc) {
              EnterName(fc, "declined");
              EXPECT_EQ(fc->running, 1);
            }, result, base), -1);
  EXPECT_NE(stat((base + "/declined").c_str(), &st), 0);

  // An existing folder is chosen as it is, named by its last component.
  EXPECT_EQ(ChooseFolder([&](FileChooser* fc) { EnterName(fc, "files"); }, result, base), 1);
  EXPECT_EQ(std::string(result), base + "/");
}

TEST_F(FileChooserTest, NewDirectoryButtonChecksTheNameItIsGiven) {
  WMSetMessageHandler(nullptr, nullptr);  // real prompts and errors, answered from timers
  std::string base = dir_.file("files");
  struct Case {
    const char* name;
    const char* error;        // error shown, nullptr: none
    std::string made;         // directory made, "" = none
  };
  const Case cases[] = {
      {"a b", "Directory name cannot contain spaces or strange characters", ""},
      {"/abs", "You can only make a new directory\nrelative to the current directory.", ""},
      {"../made", nullptr, dir_.file("made")},
      {"inner", nullptr, base + "/inner"},
  };
  for (const Case& c : cases) {
    std::string error_seen;
    std::string dir_after;
    char result[WM_CHOOSER_PATH_MAX];
    SelectFile(
        [&](FileChooser* fc) {
          // The prompt appears over the chooser: fill it in and press OK.
          AfterDelay(100, [&, fc] {
            Widget prompt = FindWidget(fc->shell, "*prompt");
            ASSERT_NE(prompt, nullptr);
            XmTextFieldSetString(XmSelectionBoxGetChild(prompt, XmDIALOG_TEXT), const_cast<char*>(c.name));
            if (c.error) {
              AfterDelay(100, [&, fc] {
                Widget error = FindWidget(fc->shell, "*error");
                ASSERT_NE(error, nullptr);
                XmString s = nullptr;
                XtVaGetValues(error, XmNmessageString, &s, nullptr);
                error_seen = XmText(s);
                XmStringFree(s);
                Press(XmMessageBoxGetChild(error, XmDIALOG_OK_BUTTON));
              });
            }
            Press(XmSelectionBoxGetChild(prompt, XmDIALOG_OK_BUTTON));
          });
          Press(fc->new_button);
          dir_after = fc->current_dir;
        },
        result, base, "*");
    EXPECT_EQ(error_seen, c.error ? c.error : "") << c.name;
    if (!c.made.empty()) {
      struct stat st;
      EXPECT_EQ(stat(c.made.c_str(), &st), 0) << c.name;
      EXPECT_EQ(dir_after, c.made + "/") << "the new directory becomes the current one";
    } else {
      EXPECT_EQ(dir_after, base + "/") << c.name;
    }
  }
}

TEST_F(FileChooserTest, RemembersTheChoiceInTheKeyedFileInRecordOrder) {
  std::string first = dir_.file("files"), second = dir_.file("second");
  MakeDir(second);
  MakeFile(second + "/pick.img", 1000);
  std::string keyed = wm::KeyedFilePath();
  ASSERT_FALSE(keyed.empty());
  WriteFile(keyed, "OTHER: TEXT 1\nkept\nQIX_DEF_DIR: TEXT 1\n" + first +
                       "\nNUMBERS INT 2\n4\n5\nQIX_DEF_FILE_EXT: TEXT 1\n*.img\n");

  char result[WM_CHOOSER_PATH_MAX] = "";
  int rc = SelectFile(
      [&](FileChooser* fc) {
        // Started where the keyed file said, with its types.
        EXPECT_EQ(std::string(fc->current_dir), first + "/");
        EXPECT_EQ(wm::CurrentFieldText(fc->types_field), "*.img");
        ASSERT_TRUE(wm::ChangeDirectory(fc, second));
        XmListSelectPos(fc->list, 1, True);
        EXPECT_EQ(wm::CurrentFieldText(fc->name_field), "pick.img");
        Press(fc->ok_button);
      },
      result, "/tmp", "*.tif");
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(std::string(result), second + "/pick.img");
  EXPECT_EQ(ReadFile(keyed), "OTHER: TEXT 1\nkept\nQIX_DEF_DIR: TEXT 1\n" + second +
                                 "/\nNUMBERS INT 2\n4\n5\nQIX_DEF_FILE_EXT: TEXT 1\n*.img\n");
  // The directory went to the front of the recently used list.
  EXPECT_STREQ(IWRtRecentDir("std", 1), (second + "/").c_str());

  // Another key pair for one call: its own records, appended at the end;
  // the next call is back on the default pair.
  WMSetChooserKeys("KM_DIR:", "KM_JPEG_EXT:");
  rc = SelectFile([&](FileChooser* fc) {
    EXPECT_EQ(std::string(fc->current_dir), first + "/");
    EnterName(fc, "out.jpg");
  }, result, first, "*.jpg");
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(ReadFile(keyed), "OTHER: TEXT 1\nkept\nQIX_DEF_DIR: TEXT 1\n" + second +
                                 "/\nNUMBERS INT 2\n4\n5\nQIX_DEF_FILE_EXT: TEXT 1\n*.img\n"
                                 "KM_DIR: TEXT 1\n" + first + "/\nKM_JPEG_EXT: TEXT 1\n*.jpg\n");
  SelectFile([&](FileChooser* fc) { EXPECT_EQ(std::string(fc->current_dir), second + "/"); }, result,
             first, "*.jpg");
}

TEST_F(FileChooserTest, OkTakesDirectoryPlusNameAndAbsoluteNamesAsTheyAre) {
  std::string files = dir_.file("files");
  MakeDir(files + "/inside");
  MakeFile(files + "/inside/deep.img", 1000);
  char result[WM_CHOOSER_PATH_MAX] = "";
  int rc = SelectFile(
      [&](FileChooser* fc) {
        Press(fc->ok_button);
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0], "You must make a selection from the list or Cancel");
        EXPECT_EQ(fc->running, 1);
        // A directory's name is chosen like any other name.
        XmListSelectPos(fc->list, 1, True);
        EXPECT_EQ(wm::CurrentFieldText(fc->name_field), "inside/");
        Press(fc->ok_button);
      },
      result, files, "*");
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(std::string(result), files + "/inside/");
  // The full path a caller proposes (the JPEG export's) is taken as it is.
  EXPECT_EQ(SelectFile([&](FileChooser* fc) { Press(fc->ok_button); }, result, files, "*",
                       "/elsewhere/named.img"),
            1);
  EXPECT_STREQ(result, "/elsewhere/named.img");

  // A relative start directory lies under the working directory.
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  WMDisableChooserDefaults();
  SelectFile([&](FileChooser* fc) { EXPECT_EQ(std::string(fc->current_dir), files + "/"); },
             result, "files", "*");
  ASSERT_EQ(chdir(cwd), 0);

  // Double clicks: a directory is entered, a file accepted.
  WMDisableChooserDefaults();
  rc = SelectFile(
      [&](FileChooser* fc) {
        XmListSelectPos(fc->list, 1, False);
        XmListCallbackStruct cbs = {};
        cbs.reason = XmCR_DEFAULT_ACTION;
        cbs.item_position = 1;
        XtCallCallbacks(fc->list, XmNdefaultActionCallback, &cbs);
        EXPECT_EQ(std::string(fc->current_dir), files + "/inside/");
        XtCallCallbacks(fc->list, XmNdefaultActionCallback, &cbs);
      },
      result, files, "*.img");
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(std::string(result), files + "/inside/deep.img");
}

TEST_F(FileChooserTest, KeysReturnAcceptsEscapeCancelsAndReturnInTypesOnlyRelists) {
  std::string files = dir_.file("files");
  MakeFile(files + "/a.img", 1000);
  MakeFile(files + "/b.txt", 1000);
  char result[WM_CHOOSER_PATH_MAX] = "";
  EXPECT_EQ(SelectFile(
                [&](FileChooser* fc) {
                  ASSERT_TRUE(WaitViewable(fc->name_field));
                  EXPECT_STREQ(XtName(fc->dir_combo), "dirname");
                  FocusOn(fc->name_field);
                  PressKey(XK_Escape);
                  PumpEvents(100);
                  EXPECT_EQ(fc->running, 0);
                },
                result, files, "*"),
            -1);
  EXPECT_EQ(SelectFile(
                [&](FileChooser* fc) {
                  ASSERT_TRUE(WaitViewable(fc->name_field));
                  TypeIntoField(fc->types_field, "*.img");
                  EXPECT_EQ(fc->running, 1);
                  EXPECT_EQ(ListedNames(fc), std::vector<std::string>{"a.img"});
                  TypeIntoField(fc->name_field, "a.img");
                },
                result, files, "*"),
            1);
  EXPECT_EQ(std::string(result), files + "/a.img");
}

TEST_F(FileChooserTest, PreviewShowsASuiteImageAndStepsThroughItsTimePoints) {
  std::string files = dir_.file("files");
  MakeImage(files + "/beads.img", 3);
  MakeFile(files + "/notes.txt", 1000, std::string(2048, 'n'));
  struct stat st;
  ASSERT_EQ(stat((files + "/beads.img").c_str(), &st), 0);
  auto picture = [](FileChooser* fc) {
    XSync(XtDisplay(fc->preview.area), False);
    XImage* image = XGetImage(XtDisplay(fc->preview.area), XtWindow(fc->preview.area), 0, 0, wm::kPreviewSize,
                              wm::kPreviewSize, AllPlanes, ZPixmap);
    std::vector<unsigned long> pixels;
    for (int y = 0; y < wm::kPreviewSize; ++y)
      for (int x = 0; x < wm::kPreviewSize; ++x) pixels.push_back(XGetPixel(image, x, y));
    XDestroyImage(image);
    return pixels;
  };
  auto distinct = [](const std::vector<unsigned long>& pixels) {
    return std::set<unsigned long>(pixels.begin(), pixels.end()).size();
  };
  char result[WM_CHOOSER_PATH_MAX];
  SelectFile(
      [&](FileChooser* fc) {
        ASSERT_TRUE(WaitViewable(fc->preview.area));
        EXPECT_EQ(LabelText(fc->preview.info_label), "-----");
        EXPECT_EQ(distinct(picture(fc)), 1u) << "nothing shown yet";

        XmListSelectPos(fc->list, 1, True);  // beads.img
        EXPECT_EQ(LabelText(fc->preview.info_label), "Z=1 W=1 T=3");
        EXPECT_EQ(LabelText(fc->preview.size_label), wm::SizeText(st.st_size));
        EXPECT_NE(LabelText(fc->preview.modified_label), "-----");
        std::vector<unsigned long> first = picture(fc);
        EXPECT_GE(distinct(first), 2u) << "a thumbnail with background and square";

        // The wheel (button 5) steps one time point forward.
        Position x = 0, y = 0;
        XtTranslateCoords(fc->preview.area, 70, 70, &x, &y);
        Display* dpy = XtDisplay(fc->preview.area);
        XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
        XTestFakeButtonEvent(dpy, 5, True, CurrentTime);
        XTestFakeButtonEvent(dpy, 5, False, CurrentTime);
        PumpEvents(400);
        EXPECT_EQ(fc->preview.image.plane, 1);
        EXPECT_NE(picture(fc), first) << "the square moved";
        for (int i = 0; i < 3; ++i) wm::StepPreviewPlane(&fc->preview.image, 1);
        EXPECT_EQ(fc->preview.image.plane, 2) << "stepping stops at the last time point";

        XmListSelectPos(fc->list, 2, True);  // notes.txt: no image
        EXPECT_EQ(LabelText(fc->preview.info_label), "-----");
        EXPECT_EQ(LabelText(fc->preview.size_label), "0.00 Mb");
        EXPECT_EQ(distinct(picture(fc)), 1u);
      },
      result, files, "*");
}

TEST_F(FileChooserTest, FileFieldButtonPutsTheChoiceIntoTheField) {
  std::string files = dir_.file("files");
  MakeFile(files + "/chosen.img", 1000);
  WMCreateMainForm("Field host");
  static char text[257] = "";
  static char default_dir[256];
  static char default_ext[256] = "*.img";
  snprintf(default_dir, sizeof default_dir, "%s", files.c_str());
  int changes = 0;
  WMSetNextTitle("Pick an image");
  // The field remembers under the key pair in force when it is placed.
  WMSetChooserKeys("FIELD_DIR:", "FIELD_EXT:");
  Widget field = WMFileField("Input", default_dir, default_ext, 256, 30, text,
                             [](Widget, XtPointer count, XtPointer) { ++*static_cast<int*>(count); },
                             &changes, 0, 0);
  wm::ResetChooserCall();
  WMRealizeShell();
  Widget button = XtNameToWidget(XtParent(field), "func_button");
  ASSERT_NE(button, nullptr);
  std::string title;
  AfterDelay(50, [&] {
    FileChooser* fc = wm::OpenChooser();
    ASSERT_NE(fc, nullptr);
    char* raw = nullptr;
    XtVaGetValues(fc->shell, XmNtitle, &raw, nullptr);
    title = raw ? raw : "";
    EXPECT_EQ(std::string(fc->current_dir), files + "/");
    XmListSelectPos(fc->list, 1, True);
    Press(fc->ok_button);
  });
  Press(button);
  EXPECT_EQ(title, "Pick an image");
  EXPECT_EQ(std::string(text), files + "/chosen.img");
  EXPECT_EQ(wm::CurrentFieldText(field), files + "/chosen.img");
  EXPECT_EQ(changes, 1);
  EXPECT_NE(ReadFile(wm::KeyedFilePath()).find("FIELD_DIR: TEXT 1\n" + files + "/\n"),
            std::string::npos);
}

TEST_F(FileChooserTest, LeavesTheCallersPlacementAndRegistryAsTheyWere) {
  // A window half built when the chooser opens.
  WMCreateMainForm("Half built");
  WMSetOffsets(3, 3, 3, 3);
  WMFrame(1, "Group");
  Widget first = WMInfoLabel("first", nullptr);
  Widget form = WMRtCurrentForm();
  int depth = WMRtFormStackDepth();
  int items = WMRtItemCount();
  int targets = wm::XdndTargetCount();
  char result[WM_CHOOSER_PATH_MAX];
  SelectFile([](FileChooser*) {}, result, dir_.file("files"), "*");
  EXPECT_EQ(WMRtCurrentForm(), form);
  EXPECT_EQ(WMRtFormStackDepth(), depth);
  EXPECT_EQ(WMRtLastItem(), first);
  EXPECT_EQ(WMRtItemCount(), items) << "the chooser's items left the registry";
  EXPECT_EQ(wm::XdndTargetCount(), targets) << "the chooser's fields left the drop targets";
  Widget second = WMInfoLabel("second", nullptr);
  unsigned char attachment = 0;
  Widget left = nullptr;
  XtVaGetValues(second, XmNleftAttachment, &attachment, XmNleftWidget, &left, nullptr);
  EXPECT_EQ(attachment, XmATTACH_WIDGET);
  EXPECT_EQ(left, first) << "placement goes on next to the item placed before the chooser";
  WMPopForm();
  WMSetOffsets(0, 0, 0, 0);

  // A chooser whose window goes away while it runs ends as cancelled.
  EXPECT_EQ(SelectFile([](FileChooser* fc) { XtDestroyWidget(fc->shell); }, result, dir_.file("files"), "*"), -1);
  EXPECT_EQ(wm::OpenChooser(), nullptr);
}

}  // namespace
