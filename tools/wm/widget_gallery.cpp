// Builds a window with the widget layer's compound items the way a tool of
// the suite would (menu bar, toolbar, tab manager with pages, a table of
// fields, combo and option menus, progress and status bars, a list) and
// saves a screenshot of it: xwd for the window dump, convert for the PNG.
//   wm_widget_gallery OUTPUT.png
// Needs an X server (DISPLAY); run it under xvfb-run on a headless machine.
#include <X11/Intrinsic.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "window_picture.h"
#include "wmlib.h"

namespace {

void Pump(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    XSync(WMRtDisplay(), False);
    while (XtAppPending(WMRtAppContext())) XtAppProcessEvent(WMRtAppContext(), XtIMAll);
    usleep(10000);
  }
}

// What the window's items are bound to.
struct Settings {
  int frames[2] = {0, 299};
  int max_frame = 299, min_frame = 0;
  float pixel_size = 0.1075f, max_pixel = 1.0f, min_pixel = 0.01f;
  char objective[32] = "60x / 1.42 Oil";
  int channel = 1;
  int spin = 4;
  int progress = 62;
  int tracked = 212;
  char status[64] = "Linking tracks: 212 of 340 beads";
  int menu_choice = -1;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  const std::string output = argv[1];
  Settings s;
  WMSetFixedWidthSizing(1);
  Widget form = WMCreateMainForm("Widget items");
  if (!form) return 1;

  const char* file_items[] = {"Open...", "Save as JPEG...", "separator", "->Recent", "beads_01.dv",
                              "beads_02.dv", "<-", "Quit"};
  const char* file_accels[] = {"Ctrl<Key>o", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "Ctrl<Key>q"};
  const char* file_texts[] = {"Ctrl+O", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "Ctrl+Q"};
  Widget file = WMPulldownMenu(nullptr, "File", "F", file_items, nullptr, file_accels, file_texts, 8,
                               &s.menu_choice, nullptr, nullptr, 0, 0);
  const char* view_items[] = {"(*)Grid", "(*)Band limits", "separator", "Zoom in", "Zoom out"};
  WMPulldownMenu(XtParent(file), "View", "V", view_items, nullptr, nullptr, nullptr, 5, &s.menu_choice,
                 nullptr, nullptr, 0, 0);
  const char* help_items[] = {"On this window...", "About"};
  WMPulldownMenu(XtParent(file), "Help", "H", help_items, nullptr, nullptr, nullptr, 2, &s.menu_choice,
                 nullptr, nullptr, 0, 0);

  WMSetOffsets(6, 6, 6, 0);
  WMBeginToolbar(1);
  WMToolbarButton("Open", 1, "folder_up.xpm", "Open an image", 0, nullptr, nullptr);
  WMToolbarButton("New", 1, "folder_new.xpm", "New folder", 4, nullptr, nullptr);
  WMToolbarButton("Refresh", 0, "refresh.xpm", "Run the calculation again", 4, nullptr, nullptr);
  WMToolbarButton("Help", 0, "help.xpm", "Help on this window", 4, nullptr, nullptr);
  WMEndToolbar();
  WMNewRow();

  WMTabManager(1, nullptr, nullptr);
  WMTabPage("Acquisition");
  WMSetOffsets(8, 8, 8, 0);
  WMBeginTable(4, 2, WM_ALIGN_BEGINNING);
  WMInfoLabel("Frames", nullptr);
  WMSetIntFieldOffset(1);
  WMIntField(s.frames, 2, 10, 20, &s.max_frame, &s.min_frame, nullptr, nullptr, nullptr, 0, 0);
  WMSetIntFieldOffset(0);
  WMInfoLabel("Pixel size (um)", nullptr);
  WMFloatField(&s.pixel_size, 1, 10, 20, &s.max_pixel, &s.min_pixel, 4, nullptr, nullptr, 0, 0);
  WMInfoLabel("Objective", nullptr);
  const char* objectives[] = {"10x / 0.40 Air", "40x / 1.30 Oil", "60x / 1.42 Oil", "100x / 1.40 Oil"};
  WMComboBox(s.objective, objectives, 4, sizeof s.objective, 14, 0, nullptr, nullptr, 0, 0);
  WMInfoLabel("Channel", nullptr);
  const char* channels[] = {"DAPI", "FITC", "TRITC", "Cy5"};
  WMOptionMenu(channels, 4, &s.channel, nullptr, nullptr, 0, 0);
  WMEndTable();
  WMTabPage("Display");
  WMSetOffsets(8, 8, 8, 0);
  WMInfoLabel("Smoothing", nullptr);
  WMSpinBox(&s.spin, 1, 9, 1, 3, nullptr, nullptr, 0, 0);
  WMNewRow();
  const char* entries[] = {"<b>[data] beads", "<b>[old] earlier runs", "beads_01.dv", "beads_02.dv",
                           "<i>beads_03.dv (open)"};
  WMScrolledList(entries, 5, 4, 220, 0, nullptr, nullptr, nullptr, 0);
  WMEndTabManager();
  WMAttachRightToForm();
  WMNewRow();

  WMSetOffsets(6, 6, 8, 0);
  WMInfoLabel("Localization", nullptr);
  WMProgressBar(260, 0, &s.progress, 0, 0);
  WMAttachRightToForm();
  WMNewRow();
  WMStatusBar("Tracks kept", 0, 340, &s.tracked, 0, 0);
  WMNewRow();
  WMSetOffsets(6, 6, 8, 6);
  WMStatusText(s.status, 40, 0);
  WMAttachRightToForm();
  WMNewRow();
  WMDoneButton(nullptr, nullptr, nullptr, 0, 0);
  WMExecuteButton("NULL", "true", nullptr, nullptr);

  WMRealizeShell();
  Widget shell = WMRtBaseShell();
  XtVaSetValues(shell, XmNx, 40, XmNy, 40, nullptr);
  Pump(40);

  return tremoscan::tools::SaveWindowPicture(DisplayString(WMRtDisplay()), XtWindow(shell),
                                               output);
}
