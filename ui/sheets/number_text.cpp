#include "ui/sheets/number_text.h"

#include "ui/core/language.h"

namespace vm4k2ui {

namespace {

bool IsBlank(WCHAR c) { return c == u' ' || c == u'\u3000'; }
bool IsDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }

bool AllDigits(const WCHAR* text) {
  for (; *text != 0; ++text)
    if (!IsDigit(*text)) return false;
  return true;
}

WCHAR* Replace(WCHAR* text, WCHAR from, WCHAR to) {
  if (text == nullptr) return nullptr;
  for (WCHAR* c = text; *c != 0; ++c)
    if (*c == from) *c = to;
  return text;
}

}  // namespace

WCHAR* TrimBlanks(WCHAR* text) {
  if (text == nullptr) return nullptr;
  const WCHAR* start = text;
  while (IsBlank(*start)) ++start;
  size_t length = 0;
  while (start[length] != 0) ++length;
  while (length > 0 && IsBlank(start[length - 1])) --length;
  for (size_t i = 0; i < length; ++i) text[i] = start[i];
  text[length] = 0;
  return text;
}

bool IsSignedIntegerText(const WCHAR* text) {
  if (text == nullptr) return false;
  if (*text == u'-') {
    ++text;
    if (*text == 0) return false;
  }
  return AllDigits(text);
}

bool IsUnsignedIntegerText(const WCHAR* text) { return text != nullptr && AllDigits(text); }

bool IsDecimalText(const WCHAR* text) {
  if (text == nullptr) return false;
  if (*text == u'.') return false;
  int dots = 0;
  for (; *text != 0; ++text) {
    if (*text == u'.') {
      if (++dots > 1) return false;
    } else if (!IsDigit(*text)) {
      return false;
    }
  }
  return true;
}

int CountDecimals(const WCHAR* text) {
  if (text == nullptr || *text == 0) return 0;
  const WCHAR separator = UiDecimalComma() ? u',' : u'.';
  if (*text == separator) return 0;
  const WCHAR* c = text;
  while (*c != 0 && *c != separator) ++c;
  if (*c == 0) return 0;
  int count = 0;
  for (++c; *c != 0; ++c) ++count;
  return count;
}

WCHAR* DotsToCommas(WCHAR* text) { return Replace(text, u'.', u','); }
WCHAR* CommasToDots(WCHAR* text) { return Replace(text, u',', u'.'); }

}  // namespace vm4k2ui
