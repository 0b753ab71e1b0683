// The system's small formatter (wsprintf family): no floating point, no '*' widths, and at
// most 1023 characters plus a terminator, which callers size their buffers by.
#include <cstdarg>
#include <cstring>
#include <string>

#include <win/strings.h>

#include "internal/codepages.h"
#include "internal/unicode.h"

namespace {

constexpr size_t kMaxOutput = 1023;

enum class Size { Default, Short, Long, Int64 };

struct Spec {
  bool left = false, prefix = false, zero = false;
  int width = 0;
  int precision = -1;
  Size size = Size::Default;
};

// The text is gathered as UTF-16 and narrowed through the ANSI page for the A forms.
class Formatter {
 public:
  void Put(char16_t c) {
    if (text_.size() < kMaxOutput) text_.push_back(c);
  }
  void Pad(int count, char16_t c) {
    for (int i = 0; i < count; ++i) Put(c);
  }
  void Field(const std::u16string& body, const Spec& spec) {
    int pad = spec.width - static_cast<int>(body.size());
    if (!spec.left) Pad(pad, u' ');
    for (char16_t c : body) Put(c);
    if (spec.left) Pad(pad, u' ');
  }
  void Number(uint64_t magnitude, bool negative, unsigned base, bool upper, const Spec& spec) {
    std::u16string digits;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
      digits.insert(digits.begin(), static_cast<char16_t>(set[magnitude % base]));
      magnitude /= base;
    } while (magnitude);
    int precision = spec.precision <= 0 ? 1 : spec.precision;
    while (static_cast<int>(digits.size()) < precision) digits.insert(digits.begin(), u'0');
    std::u16string head;
    if (negative) head = u"-";
    if (spec.prefix && base == 16 && digits.find_first_not_of(u'0') != std::u16string::npos)
      head += upper ? u"0X" : u"0x";
    int pad = spec.width - static_cast<int>(head.size() + digits.size());
    if (spec.left) {
      Field(head + digits, spec);
    } else if (spec.zero) {
      for (char16_t c : head) Put(c);
      Pad(pad, u'0');
      for (char16_t c : digits) Put(c);
    } else {
      Pad(pad, u' ');
      for (char16_t c : head) Put(c);
      for (char16_t c : digits) Put(c);
    }
  }
  const std::u16string& text() const { return text_; }

 private:
  std::u16string text_;
};

