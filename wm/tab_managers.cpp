// tab_managers.cpp - tab managers and their pages.
//
// A tab manager "tabManager" is Motif's notebook without binding, back
// pages or page scroller: a row of tabs on top (or a column on the left)
// over the page they choose. Opening one pushes it as the current form and
// makes it the current tab manager; each WMTabPage adds a tab label and a
// page form "tabPageForm", which becomes the current form; WMEndTabManager
// pops back to the form the manager was placed in.
//
// Tab managers nest (a page may hold another manager), at most 5 open at
// once. A manager counts as open while its form is on the form stack, so a
// program that closes one with WMPopForm does not leave it counted.
//
// Page numbers are counted from 0 in the layer's calls; the notebook itself
// counts from 1.
#include <Xm/Form.h>
#include <Xm/Notebook.h>
#include <Xm/PushB.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "wm_state.h"

using namespace wm;

namespace {

const int kMaxOpenTabManagers = 5;

struct OpenTabManager {
  Widget notebook;     // the "tabManager" notebook
  int depth_before;    // form-stack depth before it was pushed
  bool tabs_on_top;    // tabs on top (else on the left)
  int page_count;      // pages added so far
};

struct TabManagerState {
  std::vector<OpenTabManager> open;  // innermost last
} gTabs;

// Forgets managers whose form has been popped by other means.
void DropClosedManagers() {
  while (!gTabs.open.empty() && gTabs.open.back().depth_before >= gWM.stack_depth)
    gTabs.open.pop_back();
}

// The children of a notebook of one kind (XmMAJOR_TAB, XmPAGE, ...).
std::vector<Widget> NotebookChildren(Widget notebook, unsigned char kind) {
  std::vector<Widget> found;
  WidgetList children = nullptr;
  Cardinal count = 0;
  XtVaGetValues(notebook, XmNchildren, &children, XmNnumChildren, &count, nullptr);
  for (Cardinal i = 0; i < count; ++i) {
    unsigned char type = 0;
    XtVaGetValues(children[i], XmNnotebookChildType, &type, nullptr);
    if (type == kind) found.push_back(children[i]);
  }
  return found;
}

// The tab labels of a notebook.
std::vector<Widget> TabLabels(Widget notebook) { return NotebookChildren(notebook, XmMAJOR_TAB); }

// The notebook does not grow for its tabs: tabs beyond its page width are
// hidden behind scroll arrows. Every page is therefore kept at least as
// long as the row (or column) of tabs; a page with more content still grows.
void FitTabs(Widget notebook, bool tabs_on_top) {
  int along = 8;
  for (Widget tab : TabLabels(notebook)) {
    Dimension width = 0, height = 0, highlight = 0;
    XtVaGetValues(tab, XmNwidth, &width, XmNheight, &height, XmNhighlightThickness, &highlight, nullptr);
    along += (tabs_on_top ? width : height) + 2 * highlight + 4;
  }
  for (Widget page : NotebookChildren(notebook, XmPAGE)) {
    XtVaSetValues(page, XmNresizePolicy, XmRESIZE_GROW, tabs_on_top ? XmNwidth : XmNheight,
                  static_cast<Dimension>(along), nullptr);
  }
}

// The active tab looks like its page (the notebook's own colour); the
// others are shaded like pages lying behind it.
void RecolourTabs(Widget notebook) {
  int current = 0;
  Pixel background = 0;
  Colormap colormap = 0;
  XtVaGetValues(notebook, XmNcurrentPageNumber, &current, XmNbackground, &background, XmNcolormap,
                &colormap, nullptr);
  Pixel foreground, top, bottom, select;
  XmGetColors(XtScreen(notebook), colormap, background, &foreground, &top, &bottom, &select);
  for (Widget tab : TabLabels(notebook)) {
    int page = 0;
    XtVaGetValues(tab, XmNpageNumber, &page, nullptr);
    XmChangeColor(tab, page == current ? background : select);
  }
}

void PageChangedCB(Widget notebook, XtPointer, XtPointer call) try {
  RecolourTabs(notebook);
  auto* cbs = static_cast<XmNotebookCallbackStruct*>(call);
  // The notebook also reports its first page when it is realized: only
  // the user's changes reach the caller.
  if (!cbs || cbs->reason == XmCR_NONE) return;
  ItemRecord* r = FindItem(notebook);
  if (!r || !r->callback) return;
  int page = cbs->page_number - 1;
  r->callback(notebook, r->client_data, &page);
} catch (...) {
  wm::ReportEscapedException("PageChangedCB");
}

}  // namespace

