#include "StatusMonitor/job_tracking.h"

#include <algorithm>
#include <string>

#include <win/strings.h>
#include <win/system.h>

namespace vm4k2sm {

namespace {

bool SameName(const WCHAR* a, const WCHAR* b) { return lstrcmpW(a, b) == 0; }

void CopyName(WCHAR (&to)[kPrinterNameUnits], const WCHAR* from) {
  size_t i = 0;
  for (; i + 1 < kPrinterNameUnits && from[i] != 0; ++i) to[i] = from[i];
  to[i] = 0;
}

void Trace(const std::u16string& text) { OutputDebugStringW((u"vm4k2sm: " + text + u"\n").c_str()); }

}  // namespace

// ---- SentJobTable ------------------------------------------------------------------------------

void SentJobTable::AnnouncementPosted(ULONGLONG now) {
  std::lock_guard<std::mutex> guard(lock_);
  posted_.push_back(now);
}

void SentJobTable::DropExpiredLocked(ULONGLONG now) {
  while (!posted_.empty() && now - posted_.front() >= kAnnouncementLifetimeMs) posted_.erase(posted_.begin());
}

bool SentJobTable::Outstanding(ULONGLONG now) {
  std::lock_guard<std::mutex> guard(lock_);
  DropExpiredLocked(now);
  return !posted_.empty();
}

void SentJobTable::DropExpired(ULONGLONG now) {
  std::lock_guard<std::mutex> guard(lock_);
  DropExpiredLocked(now);
}

bool SentJobTable::AcceptName(const WCHAR* name, ULONGLONG now) {
  std::lock_guard<std::mutex> guard(lock_);
  DropExpiredLocked(now);
  if (posted_.empty()) return false;
  posted_.erase(posted_.begin());
  size_t slot = kSentJobSlots;
  for (size_t i = 0; i < kSentJobSlots; ++i) {
    if (slots_[i][0] == 0) {
      slot = i;
      break;
    }
  }
  if (slot == kSentJobSlots) {
    slot = 0;
    for (size_t i = 1; i < kSentJobSlots; ++i)
      if (slotOrder_[i] < slotOrder_[slot]) slot = i;
    Trace(u"job table full, dropped the announcement of " + std::u16string(slots_[slot]));
  }
  CopyName(slots_[slot], name);
  slotOrder_[slot] = ++fills_;
  return true;
}

bool SentJobTable::TakeName(const WCHAR* name) {
  if (name[0] == 0) return false;  // an empty slot is no announcement
  std::lock_guard<std::mutex> guard(lock_);
  for (size_t i = 0; i < kSentJobSlots; ++i) {
    if (SameName(slots_[i], name)) {
      slots_[i][0] = 0;
      slotOrder_[i] = 0;
      return true;
    }
  }
  return false;
}

bool SentJobTable::HoldsName(const WCHAR* name) {
  if (name[0] == 0) return false;
  std::lock_guard<std::mutex> guard(lock_);
  for (size_t i = 0; i < kSentJobSlots; ++i)
    if (SameName(slots_[i], name)) return true;
  return false;
}

std::u16string SentJobTable::SlotText(size_t slot) {
  std::lock_guard<std::mutex> guard(lock_);
  return slot < kSentJobSlots ? std::u16string(slots_[slot]) : std::u16string();
}

void SentJobTable::Reset() {
  std::lock_guard<std::mutex> guard(lock_);
  posted_.clear();
  for (size_t i = 0; i < kSentJobSlots; ++i) {
    slots_[i][0] = 0;
    slotOrder_[i] = 0;
  }
  fills_ = 0;
}

void OnPrintJobStarting(SentJobTable& table) { table.AnnouncementPosted(GetTickCount64()); }

BOOL OnPrinterNameCopyData(SentJobTable& table, HWND window, const COPYDATASTRUCT* data) {
  if (data == nullptr || data->lpData == nullptr) return FALSE;
  const ULONGLONG now = GetTickCount64();
  if (!table.Outstanding(now)) {
    MSG waiting;
    if (!PeekMessageW(&waiting, window, vm4k2::WM_PRINT_JOB_STARTING, vm4k2::WM_PRINT_JOB_STARTING, PM_REMOVE))
      return FALSE;
    table.AnnouncementPosted(now);
  }
  WCHAR name[kPrinterNameUnits] = {};
  const size_t units = std::min<size_t>(data->cbData / sizeof(WCHAR), kPrinterNameUnits - 1);
  const WCHAR* source = static_cast<const WCHAR*>(data->lpData);
  for (size_t i = 0; i < units && source[i] != 0; ++i) name[i] = source[i];
  return table.AcceptName(name, now);
}

// ---- JobTracker ----------------------------------------------------------------------------------

void JobTracker::BeginPass() {
  for (JobTrackEntry& entry : entries_) entry.seenThisPass = false;
}

void JobTracker::EndPass() {
  for (JobTrackEntry& entry : entries_)
    if (entry.used && !entry.seenThisPass) entry = JobTrackEntry{};
}

JobTrackEntry* JobTracker::Find(const WCHAR* name) {
  for (JobTrackEntry& entry : entries_)
    if (entry.used && SameName(entry.name, name)) return &entry;
  return nullptr;
}

JobTrackEntry* JobTracker::EntryFor(const WCHAR* name) {
  JobTrackEntry* entry = Find(name);
  if (entry == nullptr) {
    for (JobTrackEntry& free : entries_) {
      if (!free.used) {
        free = JobTrackEntry{};
        free.used = true;
        CopyName(free.name, name);
        entry = &free;
        break;
      }
    }
  }
  if (entry) entry->seenThisPass = true;
  return entry;
}

void JobTracker::Match(JobTrackEntry& entry, SentJobTable& table) {
  if (!table.TakeName(entry.name)) return;
  // A new job: what the printer said about the last one must not end this one.
  entry.announced = 1;
  entry.readySeen = 0;
  entry.printingSeen = 0;
  entry.cancelled = 0;
  entry.countdown = kJobCountdownStart;
}

void JobTracker::Apply(JobTrackEntry& entry, JobEvent event) {
  switch (event) {
    case JobEvent::Printing:
      entry.printingSeen = 1;
      entry.countdown = kJobCountdownStart;
      break;
    case JobEvent::JobProcess:
      entry.printingSeen = 1;
      break;
    case JobEvent::PrintReady:
      entry.readySeen = 1;
      if (entry.printingSeen) {
        if (entry.countdown > 0) --entry.countdown;
        if (entry.countdown == 0) {
          entry.announced = 0;
          entry.readySeen = 0;
          entry.countdown = kJobCountdownStart;
        }
      }
      break;
    case JobEvent::PowerSave:
      if (entry.readySeen || entry.cancelled) {
        entry.announced = 0;
        entry.readySeen = 0;
      }
      break;
    case JobEvent::Cancelled:
      entry.cancelled = 1;
      break;
    case JobEvent::None:
      break;
  }
}

bool JobTracker::AnyAnnouncedThisPass() const {
  for (const JobTrackEntry& entry : entries_)
    if (entry.used && entry.seenThisPass && entry.announced) return true;
  return false;
}

void JobTracker::Reset() {
  for (JobTrackEntry& entry : entries_) entry = JobTrackEntry{};
}

}  // namespace vm4k2sm
