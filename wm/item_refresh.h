// item_refresh.h - showing the caller's variables again in the items bound
// to them: one item, or every item of a refresh group.
#pragma once

#include "wm_state.h"

namespace wm {

// Redisplays one registered item from its bound variable.
void RefreshItem(ItemRecord* r);

// After a change of an item with this refresh flag and group mask: when the
// flag is set, every registered item whose group mask shares a bit with the
// mask is redisplayed. Callers read flag and mask before running the item's
// callback, which may replace the whole registry.
void RefreshAfterChange(int refresh_flag, int refresh_mask);

// Every registered item whose group mask shares a bit with `mask`.
void RefreshGroup(int mask);

}  // namespace wm
