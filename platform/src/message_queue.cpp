// Message queues of the process's threads: posting, sending, retrieval and dispatch.
// A thread's messages come out in this order: sent messages (handled, never returned), posted
// messages in order, input, sent messages again, WM_PAINT, WM_TIMER; WM_QUIT once no posted
// message is left. The status monitor tells posted from sent announcements by exactly this.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <win/process.h>
#include <win/user.h>

#include "internal/desktop.h"
#include "internal/unicode.h"
#include "internal/waitable.h"

namespace plat::desktop {

namespace {

constexpr DWORD kPollMs = 2;

bool IsSyncOnly(UINT message) { return message == WM_COPYDATA || message == WM_SETTEXT || message == WM_GETTEXT; }

bool InRange(UINT message, UINT low, UINT high) {
  if (low == 0 && high == 0) return true;
  return message >= low && message <= high;
}

// hwnd filter: NULL any message of the thread, (HWND)-1 thread messages only, else the window
// and its children.
bool MatchesWindowLocked(HWND messageWindow, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) return messageWindow == nullptr;
  for (HWND h = messageWindow; h;) {
    if (h == filter) return true;
    std::shared_ptr<Window> w = LocalWindowLocked(h);
    h = w ? w->parent : nullptr;
  }
  return false;
}

bool Matches(const MSG& msg, HWND filter, UINT low, UINT high) {
  return MatchesWindowLocked(msg.hwnd, filter) && InRange(msg.message, low, high);
}

// The receiver's own copy of what a sent message's parameters point to.
void PackLocal(SentMessage& message) {
  if (message.message == WM_COPYDATA && message.lParam) {
    const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(message.lParam);
    message.copyData = *data;
    if (data->cbData && data->lpData) {
      message.payload.assign(static_cast<const BYTE*>(data->lpData), static_cast<const BYTE*>(data->lpData) + data->cbData);
      message.copyData.lpData = message.payload.data();
    } else {
      message.copyData.lpData = nullptr;
    }
    message.lParam = reinterpret_cast<LPARAM>(&message.copyData);
  } else if (message.message == WM_SETTEXT && message.lParam) {
    std::u16string_view text = WideView(reinterpret_cast<const WCHAR*>(message.lParam));
    message.payload.assign(reinterpret_cast<const BYTE*>(text.data()),
                           reinterpret_cast<const BYTE*>(text.data() + text.size()));
    message.payload.push_back(0);
    message.payload.push_back(0);
    message.lParam = reinterpret_cast<LPARAM>(message.payload.data());
  } else if (message.message == WM_GETTEXT && message.lParam) {
    message.payload.assign(static_cast<size_t>(message.wParam) * sizeof(WCHAR), 0);
    message.lParam = message.wParam ? reinterpret_cast<LPARAM>(message.payload.data()) : 0;
  }
}

std::shared_ptr<ThreadQueue> QueueIfAnyLocked() { return QueueLocked(CurrentThreadId()); }

bool AnyPaintLocked(const ThreadQueue& queue, HWND filter, HWND& out) {
  for (auto& [hwnd, window] : StateLocked().windows) {
    if (window->threadId == queue.threadId && window->needsPaint && !window->destroying &&
        MatchesWindowLocked(hwnd, filter)) {
      out = hwnd;
      return true;
    }
  }
  return false;
}

Timer* DueTimerLocked(ThreadQueue& queue, HWND filter, unsigned long long now) {
  for (Timer& timer : queue.timers)
    if (timer.due <= now && MatchesWindowLocked(timer.hwnd, filter)) return &timer;
  return nullptr;
}

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = static_cast<DWORD>(ClockNow());
  return msg;
}

// One look at the queue after the sent messages: what GetMessage/PeekMessage would return.
bool TakeLocked(ThreadQueue& queue, MSG& out, HWND filter, UINT low, UINT high, bool remove, bool& handledSent) {
  handledSent = false;
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!Matches(*it, filter, low, high)) continue;
    out = *it;
    if (remove) queue.posted.erase(it);
    return true;
  }
  if (queue.quit && queue.posted.empty()) {
    out = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
    if (remove) queue.quit = false;
    return true;
  }
  for (auto it = queue.input.begin(); it != queue.input.end(); ++it) {
    if (!Matches(*it, filter, low, high)) continue;
    out = *it;
    if (remove) queue.input.erase(it);
    return true;
  }
  if (InRange(WM_MOUSEHOVER, low, high) && TakeHoverLocked(queue, filter, remove, out)) return true;
  if (!queue.sent.empty()) {
    handledSent = true;
    return false;
  }
  HWND paint = nullptr;
  if (InRange(WM_PAINT, low, high) && AnyPaintLocked(queue, filter, paint)) {
    out = MakeMessage(paint, WM_PAINT, 0, 0);
    return true;
  }
  if (InRange(WM_TIMER, low, high)) {
    unsigned long long now = ClockNow();
    if (Timer* timer = DueTimerLocked(queue, filter, now)) {
      out = MakeMessage(timer->hwnd, WM_TIMER, timer->id, reinterpret_cast<LPARAM>(timer->proc));
      // One pending WM_TIMER per timer: the next one falls due a whole period after this one is taken.
      if (remove) timer->due = now + timer->elapse;
      return true;
    }
  }
  return false;
}

