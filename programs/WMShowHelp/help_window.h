// help_window.h - the help viewer's window: an HTML view of the page, a row
// with "Back", a status text and "Close".
#pragma once

#include "help_page.h"

namespace helpviewer {

// Builds the window around `page` (read already), shows it and runs the
// event loop. Never returns: the process exits with status 0 when the user
// presses Close or the window manager closes the window.
[[noreturn]] void RunHelpWindow(const HelpPage& page);

}  // namespace helpviewer
