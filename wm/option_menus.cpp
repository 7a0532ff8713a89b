// option_menus.cpp - option menus: a button showing one choice of a fixed
// list, bound to the caller's int (the index of the choice).
//
// The menu "optionMenu" holds the pane "menuPane" (no tear-off: an option
// list torn off would show choices detached from the value they set) with
// one push button "button" per label. Choosing stores the index in the
// caller's int and calls the callback; redisplaying shows the choice at the
// caller's current index.
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>

#include <cstdint>
#include <vector>

#include "item_refresh.h"
#include "wm_state.h"

using namespace wm;

namespace {

struct OptionMenu : ItemExtension {
  int* selected = nullptr;       // the caller's int: index of the choice
  std::vector<Widget> buttons;   // one per label, in order

  void Redisplay(Widget menu) override {
    if (!selected || *selected < 0 || *selected >= static_cast<int>(buttons.size())) return;
    XtVaSetValues(menu, XmNmenuHistory, buttons[static_cast<size_t>(*selected)], nullptr);
  }
};

// A button's user data is its option menu (the registered item); the
// callback's client data is its index.
void ChooseOptionCB(Widget button, XtPointer index_data, XtPointer call) try {
  Widget menu = nullptr;
  XtVaGetValues(button, XmNuserData, &menu, nullptr);
  ItemRecord* r = FindItem(menu);
  auto* option = r ? dynamic_cast<OptionMenu*>(r->extension.get()) : nullptr;
  if (!option) return;
  if (option->selected) *option->selected = static_cast<int>(reinterpret_cast<intptr_t>(index_data));
  int flag = r->refresh_flag, mask = r->refresh_mask;
  if (r->callback) r->callback(button, r->client_data, call);
  RefreshAfterChange(flag, mask);
} catch (...) {
  wm::ReportEscapedException("ChooseOptionCB");
}

}  // namespace

extern "C" {

Widget WMOptionMenu(const char** labels, int count, int* selected, XtCallbackProc callback,
                    XtPointer client_data, int flag_a, int flag_b) try {
  if (!gWM.current_form) return nullptr;
  Arg pane_args[1];
  XtSetArg(pane_args[0], XmNtearOffModel, XmTEAR_OFF_DISABLED);
  Widget pane = XmCreatePulldownMenu(gWM.current_form, const_cast<char*>("menuPane"), pane_args, 1);
  Arg args[1];
  XtSetArg(args[0], XmNsubMenuId, pane);
  Widget menu = XmCreateOptionMenu(gWM.current_form, const_cast<char*>("optionMenu"), args, 1);
  ApplyStandoutColor(menu);
  // The option menu's own label is empty: the layer labels items with
  // information labels beside them, so the empty label would only add a gap.
  XtUnmanageChild(XmOptionLabelGadget(menu));

  auto option = std::make_unique<OptionMenu>();
  option->selected = selected;
  for (int i = 0; labels && i < count; ++i) {
    XmString label = MakeXmString(labels[i]);
    Widget button = XtVaCreateManagedWidget("button", xmPushButtonWidgetClass, pane, XmNlabelString,
                                            label, XmNmarginHeight, 2, XmNuserData, menu, nullptr);
    XmStringFree(label);
    XtAddCallback(button, XmNactivateCallback, ChooseOptionCB,
                  reinterpret_cast<XtPointer>(static_cast<intptr_t>(i)));
    option->buttons.push_back(button);
  }
  option->Redisplay(menu);
  PlaceItem(menu);

  ItemRecord* r = RegisterItem(menu, WM_KIND_OPTION_MENU);
  r->callback = callback;
  r->client_data = client_data;
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  r->extension = std::move(option);
  return menu;
} catch (...) {
  wm::ReportEscapedException("WMOptionMenu");
  return {};
}

}  // extern "C"
