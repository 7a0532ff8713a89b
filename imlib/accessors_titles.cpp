// Header accessors for titles: 80-byte slots of at most 79 characters,
// at most 10 (old layout), 4 (new layout) or 5 (image windows).
#include <cstring>

#include "accessor_support.h"

using namespace imlib;

namespace {

// Copies a caller's title into a slot: up to 79 characters or its first
// NUL, zero-padded.
void CopyTitle(char* slot, const char* title) {
  memset(slot, 0, IM_TITLE_LENGTH);
  if (title) memcpy(slot, title, strnlen(title, IM_TITLE_LENGTH - 1));
}

}  // namespace

extern "C" {

int IMRtNumLab(int number, int* count) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtNumLab", number, &rc);
  if (!s) return rc;
  if (count) *count = s->num_titles;
  return IM_ERR_NONE;
}

int IMAlNumLab(int number, int count) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlNumLab", number, &rc);
  if (!s) return rc;
  if (count < 0 || count > s->max_titles) {
    PrintError("IMAlNumLab: %d is an invalid number of labels. Valid range: 0-%d.\n", count,
               s->max_titles);
    return count < 0 ? IM_ERR_NEGATIVE_TITLES : IM_ERR_TOO_MANY_TITLES;
  }
  s->num_titles = count;
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtMaxNumLab(int number, int* max) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtMaxNumLab", number, &rc);
  if (!s) return rc;
  if (max) *max = s->max_titles;
  return IM_ERR_NONE;
}

int IMRtLab(int number, char* titles, int* count) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtLab", number, &rc);
  if (!s) return rc;
  if (titles)
    for (int i = 0; i < s->num_titles; ++i) {
      memcpy(titles + IM_TITLE_LENGTH * i, s->titles[i], IM_TITLE_LENGTH - 1);
      titles[IM_TITLE_LENGTH * i + IM_TITLE_LENGTH - 1] = '\0';
    }
  if (count) *count = s->num_titles;
  return IM_ERR_NONE;
}

int IMRtLab2(int number, char* titles, int first, int count) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtLab2", number, &rc);
  if (!s) return rc;
  if (first < 0 || count < 0 || first + count > s->num_titles) {
    PrintError("IMRtLab2 %d: %d is too many titles. Max is %d. No titles returned.\n", number,
               first + count, s->max_titles);
    return IM_ERR_TOO_MANY_TITLES;
  }
  if (titles)
    for (int i = 0; i < count; ++i) {
      memcpy(titles + IM_TITLE_LENGTH * i, s->titles[first + i], IM_TITLE_LENGTH - 1);
      titles[IM_TITLE_LENGTH * i + IM_TITLE_LENGTH - 1] = '\0';
    }
  return IM_ERR_NONE;
}

int IMAlLab(int number, const char* titles, int count) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlLab", number, &rc);
  if (!s) return rc;
  if (count > s->max_titles) {
    PrintError("IMAlLab %d: %d is too many titles. Truncating at %d...\n", number, count,
               s->max_titles);
    rc = IM_ERR_TOO_MANY_TITLES;
    count = s->max_titles;
  }
  if (count < 0) return IM_ERR_NEGATIVE_TITLES;
  for (int i = 0; i < IM_MAX_TITLES; ++i)
    CopyTitle(s->titles[i], i < count && titles ? titles + IM_TITLE_LENGTH * i : nullptr);
  s->num_titles = count;
  PushToWindow(s);
  return rc;
}

int IMAlLab2(int number, const char* titles, int first, int count) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlLab2", number, &rc);
  if (!s) return rc;
  if (first < 0 || count < 0 || first + count > s->max_titles) {
    PrintError("IMAlLab2 %d: %d is too many titles. Max is %d. No changes made.\n", number,
               first + count, s->max_titles);
    return IM_ERR_TOO_MANY_TITLES;
  }
  for (int i = 0; i < count; ++i)
    CopyTitle(s->titles[first + i], titles ? titles + IM_TITLE_LENGTH * i : nullptr);
  if (first + count > s->num_titles) s->num_titles = first + count;
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMTrLab(int dest, int src) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMTrLab", src, &rc);
  if (!s) return rc;
  Stream* d = OpenForAccess("IMTrLab", dest, &rc);
  if (!d) return rc;
  int count = s->num_titles < d->max_titles ? s->num_titles : d->max_titles;
  char copy[IM_MAX_TITLES][IM_TITLE_LENGTH];
  memcpy(copy, s->titles, sizeof copy);
  for (int i = 0; i < IM_MAX_TITLES; ++i) {
    memset(d->titles[i], 0, IM_TITLE_LENGTH);
    if (i < count) memcpy(d->titles[i], copy[i], IM_TITLE_LENGTH - 1);
  }
  d->num_titles = count;
  PushToWindow(d);
  return IM_ERR_NONE;
}

}  // extern "C"
