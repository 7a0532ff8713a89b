// main.cpp - Tremoscan's entry point. The program takes no command-line
// arguments: it builds its main window and runs the event loop until the
// user leaves through "Done" or the window manager's close (status 0).
#include "vibration_app.h"
#include "wmlib.h"

int main() {
  auto* app = new VibrationApp();
  BuildMainWindow(app);
  WMMainLoop();
  return 0;
}
