#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include <win/process.h>
#include <win/system.h>
#include <win/user.h>

#include "desktop_test_util.h"
#include "platform_testing.h"
#include "temp_machine.h"

using desktoptest::Journal;
using testsupport::kErrorMarker;

namespace {

class Messages : public ::testing::Test {
 protected:
  void SetUp() override {
    desktoptest::RegisterRecordingClass(u"Recorder");
    Journal::Get().Take();
    Journal::Get().answer = nullptr;
    hwnd_ = CreateWindowExW(0, u"Recorder", u"Receiver", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                            nullptr, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    desktoptest::PumpWaiting();
    Journal::Get().Take();
  }
  void TearDown() override {
    Journal::Get().answer = nullptr;
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    PlatformTest_UseRealClock();
  }
  testsupport::TempMachine machine_;
  HWND hwnd_ = nullptr;
};

// True while a message another thread sent waits in this thread's queue.
bool PendingSends() { return HIWORD(GetQueueStatus(QS_SENDMESSAGE)) != 0; }

// Waits until another thread's send waits in this (the receiving) thread's queue: the queue's
// own state, not a pause, says the sender is ready however loaded the machine is.
void AwaitPendingSend() {
  while (!PendingSends()) std::this_thread::yield();
}

// Sends from another thread while the receiver is not pumping; returns once it is queued.
std::thread SendFromThread(HWND hwnd, UINT message, std::atomic<LRESULT>& result) {
  std::thread sender([&result, hwnd, message] { result = SendMessageW(hwnd, message, 0, 0); });
  AwaitPendingSend();
  return sender;
}

TEST_F(Messages, SentMessagesComeBeforeEarlierPostsAndAreNeverReturned) {
  ASSERT_TRUE(PostMessageW(hwnd_, WM_USER + 1, 0, 0));
  ASSERT_TRUE(PostMessageW(hwnd_, WM_USER + 2, 0, 0));
  std::atomic<LRESULT> result{0};
  Journal::Get().answer = [](HWND, UINT message, WPARAM, LPARAM, bool& handled) -> LRESULT {
    handled = message == WM_USER + 3;
    return 77;
  };
  std::thread sender = SendFromThread(hwnd_, WM_USER + 3, result);
  std::vector<MSG> taken = desktoptest::PumpWaiting();
  sender.join();
  EXPECT_EQ(result.load(), 77);
  ASSERT_EQ(taken.size(), 2u);  // the sent one went straight to the window procedure
  EXPECT_EQ(taken[0].message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(taken[1].message, static_cast<UINT>(WM_USER + 2));
  EXPECT_EQ(Journal::Get().Messages({WM_USER + 1, WM_USER + 2, WM_USER + 3}),
            (std::vector<UINT>{WM_USER + 3, WM_USER + 1, WM_USER + 2}));
}

TEST_F(Messages, PaintAndTimersComeAfterPostsAndQuitAfterTheLastPost) {
  PlatformTest_UseManualClock(1000);
  ASSERT_NE(SetTimer(hwnd_, 5, 50, nullptr), 0u);
  PlatformTest_AdvanceClock(60);
  InvalidateRect(hwnd_, nullptr, TRUE);
  PostQuitMessage(3);
  PostMessageW(hwnd_, WM_USER + 1, 0, 0);
  std::vector<UINT> order;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    order.push_back(msg.message);
    DispatchMessageW(&msg);
    if (msg.message == WM_TIMER) KillTimer(hwnd_, 5);
  }
  EXPECT_EQ(msg.wParam, 3u);
  // The quit comes once the posts are taken, before paint and timers.
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1}));
  order.clear();
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(msg.message);
    DispatchMessageW(&msg);
    if (msg.message == WM_TIMER) KillTimer(hwnd_, 5);
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_PAINT, WM_TIMER}));
}

TEST_F(Messages, ATimerFiresOnlyAfterItsTimeOnTheManualClock) {
  PlatformTest_UseManualClock(5000);
  ASSERT_NE(SetTimer(hwnd_, 1, 2000, nullptr), 0u);
  MSG msg;
  PlatformTest_AdvanceClock(1999);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  PlatformTest_AdvanceClock(1);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 1u);
  // One pending WM_TIMER per timer, however far the clock went.
  PlatformTest_AdvanceClock(10000);
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  // The same id replaces the timer; below the minimum the period is raised to 10 ms.
  ASSERT_NE(SetTimer(hwnd_, 1, 1, nullptr), 0u);
  PlatformTest_AdvanceClock(9);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  PlatformTest_AdvanceClock(1);
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_TRUE(KillTimer(hwnd_, 1));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(KillTimer(hwnd_, 1));
}

