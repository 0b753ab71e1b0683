// Printer data: named values under keys of a printer ("PrinterDriverData" for the plain
// calls), kept in <printer folder>/data.txt, one value a line: key, name, type and the data in
// hexadecimal, so a person can read what the driver stored.
#include <cstring>
#include <fstream>
#include <sstream>

#include "internal/controls.h"
#include "internal/spooler_state.h"
#include "internal/unicode.h"

namespace plat::spooler {
namespace {

constexpr const char16_t* kDriverDataKey = u"PrinterDriverData";
constexpr size_t kMaxNameLength = 16383;  // the registry's limit for a value name

struct Value {
  std::u16string key, name;
  DWORD type = 0;
  std::string data;
};

std::string Escape(std::u16string_view text) {
  std::string out;
  for (char c : ToUtf8(text)) {
    if (c == '\\') out += "\\\\";
    else if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out.push_back(c);
  }
  return out;
}

std::u16string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char n = text[++i];
      out.push_back(n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n);
    } else {
      out.push_back(text[i]);
    }
  }
  return FromUtf8(out);
}

std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

std::string Unhex(std::string_view text) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
  };
  std::string out;
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    out.push_back(static_cast<char>(nibble(text[i]) << 4 | nibble(text[i + 1])));
  return out;
}

std::string DataPath(unsigned printerId) { return PrinterDir(printerId) + "data.txt"; }

std::vector<Value> LoadValues(unsigned printerId) {
  std::vector<Value> out;
  std::ifstream in(DataPath(printerId), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    size_t a = line.find('\t');
    size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
    size_t c = b == std::string::npos ? b : line.find('\t', b + 1);
    if (c == std::string::npos) continue;
    Value v;
    v.key = Unescape(std::string_view(line).substr(0, a));
    v.name = Unescape(std::string_view(line).substr(a + 1, b - a - 1));
    v.type = static_cast<DWORD>(std::strtoul(line.substr(b + 1, c - b - 1).c_str(), nullptr, 10));
    v.data = Unhex(std::string_view(line).substr(c + 1));
    out.push_back(std::move(v));
  }
  return out;
}

void SaveValues(unsigned printerId, const std::vector<Value>& values) {
  std::string text;
  for (const Value& v : values)
    text += Escape(v.key) + "\t" + Escape(v.name) + "\t" + std::to_string(v.type) + "\t" + Hex(v.data) + "\n";
  WriteBytes(DataPath(printerId), text);
}

