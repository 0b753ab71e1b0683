// Job settings as an application changes them: "KEY=VALUE" for a public DEVMODE field by its
// name (dmCopies=3, dmOrientation=2 ...) or a private setting by its key of the settings
// descriptor table (MultipleUp=4 ...), written at its offset in the shared UiDevmode layout.
// The changed DEVMODE goes through DocumentPropertiesW (DM_IN_BUFFER | DM_OUT_BUFFER), and a
// value the driver repaired is reported with the value it kept.
#pragma once

#include <string>
#include <vector>

#include <win/base.h>

namespace printjob {

struct SettingChange {
  std::string key;
  long value = 0;
  std::vector<BYTE> bytes;  // a whole record ("WatermarkData") instead of a value
};

// "KEY=VALUE" into a change; FALSE with a message for a malformed text, an unknown key or a
// value outside the field's width.
bool ParseSettingChange(const std::string& text, SettingChange& out, std::string& error);
// The printer's DEVMODE (DM_OUT_BUFFER), then the changes and the driver's validation. FALSE
// with a message when the printer or the driver refuses; warnings name each repaired value.
bool BuildDevmode(const std::u16string& printer, const std::vector<SettingChange>& changes, std::vector<BYTE>& devmode,
                  std::vector<std::string>& warnings, std::string& error);
// The same changes applied to an existing DEVMODE (resetdc).
bool ChangeDevmode(const std::u16string& printer, const std::vector<SettingChange>& changes,
                   std::vector<BYTE>& devmode, std::vector<std::string>& warnings, std::string& error);

}  // namespace printjob
