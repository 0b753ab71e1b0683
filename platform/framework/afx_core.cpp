// Run-time classes, message-map lookup and CString.
#include <cstdarg>
#include <cstring>

#include <win/strings.h>

#include "afxwin.h"

CRuntimeClass CObject::classCObject = {"CObject", sizeof(CObject), nullptr, nullptr};
CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass)
    if (cls == base) return TRUE;
  return FALSE;
}

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
      if (entry->pRegistered) {
        if (*entry->pRegistered && *entry->pRegistered == message) return entry;
        continue;
      }
      if (entry->nMessage != message) continue;
      if (message == WM_COMMAND && (entry->nCode != code || id < entry->nID || id > entry->nLastID)) continue;
      return entry;
    }
    if (!map->pfnGetBaseMap) break;
  }
  return nullptr;
}

int CString::CompareNoCase(LPCWSTR other) const { return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text_.c_str(), -1, other ? other : u"", -1) - 2; }

CString CString::Mid(int first, int count) const {
  size_t start = Clamp(first);
  size_t n = count < 0 ? std::u16string::npos : static_cast<size_t>(count);
  return CString(text_.substr(start, n));
}

int CString::Find(WCHAR c, int start) const {
  size_t at = text_.find(c, Clamp(start));
  return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCWSTR sub, int start) const {
  size_t at = text_.find(sub ? sub : u"", Clamp(start));
  return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

void CString::Format(LPCWSTR format, ...) {
  WCHAR buffer[1025] = {};
  va_list args;
  va_start(args, format);
  wvsprintfW(buffer, format, args);
  va_end(args);
  text_ = buffer;
}

BOOL CString::LoadString(UINT id) {
  WCHAR buffer[4096] = {};
  int n = LoadStringW(AfxGetResourceHandle(), id, buffer, 4096);
  if (n <= 0) return FALSE;
  text_.assign(buffer, static_cast<size_t>(n));
  return TRUE;
}
