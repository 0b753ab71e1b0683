// How the monitor learns that this computer sent a job to a printer, and when that job is over.
//
// The user-interface library posts WM_PRINT_JOB_STARTING and, about 100 ms later, sends the
// printer's name. Each posted announcement stays outstanding until a name is accepted for it or
// it is ten seconds old; names are accepted only while one is outstanding. Accepted names wait in
// the SentJobTable until a polling pass finds their printer and marks its JobTrackEntry as
// announced; the printer's answers then end the tracked job.
//
// The announcements and the SentJobTable are shared by the user-interface thread and the polling
// thread under one lock; the JobTracker belongs to the polling thread alone.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include <win/base.h>
#include <win/user.h>

#include <vm4k2/status_monitor_messages.h>

#include "StatusMonitor/status_block.h"

namespace vm4k2sm {

inline constexpr size_t kPrinterNameUnits = 260;
inline constexpr size_t kSentJobSlots = 128;
inline constexpr size_t kJobTrackEntries = 256;
// An announcement whose name has not come by then is given up: the sender waits 100 ms.
inline constexpr ULONGLONG kAnnouncementLifetimeMs = 10000;
// PrintReady answers after the last Printing one before a job counts as done.
inline constexpr WORD kJobCountdownStart = 20;

class SentJobTable {
 public:
  // A WM_PRINT_JOB_STARTING was taken at `now`.
  void AnnouncementPosted(ULONGLONG now);
  // Takes the name of an outstanding announcement into a slot: the first empty slot, or, with
  // every slot in use, the oldest name's (traced). FALSE when no announcement is outstanding.
  bool AcceptName(const WCHAR* name, ULONGLONG now);
  // Whether an announcement younger than its lifetime waits for its name.
  bool Outstanding(ULONGLONG now);
  // Forgets announcements past their lifetime.
  void DropExpired(ULONGLONG now);
  // The first slot holding exactly `name` is emptied; TRUE when there was one.
  bool TakeName(const WCHAR* name);
  // Whether a slot holds `name`.
  bool HoldsName(const WCHAR* name);
  // For tests: the slot's text.
  std::u16string SlotText(size_t slot);
  void Reset();

 private:
  void DropExpiredLocked(ULONGLONG now);
  std::mutex lock_;
  std::vector<ULONGLONG> posted_;  // outstanding announcements, oldest first
  WCHAR slots_[kSentJobSlots][kPrinterNameUnits] = {};
  ULONGLONG slotOrder_[kSentJobSlots] = {};  // when each slot was filled, 0 for an empty one
  ULONGLONG fills_ = 0;
};

// The main window's side of the announcement.
// WM_PRINT_JOB_STARTING, taken while the window pre-translates its messages.
void OnPrintJobStarting(SentJobTable& table);
// PrinterNameCopyData (WM_COPYDATA). The name is taken up to its first zero, at most 259 units
// and never beyond cbData. A name that comes with no announcement outstanding first takes a
// WM_PRINT_JOB_STARTING still waiting in `window`'s queue: the name is sent, so it is handled
// before a message posted just ahead of it. TRUE when the name was accepted.
BOOL OnPrinterNameCopyData(SentJobTable& table, HWND window, const COPYDATASTRUCT* data);

struct JobTrackEntry {
  WCHAR name[kPrinterNameUnits] = {};
  int announced = 0;
  int readySeen = 0;
  int printingSeen = 0;
  int cancelled = 0;
  WORD countdown = kJobCountdownStart;  // JobCountdown, one per printer
  bool used = false;
  bool seenThisPass = false;
};

class JobTracker {
 public:
  void BeginPass();
  // Releases the entries of printers the pass did not see.
  void EndPass();
  // The printer's entry, made when missing; NULL when the table is full (the printer is then not
  // tracked and counts as not announced).
  JobTrackEntry* EntryFor(const WCHAR* name);
  // The entry that has the name; NULL when none.
  JobTrackEntry* Find(const WCHAR* name);
  // The announcement match: a waiting name of the printer marks its job as announced, and the
  // flags of an earlier job are forgotten.
  void Match(JobTrackEntry& entry, SentJobTable& table);
  // What an answer of the printer means for its job.
  static void Apply(JobTrackEntry& entry, JobEvent event);
  // Whether a printer seen in this pass has an announced job.
  bool AnyAnnouncedThisPass() const;
  void Reset();

 private:
  JobTrackEntry entries_[kJobTrackEntries];
};

}  // namespace vm4k2sm
