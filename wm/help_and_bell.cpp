// help_and_bell.cpp - help pages and the bell.
//
// Help for a topic is the page help/<first word of the topic>.htm (or
// .html) under the suite base directory, shown by the suite's help viewer,
// which the call waits for. The bell plays the suite's sound file when it
// and a player exist, and rings the display bell otherwise.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "iwbase.h"
#include "shell_command.h"
#include "wm_state.h"

using namespace wm;

namespace {

int gBellSoundState = -1;  // -1 not looked for yet, 1 sound file exists, 0 not
char gBellSoundPath[512];

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace

extern "C" {

void WMPresentHelp(const char* topic) try {
  if (!topic || !*topic) {
    WMShowTimedInfo("There is no help available for this subject", 4);
    return;
  }
  std::string word(topic, strcspn(topic, " "));
  char base[256];
  IWRtBaseDir(base);
  std::string page = std::string(base) + "/help/" + word + ".htm";
  if (!Exists(page)) {
    page += "l";
    if (!Exists(page)) {
      WMShowWarning("Sorry, no help available for topic \"%s\" ", topic);
      return;
    }
  }
  char command[768];
  snprintf(command, sizeof command, "%s/bin/WMShowHelp %s", base, page.c_str());
  RunShellCommand(command);
} catch (...) {
  wm::ReportEscapedException("WMPresentHelp");
}

void WMHelpCB(Widget w, XtPointer topic, XtPointer) try {
  // The topic stored with the item comes first; the client data serves
  // widgets the layer did not place.
  ItemRecord* r = FindItem(w);
  const char* text = r && r->help_topic ? r->help_topic : static_cast<const char*>(topic);
  if (!text || !*text) {
    WMShowTimedInfo("No help is currently available for this topic.", 4);
    return;
  }
  WMPresentHelp(text);
} catch (...) {
  wm::ReportEscapedException("WMHelpCB");
}

void WMRingBell(int volume, int seconds) try {
  if (gBellSoundState < 0) {
    char base[256];
    IWRtBaseDir(base);
    snprintf(gBellSoundPath, sizeof gBellSoundPath, "%s/config/BellSound.wav", base);
    gBellSoundState = Exists(gBellSoundPath) ? 1 : 0;
  }
  if (gBellSoundState == 1 && Exists("/usr/bin/play")) {
    char command[600];
    snprintf(command, sizeof command, "/usr/bin/play %s >& /dev/null &", gBellSoundPath);
    RunShellCommand(command);
    return;
  }
  if (!EnsureToolkit()) return;
  Display* dpy = gWM.display;
  XKeyboardState previous;
  XGetKeyboardControl(dpy, &previous);
  XKeyboardControl control;
  control.bell_duration = seconds * 1000;
  XChangeKeyboardControl(dpy, KBBellDuration, &control);
  if (volume > 100) volume = 100;
  if (volume < -100) volume = -100;
  XBell(dpy, volume);
  XFlush(dpy);
  control.bell_duration = static_cast<int>(previous.bell_duration);
  XChangeKeyboardControl(dpy, KBBellDuration, &control);
} catch (...) {
  wm::ReportEscapedException("WMRingBell");
}

}  // extern "C"
