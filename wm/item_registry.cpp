// item_registry.cpp - the layer's record of every item it placed.
//
// A doubly linked list whose tail is always an empty record: a new item
// fills the tail and appends a fresh empty one, and lookups walk from the
// head until they reach the tail. Records carry what the layer needs later
// to serve an item: its callback, its bound buffer, its refresh group, its
// tool tip. A new main window starts a fresh registry.
#include <X11/IntrinsicP.h>

#include <cstring>
#include <set>

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
  XtFree(r->chooser_title);
  delete r;
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
  if (!gWM.registry_tail) ResetRegistry();
  ItemRecord* r = gWM.registry_tail;
  r->widget = w;
  r->kind = kind;
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

// Every widget of the tree under `w` (normal and pop-up children).
static void CollectTree(Widget w, std::set<Widget>* tree) {
  tree->insert(w);
  if (XtIsComposite(w)) {
    WidgetList children = nullptr;
    Cardinal count = 0;
    XtVaGetValues(w, XmNchildren, &children, XmNnumChildren, &count, nullptr);
    for (Cardinal i = 0; i < count; ++i) CollectTree(children[i], tree);
  }
  for (Cardinal i = 0; i < w->core.num_popups; ++i) CollectTree(w->core.popup_list[i], tree);
}

void ForgetItemsBelow(Widget root) {
  if (!root) return;
  // The records are matched by address only: a record may name a widget
  // that was destroyed long ago, which must not be looked into.
  std::set<Widget> tree;
  CollectTree(root, &tree);
  ItemRecord* r = gWM.registry_head;
  while (r && r != gWM.registry_tail) {
    ItemRecord* next = r->next;
    if (tree.count(r->widget)) {
      // Unlinked from its neighbours; the head moves on when it goes.
      if (r->prev) r->prev->next = next;
      else gWM.registry_head = next;
      next->prev = r->prev;
      FreeRecord(r);
    }
    r = next;
  }
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

int WMRtItemKind(Widget w) {
  ItemRecord* r = FindItem(w);
  return r ? r->kind : -1;
}

int WMRtItemCount(void) {
  int count = 0;
  for (ItemRecord* r = gWM.registry_head; r && r != gWM.registry_tail; r = r->next) ++count;
  return count;
}

void WMSetToolTipForNext(const char* text) {
  XtFree(gWM.pending_tooltip);
  gWM.pending_tooltip = text ? XtNewString(text) : nullptr;
}

void WMSetNextTitle(const char* text) {
  XtFree(gWM.pending_title);
  gWM.pending_title = text ? XtNewString(text) : nullptr;
}

const char* WMRtNextTitle(void) { return gWM.pending_title; }

char* WMTakeNextTitle(void) {
  char* title = gWM.pending_title;
  gWM.pending_title = nullptr;
  return title;
}

}  // extern "C"