TEST_F(Messages, PostingAndSendingFailuresSayWhy) {
  SetLastError(kErrorMarker);
  EXPECT_FALSE(PostMessageW(hwnd_, WM_COPYDATA, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MESSAGE_SYNC_ONLY));
  SetLastError(kErrorMarker);
  EXPECT_EQ(SendMessageW(nullptr, WM_USER, 0, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  SetLastError(kErrorMarker);
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x7FFFFFF0), WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  for (int i = 0; i < 10000; ++i) ASSERT_TRUE(PostMessageW(hwnd_, WM_USER, i, 0)) << i;
  SetLastError(kErrorMarker);
  EXPECT_FALSE(PostMessageW(hwnd_, WM_USER, 10000, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_QUOTA));
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

TEST_F(Messages, ASendToAThreadThatDoesNotPumpTimesOut) {
  PlatformTest_UseManualClock(1000);
  DWORD_PTR result = 5;
  std::atomic<bool> done{false};
  std::thread sender([&] {
    SetLastError(kErrorMarker);
    EXPECT_EQ(SendMessageTimeoutW(hwnd_, WM_USER, 0, 0, SMTO_NORMAL, 500, &result), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    done = true;
  });
  // Real pauses (Sleep would move the frozen clock): the sender takes its deadline first.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  PlatformTest_AdvanceClock(400);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(done.load());
  PlatformTest_AdvanceClock(200);
  sender.join();
  EXPECT_EQ(result, 0u);
  desktoptest::PumpWaiting();
  EXPECT_TRUE(Journal::Get().Messages({WM_USER}).empty());  // withdrawn, never handled
}

TEST_F(Messages, ASenderIsReleasedWhenTheWindowGoes) {
  std::atomic<LRESULT> result{1};
  std::atomic<DWORD> error{0};
  std::thread sender([&] {
    SetLastError(kErrorMarker);
    result = SendMessageW(hwnd_, WM_USER + 9, 0, 0);
    error = GetLastError();
  });
  AwaitPendingSend();  // the window goes while the send waits for it
  DestroyWindow(hwnd_);
  sender.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(error.load(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Messages, CopyDataIsCopiedAtSendTime) {
  // Two threads send through one shared record, as a process-wide announcement buffer would;
  // each send carries its own bytes.
  std::vector<std::u16string> received;
  std::mutex lock;
  Journal::Get().answer = [&](HWND, UINT message, WPARAM, LPARAM lParam, bool& handled) -> LRESULT {
    if (message != WM_COPYDATA) return 0;
    handled = true;
    const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    std::lock_guard<std::mutex> guard(lock);
    received.emplace_back(static_cast<const WCHAR*>(data->lpData), data->cbData / 2 - 1);
    return TRUE;
  };
  static WCHAR shared[260];
  static COPYDATASTRUCT record{0, sizeof shared, shared};
  std::mutex sendLock;
  auto send = [&](const std::u16string& name) {
    std::lock_guard<std::mutex> guard(sendLock);  // the record is filled then sent
    std::memset(shared, 0, sizeof shared);
    std::memcpy(shared, name.c_str(), (name.size() + 1) * 2);
    std::thread([&] { SendMessageW(hwnd_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record)); }).detach();
    // Once the send waits in this thread's queue its bytes have been taken.
    while (!PendingSends()) std::this_thread::yield();
    std::memcpy(shared, u"Overwritten", 24);  // a later change is never seen
    desktoptest::PumpWaiting();
  };
  send(u"Printer One");
  send(u"Printer Two");
  desktoptest::PumpWaiting();  // the handler runs on this thread: both are in once it returns
  std::lock_guard<std::mutex> guard(lock);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].substr(0, 11), u"Printer One");
  EXPECT_EQ(received[1].substr(0, 11), u"Printer Two");
}

TEST_F(Messages, ThreadMessagesNeedAQueueAndAreNotDispatched) {
  std::atomic<DWORD> threadId{0};
  std::atomic<bool> stop{false};
  std::thread plain([&] {
    threadId = GetCurrentThreadId();
    while (!stop) Sleep(1);
  });
  while (!threadId) Sleep(1);
  SetLastError(kErrorMarker);
  EXPECT_FALSE(PostThreadMessageW(threadId, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
  stop = true;
  plain.join();

  EXPECT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_USER + 4, 1, 2));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 4));
  EXPECT_EQ(DispatchMessageW(&msg), 0);
  EXPECT_TRUE(Journal::Get().Messages({WM_USER + 4}).empty());
}

TEST_F(Messages, RegisteredMessagesHaveOneNumberPerName) {
  UINT taskbar = RegisterWindowMessageW(u"TaskbarCreated");
  EXPECT_GE(taskbar, 0xC000u);
  EXPECT_LE(taskbar, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessageW(u"taskbarcreated"), taskbar);
  EXPECT_NE(RegisterWindowMessageW(u"Another"), taskbar);
  SetLastError(kErrorMarker);
  EXPECT_EQ(RegisterWindowMessageW(u""), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Messages, MsgWaitEndsOnAnObjectOrAMessage) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), static_cast<DWORD>(WAIT_TIMEOUT));
  PostMessageW(hwnd_, WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
  desktoptest::PumpWaiting();
  SetEvent(event);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0);
  CloseHandle(event);
}

}  // namespace
