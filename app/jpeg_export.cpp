// jpeg_export.cpp - "Save as JPEG...": the whole main window as a JPEG file.
//
// The picture is taken by the X window dump tool and converted by the image
// conversion tool, both run through the shell:
//   xwd -out /tmp/km_plot.xwd -id <window>
//   convert -quality 95 /tmp/km_plot.xwd <chosen file>
// after which the dump is deleted and "Saved file <name>" is shown for 3
// seconds. The tools' exit statuses are not examined.
//
// The file chooser remembers the directory and extension of the last export
// under its own keys "KM_DIR:" and "KM_JPEG_EXT:", apart from the
// directory the input image came from.
#include "jpeg_export.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "wmlib.h"

namespace {

// Size of a shell command buffer, NUL included.
constexpr int kCommandBufferSize = 306;
// Size of the status text of the export, NUL included.
constexpr int kStatusBufferSize = 100;
// Seconds the "Saved file" note stays.
constexpr int kSavedNoteSeconds = 3;

// The file types handed to the chooser: set on the first export, handed
// over unchanged afterwards.
char jpegFilter[kPathBufferSize] = "";

// `path` as one shell word: unchanged when it holds only characters the
// shell takes literally, else in single quotes.
std::string ShellWord(const char* path) {
  bool plain = *path != '\0';
  for (const char* p = path; *p; ++p)
    if (!isalnum(static_cast<unsigned char>(*p)) && !strchr("/._-+,:@%", *p)) plain = false;
  if (plain) return path;
  std::string quoted = "'";
  for (const char* p = path; *p; ++p) {
    if (*p == '\'') quoted += "'\\''";
    else quoted += *p;
  }
  return quoted + "'";
}

// Asks until the user names a file that is new or may be overwritten.
// False when the user cancels.
bool AskForJpegName(char* chosen) {
  char start_dir[kPathBufferSize];
  const char* home = getenv("HOME");
  snprintf(start_dir, sizeof start_dir, "%s", home ? home : "");
  if (jpegFilter[0] == '\0') snprintf(jpegFilter, sizeof jpegFilter, "%s", "*.jpg");
  char proposed[kPathBufferSize];
  ProposedJpegName(inputFileName, proposed);
  for (;;) {
    WMSetNextTitle("Vibration Graph File Name");
    WMSetChooserKeys("KM_DIR:", "KM_JPEG_EXT:");
    if (WMSelectFile(chosen, start_dir, jpegFilter, proposed) < 1) return false;
    if (access(chosen, F_OK) != 0) return true;
    if (WMAskQuestion("The output file exists.\nOverwrite it?")) return true;
  }
}

}  // namespace

void ProposedJpegName(const char* input, char* proposed) {
  if (!input || !*input) {
    snprintf(proposed, kPathBufferSize, "%s", "VibrationGraph.jpg");
    return;
  }
  std::string stem = input;
  // Only a dot in the file's own name starts an extension.
  size_t dot = stem.rfind('.');
  size_t slash = stem.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) stem.resize(dot);
  snprintf(proposed, kPathBufferSize, "%s_KM.jpg", stem.c_str());
}

void ExportWindowJpeg(Widget widget) {
  char chosen[kPathBufferSize] = "";
  if (!AskForJpegName(chosen)) return;

  // The chooser and the question have gone: everything they covered is
  // drawn again before the window is dumped.
  Display* dpy = XtDisplay(widget);
  XSync(dpy, False);
  WMUpdateDisplay();
  usleep(1000);
  XSync(dpy, False);
  WMUpdateDisplay();

  char command[kCommandBufferSize];
  snprintf(command, sizeof command, "xwd -out %s -id %ld", kJpegDumpFile,
           static_cast<long>(XtWindow(widget)));
  if (system(command) == -1) perror("xwd");
  snprintf(command, sizeof command, "convert -quality 95 %s %s", kJpegDumpFile,
           ShellWord(chosen).c_str());
  if (system(command) == -1) perror("convert");
  unlink(kJpegDumpFile);

  char note[kPathBufferSize + 16];
  snprintf(note, sizeof note, "Saved file %s", chosen);
  WMShowTimedInfo(note, kSavedNoteSeconds);
}

void SaveWindowAsJpeg(VibrationApp* app) {
  time_t now = time(nullptr);
  char when[64];
  ctime_r(&now, when);
  when[strcspn(when, "\n")] = '\0';
  char status[kStatusBufferSize];
  snprintf(status, sizeof status, "Saving Window as Jpeg image on %s...", when);
  SetStatus(app, status);
  ExportWindowJpeg(app->mainWindow);
}

void SaveAsJpegCB(Widget, XtPointer app, XtPointer) { SaveWindowAsJpeg(static_cast<VibrationApp*>(app)); }
