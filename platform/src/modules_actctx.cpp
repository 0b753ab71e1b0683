// Activation contexts: CreateActCtxW, ActivateActCtx, DeactivateActCtx, ReleaseActCtx.
//
// A context holds the manifest it was made from: an RT_MANIFEST resource of a PE file or
// module, or a manifest file. Each thread keeps its own stack of activations; the windowing
// stand-in asks for the manifest active on the calling thread (ActiveManifest) to decide,
// for one, which common-controls version a dialog gets.
#include <atomic>
#include <fstream>
#include <sstream>
#include <vector>

#include <win/modules.h>

#include "internal/files.h"
#include "internal/handles.h"
#include "internal/resources.h"
#include "internal/unicode.h"

namespace {

struct ActivationContext : plat::KernelObject {
  std::string manifest;
  // An activation context is released with ReleaseActCtx, never closed.
  bool Close() override {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
};

struct Activation {
  ULONG_PTR cookie;
  std::shared_ptr<ActivationContext> context;  // null: the process default was activated
};

thread_local std::vector<Activation> t_activations;
std::atomic<ULONG_PTR> g_nextCookie{0x1000};

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// A manifest is an XML document whose root element is an assembly.
bool LooksLikeManifest(const std::string& text) { return text.find("<assembly") != std::string::npos; }

std::string ManifestText(std::span<const BYTE> bytes) {
  // UTF-16 manifests are turned into UTF-8 so that one text form is kept.
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::u16string wide;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) wide.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return plat::ToUtf8(wide);
  }
  return std::string(bytes.begin(), bytes.end());
}

DWORD ManifestFromModule(HMODULE module, LPCWSTR resourceName, std::string& out) {
  std::optional<std::span<const BYTE>> bytes =
      plat::ModuleResourceBytes(module, plat::ResourceId::Ordinal(plat::kRtManifest), plat::ResourceId::FromParam(resourceName));
  if (!bytes) {
    DWORD error = GetLastError();
    // A module without resources (every ELF library of the machine) has no manifest type.
    return error == ERROR_RESOURCE_DATA_NOT_FOUND ? ERROR_RESOURCE_TYPE_NOT_FOUND : error;
  }
  out = ManifestText(*bytes);
  return ERROR_SUCCESS;
}

}  // namespace

namespace plat {

std::string ActiveManifest() {
  if (t_activations.empty() || !t_activations.back().context) return {};
  return t_activations.back().context->manifest;
}

}  // namespace plat

extern "C" {

WINBASEAPI HANDLE WINAPI CreateActCtxW(PCACTCTXW pActCtx) {
  if (!pActCtx || pActCtx->cbSize < offsetof(ACTCTXW, wProcessorArchitecture)) return Fail(ERROR_INVALID_PARAMETER);
  auto has = [&](size_t fieldEnd) { return pActCtx->cbSize >= fieldEnd; };
  DWORD flags = pActCtx->dwFlags;
  bool byResource = (flags & ACTCTX_FLAG_RESOURCE_NAME_VALID) && has(offsetof(ACTCTXW, lpResourceName) + sizeof(LPCWSTR));
  bool byModule = (flags & ACTCTX_FLAG_HMODULE_VALID) && has(offsetof(ACTCTXW, hModule) + sizeof(HMODULE));
  if ((flags & ACTCTX_FLAG_RESOURCE_NAME_VALID) && !byResource) return Fail(ERROR_INVALID_PARAMETER);
  if (!byModule && !pActCtx->lpSource) return Fail(ERROR_INVALID_PARAMETER);

  auto context = std::make_shared<ActivationContext>();
  DWORD error = ERROR_SUCCESS;
  if (byResource) {
    if (byModule) {
      error = ManifestFromModule(pActCtx->hModule, pActCtx->lpResourceName, context->manifest);
    } else {
      HMODULE source = LoadLibraryExW(pActCtx->lpSource, nullptr, LOAD_LIBRARY_AS_DATAFILE);
      if (!source) return Fail(GetLastError() == ERROR_MOD_NOT_FOUND ? ERROR_FILE_NOT_FOUND : GetLastError());
      error = ManifestFromModule(source, pActCtx->lpResourceName, context->manifest);
      FreeLibrary(source);
    }
  } else {
    plat::ResolvedPath path = plat::ResolveMachinePath(plat::WideView(pActCtx->lpSource));
    if (path.error != ERROR_SUCCESS) return Fail(path.error);
    if (!path.exists || path.isDirectory) return Fail(path.exists ? ERROR_ACCESS_DENIED : plat::MissingEntryError(path));
    std::string bytes;
    error = plat::ReadWholeFile(path.windows, bytes);
    if (error == ERROR_SUCCESS)
      context->manifest = ManifestText(std::span<const BYTE>(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()));
  }
  if (error != ERROR_SUCCESS) return Fail(error);
  if (!LooksLikeManifest(context->manifest)) return Fail(ERROR_SXS_CANT_GEN_ACTCTX);
  return plat::InsertHandle(context);
}

WINBASEAPI BOOL WINAPI ActivateActCtx(HANDLE hActCtx, ULONG_PTR* lpCookie) {
  if (!lpCookie) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<ActivationContext> context;
  if (hActCtx && hActCtx != INVALID_HANDLE_VALUE) {
    context = plat::LookupHandleAs<ActivationContext>(hActCtx);
    if (!context) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  ULONG_PTR cookie = g_nextCookie.fetch_add(1);
  t_activations.push_back({cookie, std::move(context)});
  *lpCookie = cookie;
  return TRUE;
}

WINBASEAPI BOOL WINAPI DeactivateActCtx(DWORD dwFlags, ULONG_PTR ulCookie) {
  // Activations end in the reverse order of their start; an earlier one may be ended first
  // only with DEACTIVATE_ACTCTX_FLAG_FORCE_EARLY_DEACTIVATION, which ends those above it too.
  for (size_t i = t_activations.size(); i-- > 0;) {
    if (t_activations[i].cookie != ulCookie) continue;
    if (i + 1 != t_activations.size() && !(dwFlags & DEACTIVATE_ACTCTX_FLAG_FORCE_EARLY_DEACTIVATION)) break;
    t_activations.resize(i);
    return TRUE;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

WINBASEAPI void WINAPI ReleaseActCtx(HANDLE hActCtx) {
  // Activations still on a thread's stack keep the context alive until they end.
  if (plat::LookupHandleAs<ActivationContext>(hActCtx)) plat::RemoveHandle(hActCtx);
}

}  // extern "C"
