// scrolled_lists.cpp - scrolled lists of texts with bold and italic items.
//
// The list "scroll" sits in its scrolled window, stretched to the form's
// right edge, and a new row starts after it. Its render table has four
// renditions (normal, bold, italic, bold italic); an item text tagged
// "<b>", "<i>" or "<bi>" is shown untagged in the matching one (the file
// chooser shows directories in bold that way). Selections and double clicks
// go to one handler, which calls the item's two callbacks.
#include <Xm/List.h>
#include <Xm/ScrolledW.h>

#include <string>

#include "list_items.h"
#include "wm_state.h"

using namespace wm;

namespace {

struct ScrolledList : ItemExtension {
  XtCallbackProc double_click = nullptr;  // the caller's default-action callback
};

// The four faces of one family, so that tagged items differ in weight and
// slant only.
struct RenditionFace {
  const char* tag;
  bool bold;
  bool slanted;
};
const RenditionFace kRenditionFaces[4] = {
    {kListNormalRendition, false, false},
    {kListBoldRendition, true, false},
    {kListItalicRendition, false, true},
    {kListBoldItalicRendition, true, true},
};

XmRenderTable MakeRenderTable(Widget list) {
  XmRendition renditions[4];
  for (int i = 0; i < 4; ++i) {
    const RenditionFace& face = kRenditionFaces[i];
    // Only fonts the server has: a missing one would cost a conversion
    // warning per list and the folders their bold.
    std::string font = ListFontName(XtDisplay(list), kListFontFamily, face.bold, face.slanted);
    Arg args[3];
    XtSetArg(args[0], XmNfontName, font.c_str());
    XtSetArg(args[1], XmNfontType, XmFONT_IS_FONT);
    XtSetArg(args[2], XmNloadModel, XmLOAD_IMMEDIATE);
    renditions[i] = XmRenditionCreate(list, const_cast<char*>(face.tag), args, 3);
  }
  XmRenderTable table = XmRenderTableAddRenditions(nullptr, renditions, 4, XmMERGE_REPLACE);
  for (XmRendition r : renditions) XmRenditionFree(r);
  return table;
}

XmString ListItemString(const char* item) {
  ListItemText shown = ReadListItem(item ? item : "");
  return XmStringGenerate(const_cast<char*>(shown.text.c_str()), const_cast<char*>(XmFONTLIST_DEFAULT_TAG),
                          XmCHARSET_TEXT, const_cast<char*>(shown.rendition));
}

void SetItems(Widget list, const char** items, int count) {
  if (count < 0) count = 0;
  auto table = reinterpret_cast<XmString*>(XtMalloc(static_cast<Cardinal>(sizeof(XmString) * (count ? count : 1))));
  for (int i = 0; i < count; ++i) table[i] = ListItemString(items ? items[i] : nullptr);
  XtVaSetValues(list, XmNitems, table, XmNitemCount, count, nullptr);
  for (int i = 0; i < count; ++i) XmStringFree(table[i]);
  XtFree(reinterpret_cast<char*>(table));
}

void ListHandlerCB(Widget list, XtPointer, XtPointer call) try {
  ItemRecord* r = FindItem(list);
  if (!r) return;
  auto* cbs = static_cast<XmListCallbackStruct*>(call);
  auto* state = dynamic_cast<ScrolledList*>(r->extension.get());
  if (cbs && cbs->reason == XmCR_DEFAULT_ACTION) {
    if (state && state->double_click) state->double_click(list, r->client_data, call);
  } else if (r->callback) {
    r->callback(list, r->client_data, call);
  }
} catch (...) {
  wm::ReportEscapedException("ListHandlerCB");
}

}  // namespace

extern "C" {

Widget WMScrolledList(const char** items, int count, int visible_rows, int width, int extended,
                      XtCallbackProc select_callback, XtPointer client_data,
                      XtCallbackProc double_click_callback, int flag) try {
  if (!gWM.current_form) return nullptr;
  Arg args[4];
  Cardinal n = 0;
  XtSetArg(args[n], XmNvisibleItemCount, visible_rows > 0 ? visible_rows : 1); ++n;
  XtSetArg(args[n], XmNselectionPolicy, extended ? XmEXTENDED_SELECT : XmBROWSE_SELECT); ++n;
  XtSetArg(args[n], XmNlistSizePolicy, XmCONSTANT); ++n;
  XtSetArg(args[n], XmNscrollBarDisplayPolicy, XmSTATIC); ++n;
  Widget list = XmCreateScrolledList(gWM.current_form, const_cast<char*>("scroll"), args, n);
  XmRenderTable table = MakeRenderTable(list);
  XtVaSetValues(list, XmNrenderTable, table, nullptr);
  XmRenderTableFree(table);
  SetItems(list, items, count);
  Widget window = XtParent(list);
  if (width > 0) XtVaSetValues(window, XmNwidth, width, nullptr);
  XtManageChild(list);
  PlaceItem(window);
  XtVaSetValues(window, XmNrightAttachment, XmATTACH_FORM, nullptr);

  for (const char* reason : {XmNbrowseSelectionCallback, XmNsingleSelectionCallback,
                             XmNextendedSelectionCallback, XmNdefaultActionCallback})
    XtAddCallback(list, reason, ListHandlerCB, nullptr);
  ItemRecord* r = RegisterItem(list, WM_KIND_SCROLLED_LIST);
  r->callback = select_callback;
  r->client_data = client_data;
  r->refresh_mask = flag;
  auto state = std::make_unique<ScrolledList>();
  state->double_click = double_click_callback;
  r->extension = std::move(state);
  WMNewRow();
  return list;
} catch (...) {
  wm::ReportEscapedException("WMScrolledList");
  return {};
}

void WMSetListItems(Widget list, const char** items, int count) try {
  if (!list || !XmIsList(list)) return;
  SetItems(list, items, count);
} catch (...) {
  wm::ReportEscapedException("WMSetListItems");
}

}  // extern "C"
