// Test controls of the desktop: the message-box script and the call log.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "internal/controls.h"
#include "internal/desktop_script.h"
#include "internal/machine.h"
#include "internal/process_table.h"
#include "internal/waitable.h"
#include "internal/unicode.h"
#include "platform_testing.h"

extern "C" {

WINBASEAPI void PlatformTest_QueueBoxAnswer(const WCHAR* program, const WCHAR* text, const WCHAR* caption, int button,
                                            DWORD pumpMs) {
  using namespace plat::desktop;
  AppendScriptLine("box-script", {std::to_string(button), std::to_string(pumpMs), HexField(plat::WideView(program)),
                                  HexField(plat::WideView(text)), HexField(plat::WideView(caption))});
}

WINBASEAPI void PlatformTest_ClearBoxAnswers(void) { plat::desktop::ClearScript("box-script"); }

WINBASEAPI BOOL PlatformTest_AddMachineProcess(DWORD pid, const WCHAR* image) {
  unsigned long long start = plat::HostProcessStartTime(static_cast<int>(pid));
  if (!start || !image) return FALSE;
  plat::ProcessRecord record;
  record.pid = static_cast<int>(pid);
  record.startTime = start;
  record.image = plat::WideView(image);
  record.commandLine = u"\"" + record.image + u"\"";
  record.priorityClass = 0x20;
  plat::WriteProcessRecord(record);
  return TRUE;
}

WINBASEAPI void PlatformTest_FailProgramStart(const WCHAR* fileName, DWORD error) {
  if (!fileName || !*fileName) return;
  std::string name = plat::ToUtf8(plat::WideView(fileName));
  std::istringstream old(plat::GetControl("StartFailure").value_or(""));
  std::string kept, line;
  while (std::getline(old, line)) {
    std::istringstream fields(line);
    std::string program;
    if ((fields >> program) && !plat::EqualsNoCaseUtf8(program, name)) kept += line + "\n";
  }
  if (error) kept += name + " " + std::to_string(error) + "\n";
  plat::SetMachineControl("StartFailure", kept.empty() ? std::nullopt : std::optional<std::string_view>(kept));
}

WINBASEAPI size_t PlatformTest_ReadCallLog(char* buffer, size_t size) {
  std::ifstream in(plat::MachineDir("desktop") + "/calls.jsonl", std::ios::binary);
  std::stringstream text;
  if (in) text << in.rdbuf();
  std::string all = text.str();
  if (buffer && size) {
    size_t n = std::min(all.size(), size - 1);
    std::memcpy(buffer, all.data(), n);
    buffer[n] = 0;
  }
  return all.size();
}

}  // extern "C"
