// main.cpp - WMShowHelp, the suite's help viewer.
//
//   WMShowHelp <help page>
//
// Shows the page in a window until the user closes it; the program that
// asked for help waits for us meanwhile. The page is read before the window
// opens, so a missing or unreadable page costs one line on standard error
// and exit status 1, never a window that does not work. Callers build the
// command line by pasting the page path after the program name, so a path
// with blanks arrives in pieces: the pieces are joined again.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "help_links.h"
#include "help_page.h"
#include "help_window.h"
#include "wmlib.h"

namespace {

std::string WorkingDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string("/");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "WMShowHelp: no help page given (usage: WMShowHelp <help page>)\n");
    return 1;
  }
  std::string argument = argv[1];
  for (int i = 2; i < argc; ++i) argument += std::string(" ") + argv[i];

  helpviewer::HelpPage page;
  std::string error;
  std::string path = argument.empty() ? argument
                                      : helpviewer::NormalisePath(argument, WorkingDirectory());
  if (!helpviewer::ReadHelpPage(path, &page, &error)) {
    fprintf(stderr, "WMShowHelp: cannot show \"%s\": %s\n", argument.c_str(), error.c_str());
    return 1;
  }
  if (!WMOpenToolkit()) return 1;  // the layer has said which display failed
  helpviewer::RunHelpWindow(page);
}