template <typename FmtChar>
int Run(FmtChar* out, const FmtChar* fmt, va_list* args) {
  constexpr bool wide = sizeof(FmtChar) == 2;
  Formatter f;
  auto at = [&](size_t i) -> char16_t {
    return wide ? static_cast<char16_t>(fmt[i]) : static_cast<char16_t>(static_cast<unsigned char>(fmt[i]));
  };
  size_t i = 0;
  while (fmt[i]) {
    if (at(i) != u'%') {
      f.Put(wide ? at(i) : plat::SingleByteToWide(plat::kAnsiCodePage, static_cast<unsigned char>(fmt[i])));
      ++i;
      continue;
    }
    ++i;
    Spec spec;
    for (;; ++i) {
      char16_t flag = at(i);
      if (flag == u'-') spec.left = true;
      else if (flag == u'#') spec.prefix = true;
      else if (flag == u'0') spec.zero = true;
      else break;
    }
    while (at(i) >= u'0' && at(i) <= u'9') {
      spec.width = spec.width < 100000 ? spec.width * 10 + (at(i) - u'0') : spec.width;
      ++i;
    }
    if (at(i) == u'.') {
      ++i;
      spec.precision = 0;
      while (at(i) >= u'0' && at(i) <= u'9') {
        spec.precision = spec.precision < 100000 ? spec.precision * 10 + (at(i) - u'0') : spec.precision;
        ++i;
      }
    }
    if (at(i) == u'h') {
      spec.size = Size::Short;
      ++i;
    } else if (at(i) == u'l') {
      spec.size = Size::Long;
      ++i;
    } else if (at(i) == u'I' && at(i + 1) == u'6' && at(i + 2) == u'4') {
      spec.size = Size::Int64;
      i += 3;
    }
    char16_t type = at(i);
    if (!type) break;
    ++i;
    // Which width a character or string argument has: 'l' always wide, 'h' always narrow,
    // otherwise the form's own width, swapped by the capital letter.
    auto wideArgument = [&](bool capital) {
      if (spec.size == Size::Long) return true;
      if (spec.size == Size::Short) return false;
      return capital ? !wide : wide;
    };
    switch (type) {
      case u'c':
      case u'C': {
        int v = va_arg(*args, int);
        char16_t ch = wideArgument(type == u'C')
                          ? static_cast<char16_t>(v)
                          : plat::SingleByteToWide(plat::kAnsiCodePage, static_cast<unsigned char>(v));
        f.Field(std::u16string(1, ch), spec);
        break;
      }
      case u's':
      case u'S': {
        std::u16string body;
        if (wideArgument(type == u'S')) {
          const WCHAR* s = va_arg(*args, const WCHAR*);
          if (!s) s = u"(null)";
          size_t n = 0;
          while (s[n] && (spec.precision < 0 || n < static_cast<size_t>(spec.precision)) && n <= kMaxOutput) ++n;
          body.assign(s, n);
        } else {
          const char* s = va_arg(*args, const char*);
          if (!s) s = "(null)";
          size_t n = 0;
          while (s[n] && (spec.precision < 0 || n < static_cast<size_t>(spec.precision)) && n <= kMaxOutput) ++n;
          body = plat::AnsiToWide(std::string_view(s, n));
        }
        f.Field(body, spec);
        break;
      }
      case u'd':
      case u'i': {
        int64_t v;
        if (spec.size == Size::Int64) v = va_arg(*args, long long);
        else if (spec.size == Size::Short) v = static_cast<int16_t>(va_arg(*args, int));
        else v = va_arg(*args, int);  // LONG is 32-bit on the system, so 'l' reads an int too
        uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        f.Number(magnitude, v < 0, 10, false, spec);
        break;
      }
      case u'u':
      case u'x':
      case u'X': {
        uint64_t v;
        if (spec.size == Size::Int64) v = va_arg(*args, unsigned long long);
        else if (spec.size == Size::Short) v = static_cast<uint16_t>(va_arg(*args, unsigned int));
        else v = va_arg(*args, unsigned int);
        f.Number(v, false, type == u'u' ? 10 : 16, type == u'X', spec);
        break;
      }
      case u'p': {
        Spec pointer = spec;
        pointer.precision = 16;
        pointer.prefix = false;
        f.Number(reinterpret_cast<uintptr_t>(va_arg(*args, void*)), false, 16, true, pointer);
        break;
      }
      default:
        // A character that means nothing as a type is copied ("%%" gives "%").
        f.Put(type);
        break;
    }
  }
  const std::u16string& text = f.text();
  if constexpr (wide) {
    std::memcpy(out, text.data(), text.size() * sizeof(WCHAR));
    out[text.size()] = 0;
    return static_cast<int>(text.size());
  } else {
    std::string narrow = plat::WideToAnsi(text);
    std::memcpy(out, narrow.data(), narrow.size());
    out[narrow.size()] = 0;
    return static_cast<int>(narrow.size());
  }
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist) {
  if (!lpOut || !lpFmt) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  va_list copy;
  va_copy(copy, arglist);
  int n = Run(lpOut, lpFmt, &copy);
  va_end(copy);
  return n;
}

WINBASEAPI int WINAPI wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist) {
  if (!lpOut || !lpFmt) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  va_list copy;
  va_copy(copy, arglist);
  int n = Run(lpOut, lpFmt, &copy);
  va_end(copy);
  return n;
}

WINBASEAPI int WINAPIV wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...) {
  va_list args;
  va_start(args, lpFmt);
  int n = wvsprintfW(lpOut, lpFmt, args);
  va_end(args);
  return n;
}

WINBASEAPI int WINAPIV wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
  va_list args;
  va_start(args, lpFmt);
  int n = wvsprintfA(lpOut, lpFmt, args);
  va_end(args);
  return n;
}

}  // extern "C"
