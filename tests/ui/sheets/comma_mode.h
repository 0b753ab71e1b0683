// The decimal-comma mode is process-wide and never cleared once the Russian satellite is
// chosen, so the tests that need it run their body in a fresh process of the same test.
#pragma once

#include <gtest/gtest.h>

#include <win/registry.h>

#include "ui/core/language.h"

namespace sheetstest {

// Chooses the Russian user interface for the rest of the process.
inline bool EnterDecimalCommaMode() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Velmor K8000 Series PCL6", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  static const char16_t kRussian[] = u"Russian";
  const LONG written = RegSetValueExW(key, u"Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(kRussian), sizeof(kRussian));
  RegCloseKey(key);
  WCHAR name[vm4k2ui::kLanguageNameUnits] = {};
  vm4k2ui::GetResourceDllName(name);
  return written == ERROR_SUCCESS && vm4k2ui::UiDecimalComma();
}

}  // namespace sheetstest

// Runs `body` in a fresh process (the test re-run alone) in decimal-comma mode; the body's
// failed expectations fail the test.
#define IN_DECIMAL_COMMA_MODE(body)                                                  \
  do {                                                                               \
    GTEST_FLAG_SET(death_test_style, "threadsafe");                                  \
    EXPECT_EXIT(                                                                     \
        {                                                                            \
          if (!sheetstest::EnterDecimalCommaMode()) std::_Exit(2);                   \
          body;                                                                      \
          std::_Exit(::testing::Test::HasFailure() ? 1 : 0);                         \
        },                                                                           \
        ::testing::ExitedWithCode(0), "");                                           \
  } while (0)
