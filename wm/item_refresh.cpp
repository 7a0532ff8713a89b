// item_refresh.cpp - refresh groups: items bound to variables that another
// item changes show the new values without the caller doing anything.
//
// A text or file field shows its bound buffer; every other bound item knows
// how to show its variable through its ItemExtension.
#include "item_refresh.h"

#include <Xm/TextF.h>

#include "fields.h"

namespace wm {

void RefreshItem(ItemRecord* r) {
  if (!r || !r->widget) return;
  if (r->extension) {
    r->extension->Redisplay(r->widget);
    return;
  }
  if ((r->kind == WM_KIND_TEXT_FIELD || r->kind == WM_KIND_FILE_FIELD) && r->value)
    ShowAccepted(r, r->value);
}

void RefreshGroup(int mask) {
  if (!mask) return;
  for (ItemRecord* r = gWM.registry_head; r && r != gWM.registry_tail; r = r->next)
    if (r->refresh_mask & mask) RefreshItem(r);
}

void RefreshAfterChange(int refresh_flag, int refresh_mask) {
  if (refresh_flag) RefreshGroup(refresh_mask);
}

}  // namespace wm

using namespace wm;

extern "C" {

void WMRefreshItem(Widget w) { RefreshItem(FindItem(w)); }

void WMRefreshGroup(int mask) { RefreshGroup(mask); }

}  // extern "C"
