// input_driver.h - real keyboard and mouse input for widget tests: keys
// typed and buttons clicked through the X server's test extension, so the
// widgets see exactly the events a person at the keyboard produces.
#pragma once

#include <X11/Intrinsic.h>

#include <string>

namespace tremoscan::testing {

// Gives the keyboard focus to the shell holding `w` and moves Motif's
// focus to `w` (the shell must be mapped).
void FocusOn(Widget w);

// Types `text` (printable ASCII) on the keyboard, shifting where needed.
void TypeText(const std::string& text);

// Presses and releases one key, e.g. XK_Return, XK_Tab, XK_BackSpace;
// `modifiers` lists modifier keys held around it (e.g. XK_Control_L).
void PressKey(KeySym key, KeySym modifier = 0);

// Focuses the field, types `text` over its (selected) text and presses
// Return; events are pumped before it returns.
void TypeIntoField(Widget field, const std::string& text);

// Moves the pointer to the centre of `w` (or to x, y inside it) and clicks
// mouse button 1 there.
void ClickOn(Widget w);
void ClickAt(Widget w, int x, int y);
// Moves the pointer without clicking.
void MovePointerTo(Widget w, int x, int y);

}  // namespace tremoscan::testing
