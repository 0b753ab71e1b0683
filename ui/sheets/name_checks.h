// The names the user types for favourites, custom papers and bitmap watermarks: they become
// settings-file object names and list texts, so the characters that those forms or a file
// name would read as syntax are refused.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

// The fifteen forbidden characters, in the order the checks test them.
inline constexpr WCHAR kForbiddenNameCharacters[] = u"<>(),;?:|\\/'.\"*";

// false when the name holds a forbidden character; an empty name is valid here (the callers
// refuse empty names themselves). nullptr is valid too.
bool IsValidName(const WCHAR* name);
// Removes every forbidden character from the name in place; returns `name`.
WCHAR* CleanName(WCHAR* name);

}  // namespace vm4k2ui
