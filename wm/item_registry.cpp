// item_registry.cpp - the layer's record of every item it placed.
//
// A doubly linked list whose tail is always an empty record: a new item
// fills the tail and appends a fresh empty one, and lookups walk from the
// head until they reach the tail. Records carry what the layer needs later
// to serve an item: its callback, its bound buffer, its refresh group, its
// tool tip. A new main window starts a fresh registry; a destroyed item
// leaves it at once.
#include <Xm/Xm.h>

#include "wm_state.h"

namespace wm {
namespace {

void FreeRecord(ItemRecord* r) {
  XtFree(const_cast<char*>(r->label));
  XtFree(reinterpret_cast<char*>(r->children));
  XtFree(r->dir_key);
  XtFree(r->ext_key);
  XtFree(r->accepted);
  XtFree(r->tooltip);
  XtFree(r->help_topic);
  XtFree(r->chooser_title);
  delete r;
}

// A destroyed item leaves the registry with its widget, so no later lookup
// or refresh touches a freed widget.
void ForgetItemCB(Widget w, XtPointer, XtPointer) try {
  ItemRecord* r = FindItem(w);
  if (!r) return;  // its registry was reset meanwhile
  // Unlinked from its neighbours; the head moves on when it goes.
  if (r->prev) r->prev->next = r->next;
  else gWM.registry_head = r->next;
  r->next->prev = r->prev;
  FreeRecord(r);
} catch (...) {
  wm::ReportEscapedException("ForgetItemCB");
}

}  // namespace

void ResetRegistry() {
  ItemRecord* r = gWM.registry_head;
  while (r) {
    ItemRecord* next = r->next;
    FreeRecord(r);
    r = next;
  }
  gWM.registry_head = gWM.registry_tail = new ItemRecord();
}

ItemRecord* RegisterItem(Widget w, int kind) {
  AssertWidgetLayerState();
  if (!gWM.registry_tail) ResetRegistry();
  ItemRecord* r = gWM.registry_tail;
  r->widget = w;
  r->kind = kind;
  if (w) XtAddCallback(w, XmNdestroyCallback, ForgetItemCB, nullptr);
  if (gWM.pending_tooltip) {
    r->tooltip = gWM.pending_tooltip;
    gWM.pending_tooltip = nullptr;
    WMSetToolTip(w, r->tooltip);
  }
  ItemRecord* tail = new ItemRecord();
  tail->prev = r;
  r->next = tail;
  gWM.registry_tail = tail;
  return r;
}

void SetItemHelpTopic(Widget w, const char* topic) {
  ItemRecord* r = FindItem(w);
  if (!r) return;
  XtFree(r->help_topic);
  r->help_topic = topic ? XtNewString(topic) : nullptr;
}

ItemRecord* FindItem(Widget w) {
  if (!w) return nullptr;
  for (ItemRecord* r = gWM.registry_head; r && r != gWM.registry_tail; r = r->next)
    if (r->widget == w) return r;
  return nullptr;
}

}  // namespace wm

using namespace wm;

extern "C" {

int WMRtItemKind(Widget w) try {
  ItemRecord* r = FindItem(w);
  return r ? r->kind : -1;
} catch (...) {
  wm::ReportEscapedException("WMRtItemKind");
  return {};
}

int WMRtItemCount(void) try {
  int count = 0;
  for (ItemRecord* r = gWM.registry_head; r && r != gWM.registry_tail; r = r->next) ++count;
  return count;
} catch (...) {
  wm::ReportEscapedException("WMRtItemCount");
  return {};
}

void WMSetToolTipForNext(const char* text) try {
  XtFree(gWM.pending_tooltip);
  gWM.pending_tooltip = text ? XtNewString(text) : nullptr;
} catch (...) {
  wm::ReportEscapedException("WMSetToolTipForNext");
}

void WMSetNextTitle(const char* text) try {
  XtFree(gWM.pending_title);
  gWM.pending_title = text ? XtNewString(text) : nullptr;
} catch (...) {
  wm::ReportEscapedException("WMSetNextTitle");
}

char* WMTakeNextTitle(void) try {
  char* title = gWM.pending_title;
  gWM.pending_title = nullptr;
  return title;
} catch (...) {
  wm::ReportEscapedException("WMTakeNextTitle");
  return {};
}

}  // extern "C"
