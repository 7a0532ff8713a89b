// pulldown_menus.cpp - pulldown menus in a menu bar.
//
// Each WMPulldownMenu call adds one cascade button to a menu bar (creating
// and placing the bar "menuBar" when the caller has none yet) with its
// pane "pulldown". The caller's labels become, in order, push buttons
// "button", toggles "toggle", separators, and one level of cascade
// sub-menus. Every label keeps its position in the list, separators and
// "->"/"<-" entries included: choosing an item stores that position in the
// caller's int and in the menu's record and calls the callback. The
// position calls address items the same way.
//
// A programming error in the labels (a sub-menu inside a sub-menu) ends the
// program: the menu the programmer asked for cannot be built.
#include <Xm/CascadeB.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Separator.h>
#include <Xm/ToggleB.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "item_refresh.h"
#include "menu_labels.h"
#include "wm_state.h"

using namespace wm;

namespace {

// Set by WMSetPulldownFollowsChoice for the next menu only.
int gFollowsChoiceNext = 0;

struct PulldownMenu : ItemExtension {
  int* selected = nullptr;              // the caller's int: position of the last choice
  bool follows_choice = false;          // the cascade shows the chosen item's label
  std::vector<Widget> items;            // widget at each position (null for "<-")
  std::vector<MenuEntryKind> kinds;     // kind at each position
  int chosen = -1;                      // position of the last choice, -1 before any