// The printer a data call works on; the error as the call's result when there is none.
DWORD OpenTarget(HANDLE handle, Printer& printer, bool writing) {
  if (!RequireRunning()) return RPC_S_SERVER_UNAVAILABLE;
  std::shared_ptr<PrinterHandle> h = GetPrinterHandle(handle, printer);
  if (!h) return GetLastError();
  if (writing && !(h->access & (PRINTER_ACCESS_ADMINISTER | PRINTER_ACCESS_MANAGE_LIMITED))) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

bool ValidName(const WCHAR* text) { return plat::WideLength(text) <= kMaxNameLength; }

// Test control: reads fail with the error "spooler.PrinterDataReadError" names, for every
// value or only for the one "spooler.PrinterDataReadErrorValue" names.
DWORD InjectedReadError(std::u16string_view valueName) {
  DWORD error = static_cast<DWORD>(GetControlInt("spooler.PrinterDataReadError", 0));
  if (!error) return ERROR_SUCCESS;
  std::optional<std::string> only = GetControl("spooler.PrinterDataReadErrorValue");
  if (only && !only->empty() && !EqualsNoCase(FromUtf8(*only), valueName)) return ERROR_SUCCESS;
  return error;
}

DWORD GetValue(HANDLE hPrinter, std::u16string_view key, const WCHAR* valueName, LPDWORD pType, LPBYTE pData,
               DWORD nSize, LPDWORD pcbNeeded) {
  Printer printer;
  DWORD error = OpenTarget(hPrinter, printer, false);
  if (error) return error;
  if (!pcbNeeded || (!pData && nSize) || key.empty() || !ValidName(valueName)) return ERROR_INVALID_PARAMETER;
  std::u16string_view name = WideView(valueName);
  if (DWORD injected = InjectedReadError(name)) return injected;
  if (printer.queryError) return printer.queryError;
  for (const Value& v : LoadValues(printer.id)) {
    if (!EqualsNoCase(v.key, key) || !EqualsNoCase(v.name, name)) continue;
    *pcbNeeded = static_cast<DWORD>(v.data.size());
    if (pType) *pType = v.type;
    if (v.data.size() > nSize) return ERROR_MORE_DATA;
    if (!v.data.empty()) std::memcpy(pData, v.data.data(), v.data.size());
    return ERROR_SUCCESS;
  }
  return ERROR_FILE_NOT_FOUND;
}

DWORD SetValue(HANDLE hPrinter, std::u16string_view key, const WCHAR* valueName, DWORD type, LPBYTE pData,
               DWORD cbData) {
  Printer printer;
  DWORD error = OpenTarget(hPrinter, printer, true);
  if (error) return error;
  if ((!pData && cbData) || key.empty() || !ValidName(valueName)) return ERROR_INVALID_PARAMETER;
  StateLock lock;
  std::vector<Value> values = LoadValues(printer.id);
  std::u16string_view name = WideView(valueName);
  std::string data(reinterpret_cast<const char*>(pData), pData ? cbData : 0);
  for (Value& v : values) {
    if (EqualsNoCase(v.key, key) && EqualsNoCase(v.name, name)) {
      v.type = type;
      v.data = std::move(data);
      SaveValues(printer.id, values);
      return ERROR_SUCCESS;
    }
  }
  values.push_back(Value{std::u16string(key), std::u16string(name), type, std::move(data)});
  SaveValues(printer.id, values);
  return ERROR_SUCCESS;
}

DWORD DeleteValue(HANDLE hPrinter, std::u16string_view key, const WCHAR* valueName) {
  Printer printer;
  DWORD error = OpenTarget(hPrinter, printer, true);
  if (error) return error;
  if (key.empty() || !ValidName(valueName)) return ERROR_INVALID_PARAMETER;
  StateLock lock;
  std::vector<Value> values = LoadValues(printer.id);
  std::u16string_view name = WideView(valueName);
  for (size_t i = 0; i < values.size(); ++i) {
    if (EqualsNoCase(values[i].key, key) && EqualsNoCase(values[i].name, name)) {
      values.erase(values.begin() + static_cast<std::ptrdiff_t>(i));
      SaveValues(printer.id, values);
      return ERROR_SUCCESS;
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

}  // namespace
}  // namespace plat::spooler

using namespace plat::spooler;

extern "C" {

WINBASEAPI DWORD WINAPI GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                                        LPDWORD pcbNeeded) {
  return GetValue(hPrinter, kDriverDataKey, pValueName, pType, pData, nSize, pcbNeeded);
}

WINBASEAPI DWORD WINAPI GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType,
                                          LPBYTE pData, DWORD nSize, LPDWORD pcbNeeded) {
  return GetValue(hPrinter, plat::WideView(pKeyName), pValueName, pType, pData, nSize, pcbNeeded);
}

WINBASEAPI DWORD WINAPI SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData) {
  return SetValue(hPrinter, kDriverDataKey, pValueName, Type, pData, cbData);
}

WINBASEAPI DWORD WINAPI SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type,
                                          LPBYTE pData, DWORD cbData) {
  return SetValue(hPrinter, plat::WideView(pKeyName), pValueName, Type, pData, cbData);
}

WINBASEAPI DWORD WINAPI DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName) {
  return DeleteValue(hPrinter, kDriverDataKey, pValueName);
}

WINBASEAPI DWORD WINAPI DeletePrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName) {
  return DeleteValue(hPrinter, plat::WideView(pKeyName), pValueName);
}

}  // extern "C"