bool Retrieve(LPMSG msg, HWND filter, UINT low, UINT high, bool remove, bool wait) {
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  for (;;) {
    plat::SuspensionPoint();
    while (HandleOneSent(queue)) {
    }
    std::unique_lock<std::mutex> lock(Lock());
    bool sentArrived = false;
    MSG out{};
    if (TakeLocked(*queue, out, filter, low, high, remove, sentArrived)) {
      queue->lastMessageTime = out.time;
      *msg = out;
      return true;
    }
    if (sentArrived) continue;
    if (!wait) return false;
    queue->changed.wait_for(lock, std::chrono::milliseconds(kPollMs));
  }
}

}  // namespace

bool PostToThread(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<ThreadQueue> queue = QueueLocked(threadId);
  if (!queue) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return false;
  }
  // Inside the platform's own modal loops a thread message is never seen by the thread's loop.
  if (queue->platformModal > 0) return true;
  if (queue->posted.size() >= kPostedLimit) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return false;
  }
  queue->posted.push_back(MakeMessage(nullptr, message, wParam, lParam));
  queue->changed.notify_all();
  return true;
}

bool PostLocal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<Window> window = LocalWindowLocked(hwnd);
  if (!window || window->destroying) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (window->queue->posted.size() >= kPostedLimit) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return false;
  }
  window->queue->posted.push_back(MakeMessage(hwnd, message, wParam, lParam));
  window->queue->changed.notify_all();
  return true;
}

void CancelSentLocked(HWND hwnd) {
  for (auto& [tid, queue] : StateLocked().queues) {
    for (auto it = queue->sent.begin(); it != queue->sent.end();) {
      if ((*it)->hwnd != hwnd) {
        ++it;
        continue;
      }
      (*it)->done = true;
      (*it)->error = ERROR_INVALID_WINDOW_HANDLE;
      (*it)->doneSignal.notify_all();
      if ((*it)->sender) (*it)->sender->changed.notify_all();
      it = queue->sent.erase(it);
    }
  }
}

bool HandleOneSent(const std::shared_ptr<ThreadQueue>& queue) {
  std::shared_ptr<SentMessage> message;
  {
    std::lock_guard<std::mutex> guard(Lock());
    if (queue->sent.empty()) return false;
    message = queue->sent.front();
    queue->sent.pop_front();
    message->started = true;
    queue->handling.push_back(message.get());
  }
  LRESULT result = 0;
  DWORD error = 0;
  if (message->action) {
    result = message->action();
  } else {
    bool alive;
    {
      std::lock_guard<std::mutex> guard(Lock());
      std::shared_ptr<Window> window = LocalWindowLocked(message->hwnd);
      alive = window && !window->destroying;
    }
    if (alive)
      result = CallProcedure(message->hwnd, message->message, message->wParam, message->lParam);
    else
      error = ERROR_INVALID_WINDOW_HANDLE;
  }
  std::lock_guard<std::mutex> guard(Lock());
  queue->handling.pop_back();
  message->result = result;
  message->error = error;
  message->done = true;
  message->doneSignal.notify_all();
  if (message->sender) message->sender->changed.notify_all();
  return true;
}

bool SendToThread(const std::shared_ptr<SentMessage>& message, DWORD timeoutMs) {
  std::shared_ptr<ThreadQueue> sender;
  {
    std::lock_guard<std::mutex> guard(Lock());
    sender = QueueIfAnyLocked();
  }
  unsigned long long deadline = ClockNow() + timeoutMs;
  std::unique_lock<std::mutex> lock(Lock());
  std::shared_ptr<Window> window = LocalWindowLocked(message->hwnd);
  if (!window || window->destroying) {
    message->error = ERROR_INVALID_WINDOW_HANDLE;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  std::shared_ptr<ThreadQueue> receiver = window->queue;
  message->sender = sender;
  receiver->sent.push_back(message);
  receiver->changed.notify_all();
  while (!message->done) {
    if (sender && !sender->sent.empty()) {
      // A waiting sender handles what is sent to it, so two threads sending to each other
      // never lock up.
      lock.unlock();
      while (HandleOneSent(sender)) {
      }
      lock.lock();
      continue;
    }
    if (timeoutMs != INFINITE && ClockNow() >= deadline) {
      auto it = std::find(receiver->sent.begin(), receiver->sent.end(), message);
      if (it != receiver->sent.end()) receiver->sent.erase(it);
      message->error = ERROR_TIMEOUT;
      SetLastError(ERROR_TIMEOUT);
      return false;
    }
    if (sender)
      sender->changed.wait_for(lock, std::chrono::milliseconds(kPollMs));
    else
      message->doneSignal.wait_for(lock, std::chrono::milliseconds(kPollMs));
  }
  if (message->error) {
    SetLastError(message->error);
    return false;
  }
  return true;
}

LRESULT CallProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = LocalWindowLocked(hwnd);
    if (window) proc = window->proc;
  }
  return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

}  // namespace plat::desktop

