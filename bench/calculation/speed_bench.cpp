// speed_bench - seconds from pressing "Run the Calculation" to filled charts.
//
// Simulates a 512 x 512 x 500-frame series of 2-byte pixels with 50 beads,
// builds Tremoscan's main window (when a display is available; run it under
// xvfb-run otherwise), types the image into the window's field and runs the
// calculation as the button does, printing seconds per stage and how long
// the window ever went without handling its events during the run (the
// goal: it keeps repainting).
//
// Run from a build tree: PA_BASE=<build>/suite xvfb-run -a bench/calculation/speed_bench
#include <fcntl.h>
#include <unistd.h>

#include <X11/Intrinsic.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "calculation.h"
#include "scenario.h"
#include "vibration_app.h"
#include "wmlib.h"

namespace {

using Clock = std::chrono::steady_clock;

FILE* gTable = stdout;
Clock::time_point gStart;
std::vector<std::pair<std::string, double>> gMarks;  // status text, seconds since start

void MarkStatus(void*, const char* text) {
  // Progress texts of the localizer are not stage boundaries.
  if (strncmp(text, "Localizing", 10) == 0) return;
  gMarks.emplace_back(text, std::chrono::duration<double>(Clock::now() - gStart).count());
}

// Responsiveness: a second X connection, on its own thread, sends the main
// window a client message every 20 ms stamped with the time it was sent;
// the window's handler, run wherever the application dispatches its events,
// records the longest wait. That is how long a click or an expose could
// have waited during the run.
std::atomic<bool> gPinging{false};
double gLongestWaitMs = 0;
Atom gPingAtom;

double NowMs() {
  return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

void PingLoop(Window target) {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return;
  Atom ping = XInternAtom(dpy, "TREMOSCAN_BENCH_PING", False);
  while (gPinging) {
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = target;
    e.xclient.message_type = ping;
    e.xclient.format = 32;
    // Client message words travel as 32 bits: milliseconds modulo 2^31.
    e.xclient.data.l[0] = static_cast<long>(NowMs()) & 0x7fffffff;
    XSendEvent(dpy, target, False, NoEventMask, &e);
    XFlush(dpy);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  XCloseDisplay(dpy);
}

void PingHandler(Widget, XtPointer, XEvent* event, Boolean*) {
  if (event->type != ClientMessage || event->xclient.message_type != gPingAtom) return;
  long sent = event->xclient.data.l[0] & 0x7fffffff;
  long now = static_cast<long>(NowMs()) & 0x7fffffff;
  double wait = static_cast<double>((now - sent) & 0x7fffffff);
  if (wait > gLongestWaitMs) gLongestWaitMs = wait;
}

int PrintMessage(int kind, const char* text, void*) {
  fprintf(gTable, "%s: %s\n", kind == WM_MESSAGE_ERROR ? "error" : "warning", text);
  return 1;
}

}  // namespace

int main() {
  gTable = bench::DivertStandardOutput();

  char dir_template[] = "/tmp/tremoscan-speed-XXXXXX";
  std::string dir = mkdtemp(dir_template);
  std::string image = dir + "/series.img", truth = dir + "/truth.txt";
  bench::Scenario s{"512x512x500, 50 beads",
                    {"--size", "512x512", "--frames", "500", "--beads", "50", "--pixel-type",
                     "uint16", "--vibration", "12.5,20,15"}};
  fprintf(gTable, "simulating %s ...\n", s.name.c_str());
  fflush(gTable);
  if (!bench::Simulate(s, image, truth)) {
    fprintf(gTable, "beadsim failed\n");
    return 1;
  }

  auto* app = new VibrationApp();
  app->statusListener = MarkStatus;
  bool window = getenv("DISPLAY") && WMOpenToolkit();
  if (window) {
    BuildMainWindow(app);
    WMProcessEvents(0);
  } else {
    WMSetMessageHandler(PrintMessage, nullptr);
  }
  snprintf(inputFileName, sizeof inputFileName, "%s", image.c_str());

  std::thread pinger;
  if (window) {
    Widget shell = WMRtBaseShell();
    gPingAtom = XInternAtom(XtDisplay(shell), "TREMOSCAN_BENCH_PING", False);
    XtAddEventHandler(shell, NoEventMask, True, PingHandler, nullptr);
    gPinging = true;
    pinger = std::thread(PingLoop, XtWindow(shell));
  }
  gMarks.clear();
  gStart = Clock::now();
  int rc = RunCalculationStages(app);
  double total = std::chrono::duration<double>(Clock::now() - gStart).count();
  if (window) {
    gPinging = false;
    pinger.join();
  }

  fprintf(gTable, "\n%-40s %10s %10s\n", "stage ends with", "at s", "stage s");
  double previous = 0;
  for (const auto& [text, at] : gMarks) {
    fprintf(gTable, "%-40s %10.2f %10.2f\n", text.c_str(), at, at - previous);
    previous = at;
  }
  fprintf(gTable, "%-40s %10.2f %10.2f\n", "charts filled", total, total - previous);
  fprintf(gTable, "\ntotal %.2f s (goal: under 10 s), result %s\n", total, rc == 0 ? "ok" : "FAILED");
  if (window)
    fprintf(gTable, "longest time the window went without handling events: %.0f ms\n",
            gLongestWaitMs);
  else
    fprintf(gTable, "(no display: ran without the window)\n");
  std::string cleanup = "rm -rf " + dir;
  if (system(cleanup.c_str()) != 0) fprintf(gTable, "could not remove %s\n", dir.c_str());
  fclose(gTable);
  return rc == 0 && total < 10.0 ? 0 : 1;
}
