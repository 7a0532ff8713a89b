// The process cache and the save list. Both are plain lists searched from
// the front: the number of variables a tool touches is small, and keeping
// insertion order is what makes retired entries and the save order simple.
#include "config_cache.h"

namespace iwbase {
namespace {

VarEntry* FindLive(std::string_view name) {
  if (name.empty()) return nullptr;
  for (VarEntry& entry : State().cache) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

}  // namespace

const VarEntry* FindCached(std::string_view name) { return FindLive(name); }

const char* AddCached(std::string_view name, std::string_view value) {
  VarEntry& entry = State().cache.emplace_back(VarEntry{std::string(name), std::string(value)});
  return entry.value.empty() ? nullptr : entry.value.c_str();
}

void RetireCached(std::string_view name) {
  VarEntry* entry = FindLive(name);
  if (!entry) return;
  entry->name.clear();
  std::string().swap(entry->value);
}

void RememberForSave(std::string_view name, std::string_view value) {
  if (name.empty() || name.front() == '^') return;
  for (VarEntry& entry : State().save_list) {
    if (entry.name == name) {
      entry.value.assign(value);
      return;
    }
  }
  State().save_list.push_back(VarEntry{std::string(name), std::string(value)});
}

bool IsInSaveList(std::string_view name) {
  for (const VarEntry& entry : State().save_list) {
    if (entry.name == name) return true;
  }
  return false;
}

}  // namespace iwbase