using namespace plat::desktop;

namespace {

// A send to any window of the machine; FALSE with the error.
bool Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, LRESULT& result) {
  result = 0;
  if (!hwnd) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (hwnd == HWND_BROADCAST) {
    for (const WindowRecord& record : AllRecords()) {
      if (!IsTopLevel(record)) continue;
      LRESULT ignored;
      DWORD saved = GetLastError();
      Send(record.hwnd, message, wParam, lParam, timeoutMs, ignored);
      SetLastError(saved);
    }
    return true;
  }
  std::shared_ptr<Window> window;
  {
    std::lock_guard<std::mutex> guard(Lock());
    window = LocalWindowLocked(hwnd);
    if (window && window->destroying) window = nullptr;
  }
  if (window) {
    if (window->threadId == CurrentThreadId()) {
      result = CallProcedure(hwnd, message, wParam, lParam);
      return true;
    }
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    PackLocal(*sent);
    if (!SendToThread(sent, timeoutMs)) return false;
    result = sent->result;
    if (message == WM_GETTEXT && lParam && wParam) {
      size_t units = std::min<size_t>(sent->payload.size() / sizeof(WCHAR), wParam);
      std::memcpy(reinterpret_cast<void*>(lParam), sent->payload.data(), units * sizeof(WCHAR));
      reinterpret_cast<WCHAR*>(lParam)[units - 1] = 0;
    }
    return true;
  }
  WindowRecord record;
  if (!ReadRecord(hwnd, record)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  return RemoteSend(record, message, wParam, lParam, timeoutMs, result);
}

bool PostTo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  bool local;
  {
    std::lock_guard<std::mutex> guard(Lock());
    local = LocalWindowLocked(hwnd) != nullptr;
  }
  if (local) return PostLocal(hwnd, message, wParam, lParam);
  WindowRecord record;
  if (!ReadRecord(hwnd, record)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  return RemotePost(record, message, wParam, lParam);
}

// The host process a thread id belongs to (thread ids are host thread ids); 0 when none.
int ThreadProcess(DWORD threadId) {
  if (!threadId) return 0;
  std::ifstream status("/proc/" + std::to_string(threadId) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Tgid:", 0) == 0) return std::atoi(line.c_str() + 5);
  return 0;
}

bool HasWork(const std::shared_ptr<ThreadQueue>& queue, DWORD mask) {
  std::lock_guard<std::mutex> guard(Lock());
  if ((mask & QS_POSTMESSAGE) && (!queue->posted.empty() || queue->quit)) return true;
  MSG hover;
  if ((mask & QS_INPUT) && (!queue->input.empty() || TakeHoverLocked(*queue, nullptr, false, hover))) return true;
  HWND paint;
  if ((mask & QS_PAINT) && AnyPaintLocked(*queue, nullptr, paint)) return true;
  if ((mask & QS_TIMER) && DueTimerLocked(*queue, nullptr, ClockNow())) return true;
  return false;
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (IsSyncOnly(Msg)) {
    SetLastError(ERROR_MESSAGE_SYNC_ONLY);
    return FALSE;
  }
  if (!hWnd) {
    CurrentQueue();
    return PostToThread(CurrentThreadId(), Msg, wParam, lParam);
  }
  if (hWnd == HWND_BROADCAST) {
    DWORD saved = GetLastError();
    for (const WindowRecord& record : AllRecords())
      if (IsTopLevel(record)) PostTo(record.hwnd, Msg, wParam, lParam);
    SetLastError(saved);
    return TRUE;
  }
  return PostTo(hWnd, Msg, wParam, lParam);
}

WINBASEAPI BOOL WINAPI PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (IsSyncOnly(Msg)) {
    SetLastError(ERROR_MESSAGE_SYNC_ONLY);
    return FALSE;
  }
  int owner = ThreadProcess(idThread);
  if (owner > 0 && owner != getpid()) return RemotePostThread(owner, idThread, Msg, wParam, lParam);
  return PostToThread(idThread, Msg, wParam, lParam);
}

WINBASEAPI void WINAPI PostQuitMessage(int nExitCode) {
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  std::lock_guard<std::mutex> guard(Lock());
  queue->quit = true;
  queue->quitCode = nExitCode;
  queue->changed.notify_all();
}

WINBASEAPI LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  return Send(hWnd, Msg, wParam, lParam, INFINITE, result) ? result : 0;
}

