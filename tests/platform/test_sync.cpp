#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <win/process.h>
#include <win/system.h>

#include "process_test_util.h"
#include "temp_machine.h"

using processtest::AwaitHostFile;
using processtest::CloseInfo;
using processtest::Start;
using testsupport::kErrorMarker;

namespace {

class Sync : public ::testing::Test {
 protected:
  void SetUp() override { processtest::InstallChild(machine_, "drives/C/Windows/System32/child.exe"); }
  // Starts a child that owns the mutex `name`; returns what its CreateMutexW left as the error.
  std::string StartHolder(const std::u16string& name, const std::string& report, PROCESS_INFORMATION& info) {
    EXPECT_TRUE(Start(u"child.exe hold-mutex C:\\" + std::u16string(report.begin(), report.end()) + u" " + name, info));
    return AwaitHostFile(machine_.Host("drives/C/" + report));
  }
  void End(PROCESS_INFORMATION& info) {
    EXPECT_TRUE(TerminateProcess(info.hProcess, 1));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    CloseInfo(info);
  }
  testsupport::TempMachine machine_;
};

struct EventWait {
  HANDLE event;
  std::atomic<bool> woke{false};
};

DWORD WINAPI WaitThenReturnFive(LPVOID parameter) {
  auto* wait = static_cast<EventWait*>(parameter);
  if (WaitForSingleObject(wait->event, INFINITE) != WAIT_OBJECT_0) return 1;
  wait->woke = true;
  return 5;
}

TEST_F(Sync, AutoResetEventReleasesOneWaitManualResetStays) {
  HANDLE automatic = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  HANDLE manual = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  ASSERT_NE(automatic, nullptr);
  ASSERT_NE(manual, nullptr);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ResetEvent(manual));
  EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  HANDLE both[] = {automatic, manual};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(SetEvent(manual));
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(SetEvent(automatic));
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(automatic);
  CloseHandle(manual);
}

TEST_F(Sync, NamedEventIsOneObjectInTheProcess) {
  SetLastError(kErrorMarker);
  HANDLE first = CreateEventW(nullptr, TRUE, FALSE, u"Velmor.Ready");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE second = CreateEventW(nullptr, TRUE, FALSE, u"Velmor.Ready");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  ASSERT_NE(second, first);
  EXPECT_TRUE(SetEvent(first));
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  CloseHandle(first);
  CloseHandle(second);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(SetEvent(first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Sync, ThreadHandlesSignalWhenTheThreadEnds) {
  EventWait wait;
  wait.event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, WaitThenReturnFive, &wait, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetThreadId(GetCurrentThread()));
  EXPECT_EQ(GetThreadId(thread), id);
  EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_TRUE(SetEvent(wait.event));
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(wait.woke);
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 5u);
  CloseHandle(thread);
  CloseHandle(wait.event);
}

TEST_F(Sync, SuspendedThreadRunsOnlyAfterResume) {
  EventWait wait;
  wait.event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, WaitThenReturnFive, &wait, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 20), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(wait.woke);
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(wait.woke);
  CloseHandle(thread);
  CloseHandle(wait.event);
}

struct Counter {
  std::atomic<int> passes{0};
  std::atomic<bool> stop{false};
};

unsigned WINAPI CountSleeps(void* parameter) {
  auto* counter = static_cast<Counter*>(parameter);
  while (!counter->stop) {
    ++counter->passes;
    Sleep(1);
  }
  return 9;
}

