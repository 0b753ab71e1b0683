// The job's watermark as the watermark page leaves it: one WatermarkRecord in the private
// "WatermarkData" setting, built from the command line.
//
//   --watermark-text TEXT          a text watermark (the text editor's new record: Arial, 72 pt)
//   --watermark-bitmap PATH        a bitmap watermark of a BMP file of the machine (C:\...)
//   --watermark-set KEY=VALUE      a field of that record: face, size, angle, bold, italic,
//                                  grey (0..3), x and y (percent: the custom position), flag
//                                  (the bitmap's SRCAND flag), name
#pragma once

#include <string>
#include <vector>

#include <vm4k2/watermark_record.h>

#include "settings.h"

namespace printjob {

struct WatermarkRequest {
  std::string text;
  std::string bitmapPath;
  std::vector<std::string> fields;  // KEY=VALUE

  bool wanted() const { return !text.empty() || !bitmapPath.empty(); }
};

// The record the editors would store; FALSE with a message for a bad field, both kinds at once,
// or fields without a watermark.
bool BuildWatermarkRecord(const WatermarkRequest& request, vm4k2::WatermarkRecord& out, std::string& error);

// The record as a change of the "WatermarkData" setting.
SettingChange WatermarkChange(const vm4k2::WatermarkRecord& record);

}  // namespace printjob