WINBASEAPI LRESULT WINAPI SendMessageTimeoutW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT, UINT uTimeout,
                                              PDWORD_PTR lpdwResult) {
  LRESULT result = 0;
  bool ok = Send(hWnd, Msg, wParam, lParam, uTimeout == INFINITE ? INFINITE - 1 : uTimeout, result);
  if (lpdwResult) *lpdwResult = ok ? static_cast<DWORD_PTR>(result) : 0;
  return ok ? 1 : 0;
}

WINBASEAPI BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (!lpMsg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (hWnd && hWnd != reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) && !IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  Retrieve(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true, true);
  return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

WINBASEAPI BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  if (!lpMsg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Retrieve(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0, false) ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI WaitMessage(void) {
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  for (;;) {
    if (HandleOneSent(queue)) return TRUE;
    if (HasWork(queue, QS_ALLEVENTS)) return TRUE;
    std::unique_lock<std::mutex> lock(Lock());
    queue->changed.wait_for(lock, std::chrono::milliseconds(kPollMs));
  }
}

WINBASEAPI LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
  if (!lpMsg || !lpMsg->hwnd) return 0;  // thread messages have no window procedure
  if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
    reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, static_cast<DWORD>(ClockNow()));
    return 0;
  }
  {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Window> window = LocalWindowLocked(lpMsg->hwnd);
    if (!window || window->threadId != CurrentThreadId()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
  }
  return CallProcedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

WINBASEAPI BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
  WPARAM key = lpMsg->wParam;
  WCHAR character = 0;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || key == ' ') character = static_cast<WCHAR>(key);
  else if (key == 0x0D) character = u'\r';
  else if (key == 0x1B) character = 0x1B;
  else if (key == 0x08) character = 0x08;
  if (key >= 'A' && key <= 'Z') character = static_cast<WCHAR>(key - 'A' + 'a');
  if (!character || lpMsg->message == WM_SYSKEYDOWN) return TRUE;
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  std::lock_guard<std::mutex> guard(Lock());
  MSG msg = MakeMessage(lpMsg->hwnd, WM_CHAR, character, lpMsg->lParam);
  queue->posted.push_front(msg);
  queue->changed.notify_all();
  return TRUE;
}

WINBASEAPI LRESULT WINAPI CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

WINBASEAPI BOOL WINAPI InSendMessage(void) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<ThreadQueue> queue = QueueIfAnyLocked();
  return queue && !queue->handling.empty();
}

WINBASEAPI DWORD WINAPI GetMessageTime(void) {
  std::lock_guard<std::mutex> guard(Lock());
  std::shared_ptr<ThreadQueue> queue = QueueIfAnyLocked();
  return queue ? queue->lastMessageTime : 0;
}

// The high word says what waits in the thread's queue now. The low word should say what came
// since the last look; the stand-in keeps no such mark and answers the same bits.
WINBASEAPI DWORD WINAPI GetQueueStatus(UINT flags) {
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  DWORD status = 0;
  {
    std::lock_guard<std::mutex> guard(Lock());
    if (!queue->sent.empty()) status |= QS_SENDMESSAGE;
  }
  for (DWORD kind : {static_cast<DWORD>(QS_POSTMESSAGE), static_cast<DWORD>(QS_INPUT), static_cast<DWORD>(QS_PAINT),
                     static_cast<DWORD>(QS_TIMER)})
    if (HasWork(queue, kind)) status |= kind;
  status &= flags;
  return (status << 16) | status;
}

WINBASEAPI DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                                  DWORD dwMilliseconds, DWORD dwWakeMask) {
  if (nCount > MAXIMUM_WAIT_OBJECTS - 1 || (nCount && !pHandles)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::shared_ptr<ThreadQueue> queue = CurrentQueue();
  unsigned long long deadline = ClockNow() + dwMilliseconds;
  for (;;) {
    plat::SuspensionPoint();
    while (HandleOneSent(queue)) {
    }
    if (nCount) {
      DWORD result = WaitForMultipleObjects(nCount, pHandles, fWaitAll, 0);
      if (result != static_cast<DWORD>(WAIT_TIMEOUT)) return result;
    }
    if (HasWork(queue, dwWakeMask)) return WAIT_OBJECT_0 + nCount;
    if (dwMilliseconds != INFINITE && ClockNow() >= deadline) return WAIT_TIMEOUT;
    std::unique_lock<std::mutex> lock(Lock());
    queue->changed.wait_for(lock, std::chrono::milliseconds(kPollMs));
  }
}

}  // extern "C"