TEST_F(Sync, CrtThreadsStartSuspendAndRecordTheirPriority) {
  Counter counter;
  unsigned id = 0;
  uintptr_t value = _beginthreadex(nullptr, 0, CountSleeps, &counter, 0, &id);
  ASSERT_NE(value, 0u);
  HANDLE thread = reinterpret_cast<HANDLE>(value);
  EXPECT_EQ(GetThreadId(thread), id);
  while (counter.passes < 3) Sleep(1);

  // Suspended, the thread stops at its next sleep and stays there until resumed.
  EXPECT_EQ(SuspendThread(thread), 0u);
  EXPECT_EQ(SuspendThread(thread), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  int stopped = counter.passes;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(counter.passes, stopped);
  EXPECT_EQ(ResumeThread(thread), 2u);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(counter.passes, stopped);  // still once suspended
  EXPECT_EQ(ResumeThread(thread), 1u);
  while (counter.passes == stopped) Sleep(1);

  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
  EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL));
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_BELOW_NORMAL);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(SetThreadPriority(thread, 7));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_HIGHEST);
  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL));

  counter.stop = true;
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 9u);
  CloseHandle(thread);

  SetLastError(kErrorMarker);
  EXPECT_EQ(SuspendThread(nullptr), static_cast<DWORD>(-1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetThreadPriority(nullptr), THREAD_PRIORITY_ERROR_RETURN);
  EXPECT_EQ(_beginthreadex(nullptr, 0, nullptr, nullptr, 0, nullptr), 0u);
}

DWORD WINAPI TryMutex(LPVOID parameter) {
  HANDLE mutex = static_cast<HANDLE>(parameter);
  DWORD wait = WaitForSingleObject(mutex, 0);
  SetLastError(kErrorMarker);
  BOOL released = ReleaseMutex(mutex);
  return wait == WAIT_TIMEOUT && !released && GetLastError() == ERROR_NOT_OWNER ? 0 : 1;
}

TEST_F(Sync, MutexBelongsToOneThreadAndCountsItsWaits) {
  for (const char16_t* name : {static_cast<const char16_t*>(nullptr), u"Velmor.InProcess"}) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, name);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // the owner again
    HANDLE other = CreateThread(nullptr, 0, TryMutex, mutex, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(other, INFINITE), WAIT_OBJECT_0);
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeThread(other, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(other);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    SetLastError(kErrorMarker);
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    CloseHandle(mutex);
  }
}

TEST_F(Sync, NamedMutexIsSharedByTheMachinesProcesses) {
  // A printer's name, blanks and all; names keep their case.
  const std::u16string name = u"Velmor K8000 Series PCL6";
  PROCESS_INFORMATION holder;
  ASSERT_EQ(StartHolder(name, "held.txt", holder), "0");

  SetLastError(kErrorMarker);
  HANDLE mine = CreateMutexW(nullptr, TRUE, name.c_str());
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(WaitForSingleObject(mine, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // not given by the create
  HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
  EXPECT_NE(opened, nullptr);
  SetLastError(kErrorMarker);
  HANDLE otherCase = CreateMutexW(nullptr, FALSE, u"velmor k8000 series pcl6");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

  // The owner ends without releasing: the next wait gets it, abandoned.
  End(holder);
  EXPECT_EQ(WaitForSingleObject(mine, INFINITE), static_cast<DWORD>(WAIT_ABANDONED));
  EXPECT_TRUE(ReleaseMutex(mine));
  EXPECT_EQ(WaitForSingleObject(opened, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(opened));
  CloseHandle(mine);
  CloseHandle(opened);
  CloseHandle(otherCase);
}

TEST_F(Sync, AKilledProgramNeverBlocksTheNextStart) {
  const std::u16string name = u"Local\\VelmorStatusMonitor";
  PROCESS_INFORMATION first;
  ASSERT_EQ(StartHolder(name, "first.txt", first), "0");
  PROCESS_INFORMATION second;
  ASSERT_EQ(StartHolder(name, "second.txt", second), "183");  // ERROR_ALREADY_EXISTS
  End(second);
  End(first);

  SetLastError(kErrorMarker);
  HANDLE next = CreateMutexW(nullptr, TRUE, u"VelmorStatusMonitor");
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(ReleaseMutex(next));  // owned by the new start, not by the killed one
  CloseHandle(next);

  SetLastError(kErrorMarker);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
