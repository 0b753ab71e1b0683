// Settings that no user interface sets (overlay forms, form slots ...) put on the device record
// of every printer DC the stand-in makes while a patch lives: the change runs on the record's
// merged settings right after DrvEnablePDEV, so every document on that DC takes them into its
// job copy. The record is the renderer's own PDEV (the renderer loaded by the stand-in is built
// from the same sources as the tests).
#pragma once

#include <functional>
#include <utility>

#include <platform_testing.h>

#include "gdi/pdev.h"

namespace testsupport {

class PdevSettingsPatch {
 public:
  using Change = std::function<void(RenderDevmode&)>;

  explicit PdevSettingsPatch(Change change) : change_(std::move(change)) { PlatformTest_SetPdevHook(&Run, this); }
  ~PdevSettingsPatch() { PlatformTest_SetPdevHook(nullptr, nullptr); }
  PdevSettingsPatch(const PdevSettingsPatch&) = delete;
  PdevSettingsPatch& operator=(const PdevSettingsPatch&) = delete;

  // The record of the last DC made (its job state stays readable after EndDoc).
  PDEV* last() const { return last_; }

 private:
  static void Run(DHPDEV dhpdev, void* context) {
    auto* self = static_cast<PdevSettingsPatch*>(context);
    self->last_ = reinterpret_cast<PDEV*>(dhpdev);
    if (self->change_) self->change_(self->last_->settings);
  }

  Change change_;
  PDEV* last_ = nullptr;
};

}  // namespace testsupport
