#include "ui/sheets/name_checks.h"

#include <cstddef>

namespace vm4k2ui {

namespace {

size_t Length(const WCHAR* text) {
  size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

bool Occurs(const WCHAR* text, size_t length, WCHAR c) {
  for (size_t i = 0; i < length; ++i)
    if (text[i] == c) return true;
  return false;
}

}  // namespace

bool IsValidName(const WCHAR* name) {
  if (name == nullptr) return true;
  const size_t length = Length(name);
  for (const WCHAR* c = kForbiddenNameCharacters; *c != 0; ++c)
    if (Occurs(name, length, *c)) return false;
  return true;
}

// The tails of the name are cleaned from the last character to the first: at each position
// the first forbidden character (in list order) found in the tail is stripped from the tail's
// start and end. Since the tail after the position is already clean, this removes exactly the
// forbidden character at the position, so the whole is a filter of the forbidden characters.
WCHAR* CleanName(WCHAR* name) {
  if (name == nullptr) return nullptr;
  size_t length = Length(name);
  for (size_t p = length; p-- > 0;) {
    WCHAR* tail = name + p;
    const size_t tailLength = length - p;
    WCHAR found = 0;
    for (const WCHAR* c = kForbiddenNameCharacters; *c != 0 && found == 0; ++c)
      if (Occurs(tail, tailLength, *c)) found = *c;
    if (found == 0) continue;
    size_t lead = 0;
    while (lead < tailLength && tail[lead] == found) ++lead;
    if (lead == tailLength) {
      tail[0] = 0;
      length = p;
      continue;
    }
    size_t trail = 0;
    while (trail < tailLength - lead && tail[tailLength - 1 - trail] == found) ++trail;
    if (lead == 0 && trail == 0) continue;
    const size_t middle = tailLength - lead - trail;
    for (size_t i = 0; i < middle; ++i) tail[i] = tail[lead + i];
    tail[middle] = 0;
    length = p + middle;
  }
  return name;
}

}  // namespace vm4k2ui
