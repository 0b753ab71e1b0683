// spoolss.dll's impersonation calls, which a driver's user-interface library makes when the
// spooler calls it on a client's behalf. The stand-in keeps, per thread, whether the thread
// acts as the client; RevertToPrinterSelf hands out the client's token as a handle and
// ImpersonatePrinterClient takes it back and closes it.
#include <win/spooler.h>

#include "internal/handles.h"
#include "platform_testing.h"

namespace {

struct ClientToken : plat::KernelObject {
  bool wasImpersonating = true;
};

thread_local bool t_impersonating = true;

}  // namespace

extern "C" {

WINBASEAPI HANDLE WINAPI RevertToPrinterSelf(void) {
  auto token = std::make_shared<ClientToken>();
  token->wasImpersonating = t_impersonating;
  t_impersonating = false;
  return plat::InsertHandle(token);
}

WINBASEAPI BOOL WINAPI ImpersonatePrinterClient(HANDLE hToken) {
  std::shared_ptr<ClientToken> token = plat::LookupHandleAs<ClientToken>(hToken);
  if (!token) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  t_impersonating = token->wasImpersonating;
  plat::RemoveHandle(hToken);
  return TRUE;
}

WINBASEAPI BOOL PlatformTest_SpoolerThreadImpersonates(void) { return t_impersonating ? TRUE : FALSE; }

}  // extern "C"