  void Redisplay(Widget cascade) override {
    if (!follows_choice || !selected) return;
    int position = *selected;
    if (position < 0 || position >= static_cast<int>(items.size()) || !items[position]) return;
    XmString label = nullptr;
    XtVaGetValues(items[position], XmNlabelString, &label, nullptr);
    XtVaSetValues(cascade, XmNlabelString, label, nullptr);
    XmStringFree(label);
  }
};

PulldownMenu* MenuOf(Widget cascade) {
  ItemRecord* r = FindItem(cascade);
  return r ? dynamic_cast<PulldownMenu*>(r->extension.get()) : nullptr;
}

// An item's user data is its menu's cascade button (the registered item);
// the callback's client data is the item's position.
void ChooseItemCB(Widget item, XtPointer position_data, XtPointer call) try {
  Widget cascade = nullptr;
  XtVaGetValues(item, XmNuserData, &cascade, nullptr);
  ItemRecord* r = FindItem(cascade);
  auto* menu = r ? dynamic_cast<PulldownMenu*>(r->extension.get()) : nullptr;
  if (!menu) return;
  int position = static_cast<int>(reinterpret_cast<intptr_t>(position_data));
  menu->chosen = position;
  if (menu->selected) *menu->selected = position;
  menu->Redisplay(cascade);
  int flag = r->refresh_flag, mask = r->refresh_mask;
  if (r->callback) r->callback(item, r->client_data, call);
  RefreshAfterChange(flag, mask);
} catch (...) {
  wm::ReportEscapedException("ChooseItemCB");
}

KeySym MnemonicOf(const char* const* mnemonics, int i) {
  if (!mnemonics || !mnemonics[i] || !*mnemonics[i]) return NoSymbol;
  return XStringToKeysym(mnemonics[i]);
}

// The accelerator translation twice, the second time with Mod2 (Num Lock
// on most keyboards), so that the shortcut works whatever the lock state.
std::string AcceleratorWithNumLock(const char* accelerator) {
  return std::string(accelerator) + ",Mod2 " + accelerator;
}

void SetStandardBackground(Widget w) {
  Pixel background;
  if (AllocNamedColor(WMRtStdBackgroundColor(), &background))
    XtVaSetValues(w, XmNbackground, background, nullptr);
}

Widget CreatePane(Widget parent) {
  Arg arg;
  XtSetArg(arg, XmNtearOffModel, XmTEAR_OFF_ENABLED);
  Widget pane = XmCreatePulldownMenu(parent, const_cast<char*>("pulldown"), &arg, 1);
  SetStandardBackground(pane);
  return pane;
}

Widget CreateEntry(const MenuEntry& entry, Widget pane, Widget cascade, int position,
                   const char* const* mnemonics, const char* const* accelerators,
                   const char* const* accelerator_texts, Widget* sub_pane) {
  Arg args[8];
  Cardinal n = 0;
  XtSetArg(args[n], XmNuserData, cascade); ++n;
  if (entry.kind == MenuEntryKind::kSeparator) {
    Widget separator = XmCreateSeparator(pane, const_cast<char*>("separator"), args, n);
    XtManageChild(separator);
    return separator;
  }
  XmString label = MakeXmString(entry.text.c_str());
  XtSetArg(args[n], XmNlabelString, label); ++n;
  KeySym mnemonic = MnemonicOf(mnemonics, position);
  if (mnemonic != NoSymbol) {
    XtSetArg(args[n], XmNmnemonic, mnemonic); ++n;
  }
  std::string accelerator;
  XmString accelerator_text = nullptr;
  if (entry.kind != MenuEntryKind::kCascade && accelerators && accelerators[position] &&
      *accelerators[position]) {
    accelerator = AcceleratorWithNumLock(accelerators[position]);
    XtSetArg(args[n], XmNaccelerator, accelerator.c_str()); ++n;
  }
  if (entry.kind != MenuEntryKind::kCascade && accelerator_texts && accelerator_texts[position]) {
    accelerator_text = MakeXmString(accelerator_texts[position]);
    XtSetArg(args[n], XmNacceleratorText, accelerator_text); ++n;
  }
  Widget item = nullptr;
  XtPointer position_data = reinterpret_cast<XtPointer>(static_cast<intptr_t>(position));
  switch (entry.kind) {
    case MenuEntryKind::kCascade:
      *sub_pane = CreatePane(pane);
      XtSetArg(args[n], XmNsubMenuId, *sub_pane); ++n;
      item = XmCreateCascadeButton(pane, const_cast<char*>("cascade"), args, n);
      break;
    case MenuEntryKind::kToggle:
      XtSetArg(args[n], XmNvisibleWhenOff, True); ++n;
      item = XmCreateToggleButton(pane, const_cast<char*>("toggle"), args, n);
      XtAddCallback(item, XmNvalueChangedCallback, ChooseItemCB, position_data);
      break;
    default:
      item = XmCreatePushButton(pane, const_cast<char*>("button"), args, n);
      XtAddCallback(item, XmNactivateCallback, ChooseItemCB, position_data);
      break;
  }
  XmStringFree(label);
  if (accelerator_text) XmStringFree(accelerator_text);
  SetStandardBackground(item);
  XtManageChild(item);
  return item;
}

Widget MenuBarFor(Widget menu_bar) {
  if (menu_bar) return menu_bar;
  Widget bar = XmCreateMenuBar(gWM.current_form, const_cast<char*>("menuBar"), nullptr, 0);
  PlaceItem(bar);
  // The bar spans the form, so the next item starts a row under it.
  WMAttachRightToForm();
  WMNewRow();
  return bar;
}

// Finds the item at `position` of the menu whose cascade button is `menu`,
// printing the call's message when there is none.
Widget ItemAt(const char* call, Widget menu, int position, PulldownMenu** found = nullptr) {
  if (!menu) {
    fprintf(stderr, "%s: Pulldown menu is NULL\n", call);
    return nullptr;
  }
  Widget pane = nullptr;
  if (XmIsCascadeButton(menu)) XtVaGetValues(menu, XmNsubMenuId, &pane, nullptr);
  if (!pane) {
    fprintf(stderr, "%s: Pulldown pane is NULL\n", call);
    return nullptr;
  }
  PulldownMenu* m = MenuOf(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size()) || !m->items[position]) {
    fprintf(stderr, "%s: requested position invalid\n", call);
    return nullptr;
  }
  if (found) *found = m;
  return m->items[position];
}

Widget ToggleAt(const char* call, Widget menu, int position) {
  Widget item = ItemAt(call, menu, position);
  if (item && !XmIsToggleButton(item)) {
    fprintf(stderr, "%s: requested widget is not a Toggle Button\n", call);
    return nullptr;
  }
  return item;
}

}  // namespace

