// Activation contexts: made from a manifest resource of a PE file or module, or from a
// manifest file; refused for the machine's ELF libraries, which carry no resources.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <win/modules.h>

#include "temp_machine.h"

namespace fs = std::filesystem;
using testsupport::kErrorMarker;

namespace {

class ActivationContexts : public ::testing::Test {
 protected:
  std::u16string Place(const std::string& hostFile, const std::string& name) {
    fs::path target = machine_.Host("drives/C/Windows/System32/" + name);
    fs::create_directories(target.parent_path());
    fs::copy_file(hostFile, target, fs::copy_options::overwrite_existing);
    return u"C:\\Windows\\System32\\" + std::u16string(name.begin(), name.end());
  }
  static ACTCTXW FromResource(LPCWSTR source, WORD id) {
    ACTCTXW context = {};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = source;
    context.lpResourceName = MAKEINTRESOURCEW(id);
    return context;
  }
  testsupport::TempMachine machine_;
};

TEST_F(ActivationContexts, ComeFromManifestResourcesAndNestOnTheThread) {
  std::u16string library = Place(SAMPLE_RESOURCES, "sample_resources.dll");
  ACTCTXW request = FromResource(library.c_str(), CREATEPROCESS_MANIFEST_RESOURCE_ID);
  HANDLE outer = CreateActCtxW(&request);
  ASSERT_NE(outer, INVALID_HANDLE_VALUE) << GetLastError();
  HMODULE module = LoadLibraryExW(library.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  request.dwFlags |= ACTCTX_FLAG_HMODULE_VALID;
  request.lpSource = nullptr;
  request.hModule = module;
  HANDLE inner = CreateActCtxW(&request);
  ASSERT_NE(inner, INVALID_HANDLE_VALUE) << GetLastError();

  ULONG_PTR first = 0, second = 0;
  ASSERT_TRUE(ActivateActCtx(outer, &first));
  ASSERT_TRUE(ActivateActCtx(inner, &second));
  EXPECT_NE(first, second);
  // Out of order only when forced, which also ends the later activation.
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeactivateActCtx(0, first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(DeactivateActCtx(DEACTIVATE_ACTCTX_FLAG_FORCE_EARLY_DEACTIVATION, first));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(DeactivateActCtx(0, second));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ReleaseActCtx(inner);
  ReleaseActCtx(outer);
  SetLastError(kErrorMarker);
  ULONG_PTR cookie = 0;
  EXPECT_FALSE(ActivateActCtx(outer, &cookie));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  FreeLibrary(module);
}

TEST_F(ActivationContexts, FailWhereNoManifestIs) {
  std::u16string library = Place(SAMPLE_RESOURCES, "sample_resources.dll");
  std::u16string elf = Place(TEST_LIBRARY, "vm4k2ui.dll");
  HMODULE code = LoadLibraryW(elf.c_str());
  ASSERT_NE(code, nullptr);
  struct Case {
    const char* what;
    ACTCTXW request;
    DWORD error;
  } cases[] = {
      {"ELF library by path", FromResource(elf.c_str(), ISOLATIONAWARE_MANIFEST_RESOURCE_ID), ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"PE file without manifest 2", FromResource(library.c_str(), ISOLATIONAWARE_MANIFEST_RESOURCE_ID),
       ERROR_RESOURCE_NAME_NOT_FOUND},
      {"missing file", FromResource(u"C:\\Windows\\System32\\none.dll", 1), ERROR_FILE_NOT_FOUND},
  };
  ACTCTXW byModule = FromResource(nullptr, ISOLATIONAWARE_MANIFEST_RESOURCE_ID);
  byModule.dwFlags |= ACTCTX_FLAG_HMODULE_VALID;
  byModule.hModule = code;
  for (Case& c : cases) {
    SetLastError(kErrorMarker);
    EXPECT_EQ(CreateActCtxW(&c.request), INVALID_HANDLE_VALUE) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  // The user-interface library asks for its own module's manifest, which an ELF file lacks.
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateActCtxW(&byModule), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  FreeLibrary(code);
}

TEST_F(ActivationContexts, ComeFromManifestFiles) {
  fs::create_directories(machine_.Host("drives/C/Apps"));
  std::ofstream(machine_.Host("drives/C/Apps/app.manifest")) << "<?xml version=\"1.0\"?><assembly manifestVersion=\"1.0\"/>";
  std::ofstream(machine_.Host("drives/C/Apps/not.manifest")) << "plain text";
  ACTCTXW request = {};
  request.cbSize = sizeof request;
  request.lpSource = u"C:\\Apps\\app.manifest";
  HANDLE context = CreateActCtxW(&request);
  EXPECT_NE(context, INVALID_HANDLE_VALUE);
  ReleaseActCtx(context);
  struct Case {
    const char16_t* source;
    DWORD error;
  } cases[] = {{u"C:\\Apps\\not.manifest", ERROR_SXS_CANT_GEN_ACTCTX}, {u"C:\\Apps\\none.manifest", ERROR_FILE_NOT_FOUND}};
  for (const Case& c : cases) {
    request.lpSource = c.source;
    SetLastError(kErrorMarker);
    EXPECT_EQ(CreateActCtxW(&request), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
  }
  SetLastError(kErrorMarker);
  EXPECT_EQ(CreateActCtxW(nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
