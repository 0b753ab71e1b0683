// The polling pass in this process: printers of the family in the machine, the engine pointed
// at a recording main window on the test's thread, and what the pass posted, read back in order.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <win/profile.h>
#include <win/strings.h>
#include <win/user.h>

#include <vm4k2/status_monitor_messages.h>

#include "StatusMonitor/status_engine.h"
#include "StatusMonitor/thread_query_status.h"
#include "engine_fixture.h"
#include "spooler_fixture.h"

namespace statustest {

struct PostedNote {
  std::u16string name;
  int previousStatus, previousValueCode;
  LPARAM lParam;
};

struct PostedList {
  bool null = false;
  LPARAM count = 0;
  std::vector<vm4k2sm::PrinterStatusRecord> records;
};

struct Posted {
  std::vector<std::string> order;  // "note NAME", "list N", "list null", "quit"
  std::vector<PostedNote> notes;
  std::vector<PostedList> lists;
  const vm4k2sm::PrinterStatusRecord* Record(const std::u16string& name) const {
    if (lists.empty()) return nullptr;
    for (const auto& r : lists.back().records)
      if (name == r.name) return &r;
    return nullptr;
  }
  const PostedNote* Note(const std::u16string& name) const {
    for (const auto& n : notes)
      if (n.name == name) return &n;
    return nullptr;
  }
};

class PassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFamilyDriver();
    window_ = CreateWindowExW(0, u"STATIC", u"main", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    vm4k2sm::StatusEngine& engine = vm4k2sm::TheStatusEngine();
    engine.announcements.Reset();
    engine.passPending = false;
    engine.printerSetChanged = FALSE;
    engine.endsByItself = false;
    lstrcpynW(engine.statusFile, machine_.file(), MAX_PATH);
    lstrcpynW(engine.computerName, u"THISPC", vm4k2sm::kComputerNameUnits);
    engine.mainWindow = window_;
    thread_.reset(new CThreadQueryStatus);
    thread_->InitInstance();
  }
  void TearDown() override {
    Drain();
    vm4k2sm::TheStatusEngine().mainWindow = nullptr;
    DestroyWindow(window_);
  }
  // One pass, then what it posted.
  Posted Pass() {
    thread_->OnQueryStatus(0, 0);
    return Drain();
  }
  Posted Drain() {
    Posted out;
    MSG msg;
    while (PeekMessageW(&msg, window_, 0, 0, PM_REMOVE)) {
      if (msg.message == vm4k2::WM_PRINTER_STATUS) {
        auto* note = reinterpret_cast<vm4k2sm::StatusChangeNote*>(msg.wParam);
        out.notes.push_back({note->name, note->previousStatus, note->previousValueCode, msg.lParam});
        out.order.push_back("note " + Narrow(note->name));
        vm4k2sm::FreeStatusNote(note);
      } else if (msg.message == vm4k2::WM_QUERY_DONE) {
        PostedList list;
        list.count = msg.lParam;
        auto* records = reinterpret_cast<vm4k2sm::PrinterStatusRecord*>(msg.wParam);
        list.null = records == nullptr;
        if (records) list.records.assign(records, records + msg.lParam);
        vm4k2sm::FreeStatusRecords(records);
        out.order.push_back(list.null ? "list null" : "list " + std::to_string(msg.lParam));
        out.lists.push_back(std::move(list));
      } else if (msg.message == vm4k2::WM_STATUSMONITOR_QUIT) {
        out.order.push_back("quit");
      }
    }
    return out;
  }
  void Announce(const std::u16string& printer) {
    vm4k2sm::StatusEngine& engine = vm4k2sm::TheStatusEngine();
    vm4k2sm::OnPrintJobStarting(engine.announcements);
    ASSERT_TRUE(engine.announcements.AcceptName(printer.c_str(), GetTickCount64()));
  }
  std::u16string Key(const std::u16string& section, const WCHAR* key) { return machine_.Key(section, key); }

  EngineMachine machine_;
  HWND window_ = nullptr;
  std::unique_ptr<CThreadQueryStatus> thread_;
};

inline DWORD AddForeignJob(const std::u16string& printer, DWORD status = 0) {
  return PlatformTest_SpoolerAddJob(printer.c_str(), u"Report", u"Someone", u"\\\\ELSEWHERE", status, 1);
}

}  // namespace statustest
