// event_loop.cpp - the layer's event loop and the event pumping used while
// the application waits for a child program.
//
// One round of the loop: take the next event and let the toolkit dispatch
// it. Events no widget took may belong to an image window of the suite
// (drawn by a display process, not by a widget): those go to the handlers
// registered per handler class, and client messages go to the image-window
// client-message handlers or the raw-event hook. An event that belongs to no
// image window and is no client message is dropped.
#include <cstdint>
#include <cstdlib>

#include "wm_state.h"

namespace wm {

void ClearEventTables() {
  for (auto& head : gWM.ev_hdl_list) {
    while (head) {
      EventHandlerNode* next = head->next;
      delete head;
      head = next;
    }
  }
  // Each event type is its own handler class (types 0..31), so a handler
  // registered for class t sees events of type t.
  for (int type = 0; type < LASTEvent; ++type)
    gWM.evtable[type] = type < 32 ? (1u << type) : 0u;
  gWM.client_handlers.clear();
  gWM.raw_hook = nullptr;
  gWM.raw_hook_data = nullptr;
}

namespace {

void DispatchToImageWindow(XEvent* event) {
  Display* dpy = gWM.display;
  long image_window = ImageWindowOfXWindow(event->xany.window);
  if (image_window == 0 && event->type != ClientMessage) return;

  if (event->type == ClientMessage) {
    if (event->xclient.format == 32 && event->xclient.data.l[0] == 4 &&
        !gWM.client_handlers.empty()) {
      long code = event->xclient.data.l[1];
      for (const auto& h : gWM.client_handlers)
        if (h.code == code) h.handler(h.client_data, event);
      return;
    }
    if (gWM.raw_hook) gWM.raw_hook(gWM.form1, gWM.raw_hook_data, event);
    return;
  }

  if (event->type == MotionNotify) {
    // Only the newest pointer position matters to an image window.
    while (XCheckTypedEvent(dpy, MotionNotify, event)) {}
  }
  unsigned int mask = event->type < LASTEvent ? gWM.evtable[event->type] : 0u;
  for (int bit = 0; bit < 32; ++bit) {
    if (!(mask & (1u << bit))) continue;
    for (EventHandlerNode* h = gWM.ev_hdl_list[bit]; h; h = h->next) {
      if (h->window_id == image_window) {
        h->handler(h->client_data, event);
        break;
      }
    }
  }
}

void HandleEvent(XEvent* event) {
  Boolean taken = XtDispatchEvent(event);
  if (taken || !gWM.hooks_enabled) return;
  DispatchToImageWindow(event);
}

}  // namespace
}  // namespace wm

using namespace wm;

extern "C" {

void WMDispatchOneEvent(void) try {
  if (!gWM.app) return;
  XEvent event;
  XtAppNextEvent(gWM.app, &event);
  HandleEvent(&event);
} catch (...) {
  wm::ReportEscapedException("WMDispatchOneEvent");
}

void WMMainLoop(void) try {
  if (!EnsureToolkit()) exit(1);
  for (;;) WMDispatchOneEvent();
} catch (...) {
  wm::ReportEscapedException("WMMainLoop");
}

int WMProcessEvents(int wait) try {
  if (!gWM.app) return 0;
  int handled = 0;
  if (wait) {
    WMDispatchOneEvent();
    ++handled;
  }
  while (XtAppPending(gWM.app) & XtIMXEvent) {
    XEvent event;
    XtAppNextEvent(gWM.app, &event);
    HandleEvent(&event);
    ++handled;
  }
  return handled;
} catch (...) {
  wm::ReportEscapedException("WMProcessEvents");
  return {};
}

void WMUpdateDisplay(void) try {
  if (!gWM.baseshell || !XtIsRealized(gWM.baseshell)) return;
  XmUpdateDisplay(gWM.baseshell);
} catch (...) {
  wm::ReportEscapedException("WMUpdateDisplay");
}

void WMBusyOn(Widget widget) try {
  if (!gWM.display) return;
  if (!gWM.watch_cursor) gWM.watch_cursor = XCreateFontCursor(gWM.display, 150);
  if (widget) {
    if (XtWindow(widget)) XDefineCursor(gWM.display, XtWindow(widget), gWM.watch_cursor);
  } else {
    for (Widget shell : gWM.shells)
      if (shell && XtWindow(shell)) XDefineCursor(gWM.display, XtWindow(shell), gWM.watch_cursor);
  }
  WMUpdateDisplay();
} catch (...) {
  wm::ReportEscapedException("WMBusyOn");
}

void WMBusyOff(Widget widget) try {
  if (!gWM.display) return;
  if (widget) {
    if (XtWindow(widget)) XUndefineCursor(gWM.display, XtWindow(widget));
  } else {
    for (Widget shell : gWM.shells)
      if (shell && XtWindow(shell)) XUndefineCursor(gWM.display, XtWindow(shell));
  }
  XFlush(gWM.display);
} catch (...) {
  wm::ReportEscapedException("WMBusyOff");
}

int WMAddEventHandler(int handler_class, long window_id, WMEventHandler handler,
                      XtPointer client_data) try {
  if (handler_class < 0 || handler_class >= 32 || !handler) return 0;
  auto* node = new EventHandlerNode{window_id, handler, client_data, nullptr};
  EventHandlerNode** tail = &gWM.ev_hdl_list[handler_class];
  while (*tail) tail = &(*tail)->next;
  *tail = node;
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMAddEventHandler");
  return {};
}

int WMAddClientMessageHandler(int code, WMEventHandler handler, XtPointer client_data) try {
  if (!handler) return 0;
  gWM.client_handlers.push_back({code, handler, client_data});
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMAddClientMessageHandler");
  return {};
}

void WMSetRawEventHook(WMRawEventHook hook, XtPointer client_data) try {
  gWM.raw_hook = hook;
  gWM.raw_hook_data = client_data;
} catch (...) {
  wm::ReportEscapedException("WMSetRawEventHook");
}

void WMEnableEventHooks(int on) { gWM.hooks_enabled = on != 0; }

}  // extern "C"