extern "C" {

Widget WMTabManager(int tabs_on_top, XtCallbackProc page_callback, XtPointer client_data) try {
  DropClosedManagers();
  if (static_cast<int>(gTabs.open.size()) >= kMaxOpenTabManagers) {
    fprintf(stderr, "Can only nest %d tab managers\n", kMaxOpenTabManagers);
    exit(-1);
  }
  if (!gWM.current_form || gWM.stack_depth >= WM_FORM_STACK_DEPTH) return nullptr;
  Arg args[9];
  Cardinal n = 0;
  // Tabs on top: tabs on the back-page side opposite the (hidden) binding.
  XtSetArg(args[n], XmNorientation, tabs_on_top ? XmVERTICAL : XmHORIZONTAL); ++n;
  XtSetArg(args[n], XmNbackPagePlacement, tabs_on_top ? XmTOP_RIGHT : XmBOTTOM_LEFT); ++n;
  XtSetArg(args[n], XmNbindingType, XmNONE); ++n;
  XtSetArg(args[n], XmNbindingWidth, 0); ++n;
  XtSetArg(args[n], XmNbackPageNumber, 0); ++n;
  XtSetArg(args[n], XmNbackPageSize, 0); ++n;
  XtSetArg(args[n], XmNuserData, client_data); ++n;
  XtSetArg(args[n], XmNmajorTabSpacing, 0); ++n;
  Widget notebook = XtCreateWidget("tabManager", xmNotebookWidgetClass, gWM.current_form, args, n);
  // Pages are chosen by their tabs; the page scroller's arrows would only
  // repeat them.
  if (Widget scroller = XtNameToWidget(notebook, "PageScroller")) XtUnmanageChild(scroller);
  PlaceItem(notebook);
  ItemRecord* r = RegisterItem(notebook, WM_KIND_TAB_MANAGER);
  r->callback = page_callback;
  r->client_data = client_data;
  XtAddCallback(notebook, XmNpageChangedCallback, PageChangedCB, nullptr);

  gTabs.open.push_back({notebook, gWM.stack_depth, tabs_on_top != 0, 0});
  WMPushForm(notebook);
  return notebook;
} catch (...) {
  wm::ReportEscapedException("WMTabManager");
  return {};
}

Widget WMTabPage(const char* title) try {
  DropClosedManagers();
  if (gTabs.open.empty()) {
    fprintf(stderr, "WMMenu: Tab Manager must be added before Tab Page\n");
    exit(-1);
  }
  OpenTabManager& manager = gTabs.open.back();
  int page = ++manager.page_count;  // the notebook's own numbering
  XmString label = MakeXmString(title);
  Arg args[8];
  Cardinal n = 0;
  XtSetArg(args[n], XmNlabelString, label); ++n;
  XtSetArg(args[n], XmNnotebookChildType, XmMAJOR_TAB); ++n;
  XtSetArg(args[n], XmNpageNumber, page); ++n;
  if (!manager.tabs_on_top) {
    XtSetArg(args[n], XmNalignment, XmALIGNMENT_BEGINNING); ++n;
    XtSetArg(args[n], XmNmarginHeight, 0); ++n;
    XtSetArg(args[n], XmNborderWidth, 0); ++n;
  }
  Widget tab = XtCreateManagedWidget(manager.tabs_on_top ? "top_tab_label" : "left_tab_label",
                                     xmPushButtonWidgetClass, manager.notebook, args, n);
  XmStringFree(label);
  Widget form = XtVaCreateManagedWidget("tabPageForm", xmFormWidgetClass, manager.notebook,
                                        XmNnotebookChildType, XmPAGE, XmNpageNumber, page,
                                        XmNuserData, tab, nullptr);
  RecolourTabs(manager.notebook);
  FitTabs(manager.notebook, manager.tabs_on_top);
  gWM.current_form = form;
  gWM.left = gWM.top = gWM.xstart = form;
  gWM.new_row = 1;
  return form;
} catch (...) {
  wm::ReportEscapedException("WMTabPage");
  return {};
}

void WMEndTabManager(void) try {
  DropClosedManagers();
  if (gTabs.open.empty()) return;
  int depth = gTabs.open.back().depth_before;
  gTabs.open.pop_back();
  while (gWM.stack_depth > depth) WMPopForm();
} catch (...) {
  wm::ReportEscapedException("WMEndTabManager");
}

int WMSetCurrentTab(Widget tab_manager, int page_number) try {
  if (!tab_manager || !XmIsNotebook(tab_manager)) {
    fprintf(stderr, "WMSetCurrentTab: Widget is not a tab manager!\n");
    return 0;
  }
  XtVaSetValues(tab_manager, XmNcurrentPageNumber, page_number + 1, nullptr);
  RecolourTabs(tab_manager);
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMSetCurrentTab");
  return {};
}

int WMRtCurrentTab(Widget tab_manager) try {
  if (!tab_manager || !XmIsNotebook(tab_manager)) return -1;
  int current = 0;
  XtVaGetValues(tab_manager, XmNcurrentPageNumber, &current, nullptr);
  return current - 1;
} catch (...) {
  wm::ReportEscapedException("WMRtCurrentTab");
  return {};
}

int WMRtOpenTabManagers(void) try {
  DropClosedManagers();
  return static_cast<int>(gTabs.open.size());
} catch (...) {
  wm::ReportEscapedException("WMRtOpenTabManagers");
  return {};
}

}  // extern "C"
