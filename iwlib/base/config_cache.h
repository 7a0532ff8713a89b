// The process cache of looked-up and set variables, and the save list of
// variables set in this process (see config_state.h for the invariants).
#pragma once

#include <string>
#include <string_view>

#include "config_state.h"

namespace iwbase {

// The first live cache entry named exactly `name`, or null.
const VarEntry* FindCached(std::string_view name);

// Appends (name, value) and returns the value text as callers see it: null
// when the value is empty (the variable is known to be unset).
const char* AddCached(std::string_view name, std::string_view value);

// Retires the first live entry named `name`: its name is emptied so it
// never matches again and its value is released.
void RetireCached(std::string_view name);

// Records a setting for the next save, overwriting the value in place when
// the name is already listed. Names beginning with "^" are never saved.
void RememberForSave(std::string_view name, std::string_view value);

// Whether `name` is in the save list (exact case).
bool IsInSaveList(std::string_view name);

}  // namespace iwbase
