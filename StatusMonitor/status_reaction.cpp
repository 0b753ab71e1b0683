#include "StatusMonitor/status_reaction.h"

#include <win/modules.h>
#include <win/process.h>
#include <win/resources.h>
#include <win/shell.h>
#include <win/strings.h>
#include <win/system.h>
#include <win/user.h>

#include <vm4k2/status_monitor_messages.h>

#include "common/status_file.h"

namespace vm4k2sm {

namespace key = vm4k2::status_key;
using vm4k2common::ReadStatusInt;
using vm4k2common::ReadStatusText;
using vm4k2common::WriteStatusKey;

namespace {

constexpr size_t kOwnerUnits = 64;

bool IsQuiet(int status) { return status == vm4k2::kStatusNormal || status == vm4k2::kStatusNotReachable; }

// Normal states that leave nothing for the user to see once an error is over.
bool EndsAnError(int valueCode) {
  switch (valueCode) {
    case 128: case 130: case 131: case 132: case 133: case 136:
      return true;
    default:
      return false;
  }
}

}  // namespace

StatusReaction::StatusReaction(StatusReactionHost& host, LPCWSTR statusFile, LPCWSTR computerName, HINSTANCE resources)
    : host_(host), file_(statusFile), computerName_(computerName) {
  WCHAR suffix[128] = {};
  const int length = LoadStringW(resources, kDisplayTitleSuffixString, suffix, 128);
  titleSuffix_.assign(suffix, length > 0 ? static_cast<size_t>(length) : 0);
}

StatusReaction::~StatusReaction() {
  for (auto& [name, started] : started_)
    if (started.process) CloseHandle(started.process);
}

HWND StatusReaction::FindStatusDisplay(LPCWSTR printer) const {
  const std::u16string title = std::u16string(printer) + titleSuffix_;
  return FindWindowW(vm4k2::kStatusDisplayClass, title.c_str());
}

void StatusReaction::OnPrinterStatus(StatusChangeNote* note, LPARAM lParam) {
  if (note == nullptr) return;
  const LPCWSTR printer = note->name;
  const int status = ReadStatusInt(file_, printer, key::Status);
  const int valueCode = ReadStatusInt(file_, printer, key::ValueCode);
  const int previousStatus = note->previousStatus;
  const int previousValueCode = note->previousValueCode;
  const bool changed = status != previousStatus || valueCode != previousValueCode;
  if (changed) WriteStatusKey(file_, printer, key::ShowDlgAgain, u"0");

  const int tonerLow = ReadStatusInt(file_, printer, key::TonerLow);
  const HWND display = FindStatusDisplay(printer);
  if (display) {
    auto it = started_.find(printer);
    if (it != started_.end()) it->second.windowSeen = true;
    const bool printingEnded = previousStatus == 128 && (previousValueCode == 132 || previousValueCode == 136) &&
                               status == 128 && valueCode == 131;
    const bool errorEnded = previousStatus != 128 && status == 128 && EndsAnError(valueCode);
    if (printingEnded || errorEnded) {
      PostMessageW(display, vm4k2::WM_STATUSDISPLAY_CLOSE, 0, 0);
    } else if (changed) {
      PostMessageW(display, vm4k2::WM_STATUSDISPLAY_REFRESH, 0, 0);
    } else if (ReadStatusInt(file_, printer, key::TonerStatusChange) == 1) {
      PostMessageW(display, vm4k2::WM_STATUSDISPLAY_REFRESH, 1, 0);
    }
  } else {
    WCHAR owner[kOwnerUnits];
    ReadStatusText(file_, printer, key::JobOwner, owner, kOwnerUnits);
    const bool ownJob = lstrcmpW(owner, computerName_) == 0;
    if (ownJob) OutputDebugStringW(u"bJobOwner is true\n");
    const bool errorOfOwnJob = ownJob && !IsQuiet(status);
    const bool stuckWithJobs = lParam == 1 && (status == 126 || (status == 128 && valueCode == 129));
    const bool tonerLowWhilePrinting = tonerLow == 1 && ownJob && status == 128 && valueCode == 132;
    if ((errorOfOwnJob || stuckWithJobs || tonerLowWhilePrinting) &&
        ReadStatusInt(file_, printer, key::ShowDlgAgain) != 1)
      OpenStatusDisplay(printer);
  }
  if (changed && !IsQuiet(status)) host_.SetTrayIcon(kAttentionIcon);
  FreeStatusNote(note);
}

void StatusReaction::OpenStatusDisplay(LPCWSTR printer) {
  Started& started = started_[printer];
  const ULONGLONG now = GetTickCount64();
  if (started.process) {
    if (WaitForSingleObject(started.process, 0) == WAIT_TIMEOUT) return;  // still running
    CloseHandle(started.process);
    started.process = nullptr;
    // A display that cannot make its window would otherwise be started every pass.
    if (!started.windowSeen) started.quietUntil = now + kWindowlessDisplayPauseMs;
  }
  if (now < started.quietUntil) return;

  WriteStatusKey(file_, printer, key::RunMode, u"0");
  WCHAR program[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  int cut = 0;
  for (int i = 0; program[i] != 0; ++i)
    if (program[i] == u'\\') cut = i + 1;
  program[cut] = 0;
  if (cut + lstrlenW(vm4k2::kStatusDisplayProgram) >= MAX_PATH) return;
  lstrcatW(program, vm4k2::kStatusDisplayProgram);

  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS;
  execute.lpFile = program;
  execute.lpParameters = printer;
  execute.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&execute)) {
    started.process = execute.hProcess;
    started.windowSeen = false;
  }
}

}  // namespace vm4k2sm