extern "C" {

void WMSetPulldownFollowsChoice(int flag) { gFollowsChoiceNext = flag ? 1 : 0; }

Widget WMPulldownMenu(Widget menu_bar, const char* title, const char* mnemonic,
                      const char** labels, const char** mnemonics, const char** accelerators,
                      const char** accelerator_texts, int count, int* selected,
                      XtCallbackProc callback, XtPointer client_data, int flag_a, int flag_b) try {
  bool follows = gFollowsChoiceNext != 0;
  gFollowsChoiceNext = 0;
  if (!menu_bar && !gWM.current_form) return nullptr;
  const char* menu_title = title ? title : "";
  std::vector<std::string> texts;
  for (int i = 0; labels && i < count; ++i) texts.emplace_back(labels[i] ? labels[i] : "");
  MenuPlan plan = PlanMenu(texts);
  if (plan.too_deep) {
    fprintf(stderr, "Pulldown menu can have at most 2 levels. Menu is %s\n", menu_title);
    exit(-1);
  }

  Widget bar = MenuBarFor(menu_bar);
  Widget pane = CreatePane(bar);
  XmString xm_title = MakeXmString(menu_title);
  Arg args[3];
  Cardinal n = 0;
  XtSetArg(args[n], XmNlabelString, xm_title); ++n;
  XtSetArg(args[n], XmNsubMenuId, pane); ++n;
  if (mnemonic && *mnemonic) {
    KeySym key = XStringToKeysym(mnemonic);
    if (key != NoSymbol) {
      XtSetArg(args[n], XmNmnemonic, key); ++n;
    }
  }
  Widget cascade = XmCreateCascadeButton(bar, const_cast<char*>(menu_title), args, n);
  XmStringFree(xm_title);
  XtManageChild(cascade);
  if (strcmp(menu_title, "Help") == 0) XtVaSetValues(bar, XmNmenuHelpWidget, cascade, nullptr);

  auto menu = std::make_unique<PulldownMenu>();
  menu->selected = selected;
  menu->follows_choice = follows;
  Widget sub_pane = nullptr;
  for (size_t i = 0; i < plan.entries.size(); ++i) {
    const MenuEntry& entry = plan.entries[i];
    Widget item = nullptr;
    if (entry.kind != MenuEntryKind::kBack) {
      Widget target = entry.level > 0 && sub_pane ? sub_pane : pane;
      item = CreateEntry(entry, target, cascade, static_cast<int>(i), mnemonics, accelerators,
                         accelerator_texts, &sub_pane);
    }
    menu->items.push_back(item);
    menu->kinds.push_back(entry.kind);
  }

  ItemRecord* r = RegisterItem(cascade, WM_KIND_PULLDOWN_MENU);
  r->label = XtNewString(menu_title);
  r->callback = callback;
  r->client_data = client_data;
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  r->child_count = static_cast<int>(menu->items.size());
  r->children = reinterpret_cast<Widget*>(XtMalloc(static_cast<Cardinal>(
      sizeof(Widget) * (menu->items.empty() ? 1 : menu->items.size()))));
  for (size_t i = 0; i < menu->items.size(); ++i) r->children[i] = menu->items[i];
  r->extension = std::move(menu);
  r->extension->Redisplay(cascade);
  return cascade;
} catch (...) {
  wm::ReportEscapedException("WMPulldownMenu");
  return {};
}

int WMSetPulldownToggleState(Widget menu, int position, int state) try {
  Widget toggle = ToggleAt("WMSetPulldownToggleState", menu, position);
  if (!toggle) return 0;
  XmToggleButtonSetState(toggle, state ? True : False, False);
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMSetPulldownToggleState");
  return {};
}

int WMGetPulldownToggleState(Widget menu, int position, int* state) try {
  Widget toggle = ToggleAt("WMGetPulldownToggleState", menu, position);
  if (!toggle) return 0;
  if (state) *state = XmToggleButtonGetState(toggle) ? 1 : 0;
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMGetPulldownToggleState");
  return {};
}

int WMChangePulldownMenuItem(Widget menu, int position, const char* label) try {
  PulldownMenu* m = nullptr;
  Widget item = ItemAt("WMChangePulldownMenuItem", menu, position, &m);
  if (!item) return 0;
  MenuEntryKind kind = m->kinds[static_cast<size_t>(position)];
  if (!label || !LabelFitsEntry(kind, label) || kind == MenuEntryKind::kSeparator) {
    fprintf(stderr, "PullDown Widget:label string format error\n");
    return 0;
  }
  XmString text = MakeXmString(ReadMenuLabel(label).text.c_str());
  XtVaSetValues(item, XmNlabelString, text, nullptr);
  XmStringFree(text);
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMChangePulldownMenuItem");
  return {};
}

int WMSetPulldownMenuItemToolTip(Widget menu, int position, const char* text) try {
  Widget item = ItemAt("WMSetPulldownMenuItemToolTip", menu, position);
  if (!item) return 0;
  WMSetToolTip(item, text);
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMSetPulldownMenuItemToolTip");
  return {};
}

Widget WMRtPulldownMenuItem(Widget menu, int position) try {
  PulldownMenu* m = MenuOf(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return nullptr;
  return m->items[static_cast<size_t>(position)];
} catch (...) {
  wm::ReportEscapedException("WMRtPulldownMenuItem");
  return {};
}

int WMRtPulldownChoice(Widget menu) try {
  PulldownMenu* m = MenuOf(menu);
  return m ? m->chosen : -1;
} catch (...) {
  wm::ReportEscapedException("WMRtPulldownChoice");
  return {};
}

}  // extern "C"
