// The machine's desktop as one process holds it: its window classes, its windows, the message
// queues of its threads, and its part of the machine-wide desktop under <root>/desktop:
//   desktop/windows/<hwnd>   one readable record per live window (owner process, class, text,
//                            styles, rectangle, z-order, properties), rewritten on each change,
//                            so every process finds and reads every window;
//   desktop/peers/<pid>.sock the process's peer socket, through which other processes post and
//                            send to its windows and run calls on their threads;
//   desktop/counter          the machine-wide sequence that numbers windows and their z-order.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <win/user.h>

namespace plat::desktop {

struct ThreadQueue;

struct WindowClass {
  std::u16string name;
  WNDCLASSW info{};
  std::u16string menuName;
  std::vector<BYTE> extra;
  ATOM atom = 0;
};

struct Window {
  HWND hwnd = nullptr;
  DWORD threadId = 0;
  std::shared_ptr<ThreadQueue> queue;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // the parent of a child window
  HWND owner = nullptr;   // the owner of a top-level window
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  RECT rect{};
  std::u16string text;
  std::vector<std::pair<std::u16string, HANDLE>> props;
  std::vector<BYTE> extra;
  HICON smallIcon = nullptr;  // WM_SETICON's two icons, the window's own (never destroyed here)
  HICON bigIcon = nullptr;
  unsigned long long z = 0;
  bool messageOnly = false;
  bool destroying = false;
  bool needsPaint = false;
  bool erase = false;
};

// A message sent to a window of another thread (or run there on its behalf), waiting to be
// handled by the receiving thread.
struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  // The receiver's own copy of what the parameters point to.
  std::vector<BYTE> payload;
  COPYDATASTRUCT copyData{};
  // A call made on the window's thread (ShowWindow on another process's window...), instead of
  // the window procedure.
  std::function<LRESULT()> action;
  std::shared_ptr<ThreadQueue> sender;  // null for a send that came from another process
  std::condition_variable doneSignal;
  bool started = false;
  bool done = false;
  LRESULT result = 0;
  DWORD error = 0;
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  unsigned long long due = 0;
};

constexpr size_t kPostedLimit = 10000;

struct ThreadQueue {
  DWORD threadId = 0;
  std::condition_variable changed;
  std::deque<MSG> posted;
  std::deque<MSG> input;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::vector<SentMessage*> handling;  // the sent messages this thread is inside
  std::vector<Timer> timers;
  bool quit = false;
  int quitCode = 0;
  int platformModal = 0;  // inside a modal loop of the platform: thread messages are lost
  HWND focus = nullptr;
  HWND active = nullptr;
  DWORD lastMessageTime = 0;
  // TrackMouseEvent: the tracked window, what is asked (TME_HOVER, TME_LEAVE), the hover time,
  // and while the mouse rests on the window, when its WM_MOUSEHOVER falls due and where.
  HWND trackHwnd = nullptr;
  DWORD trackFlags = 0;
  DWORD hoverTime = 400;
  unsigned long long hoverDue = 0;
  POINT hoverPoint{};
};

// Everything above is guarded by this one lock. Window procedures are never called under it.
std::mutex& Lock();

struct State {
  std::string root;
  std::map<HWND, std::shared_ptr<Window>> windows;
  std::map<DWORD, std::shared_ptr<ThreadQueue>> queues;
  std::vector<std::shared_ptr<WindowClass>> classes;
  bool firstShowTaken = false;
  bool systemClassesRegistered = false;  // the dialog class and the controls, made on first lookup
};
// The state for the current machine; a switch to another machine forgets windows and queues.
State& StateLocked();

std::shared_ptr<Window> LocalWindowLocked(HWND hwnd);
// The calling thread's queue, made on first use (which also joins the machine's desktop).
std::shared_ptr<ThreadQueue> CurrentQueue();
std::shared_ptr<ThreadQueue> QueueLocked(DWORD threadId);
DWORD CurrentThreadId();

// ---- Machine-wide records -------------------------------------------------------------------------
struct WindowRecord {
  HWND hwnd = nullptr;
  int pid = 0;
  unsigned long long start = 0;
  DWORD threadId = 0;
  std::u16string className;
  std::u16string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;
  HWND owner = nullptr;
  LONG_PTR id = 0;
  RECT rect{};
  unsigned long long z = 0;
  bool messageOnly = false;
  std::vector<std::pair<std::u16string, HANDLE>> props;
};

unsigned long long NextSequence();
void WriteRecordLocked(const Window& window);
void RemoveRecord(HWND hwnd);
// A live window of any process of the machine.
bool ReadRecord(HWND hwnd, WindowRecord& record);
// Every live window of the machine, in z-order (topmost band first, then the most recent).
std::vector<WindowRecord> AllRecords();
bool IsTopLevel(const WindowRecord& record);
inline HWND ToHwnd(unsigned long long value) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(value)); }
inline unsigned long long FromHwnd(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }

// Registers the process with the machine and opens its peer socket.
void JoinDesktop();

// ---- Other processes ----------------------------------------------------------------------------
// Posts to a window of another process. FALSE with the error.
bool RemotePost(const WindowRecord& target, UINT message, WPARAM wParam, LPARAM lParam);
// Posts to a thread of another process of the machine; ERROR_INVALID_THREAD_ID when that
// process is not on the desktop or the thread has no queue.
bool RemotePostThread(int pid, DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// Sends to a window of another process and waits, handling what is sent to the caller.
// timeoutMs INFINITE waits without end; a timeout gives ERROR_TIMEOUT.
bool RemoteSend(const WindowRecord& target, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs,
                LRESULT& result);
// Runs one of the calls that act on another process's window on that window's thread.
enum class RemoteCall : DWORD { ShowWindow = 1, SetWindowPos = 2, SetForeground = 3 };
bool RemoteInvoke(const WindowRecord& target, RemoteCall call, const std::vector<LONG_PTR>& args, LRESULT& result);
// Queues injected input for a window of another process (see QueueInputLocal).
bool RemoteInput(const WindowRecord& target, UINT message, WPARAM wParam, LPARAM lParam, POINT pt, bool key);
// Runs a call on the owning thread of a window of this process (directly on that thread).
LRESULT InvokeOnWindowThread(HWND hwnd, RemoteCall call, const std::vector<LONG_PTR>& args, DWORD& error);

// ---- Queues -----------------------------------------------------------------------------------------
// Queues a sent message to a window of this process owned by another thread and waits for it.
// FALSE with ERROR_INVALID_WINDOW_HANDLE when the window goes, ERROR_TIMEOUT after timeoutMs.
bool SendToThread(const std::shared_ptr<SentMessage>& message, DWORD timeoutMs);
// Handles one message sent to the calling thread; false when none was waiting.
bool HandleOneSent(const std::shared_ptr<ThreadQueue>& queue);
// Posts to a window of this process.
bool PostLocal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Posts to a thread of this process; ERROR_INVALID_THREAD_ID when it has no queue.
bool PostToThread(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// Queues injected input for a window of this process, in its thread's input queue: a mouse
// message for the window itself, a key (key true) for the focus window of the window's thread
// when that lies in the window, else the window. WM_MOUSELEAVE is queued only when the window
// tracks the mouse's leave.
bool QueueInputLocal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, POINT pt, bool key);
// The WM_MOUSEHOVER of the thread's tracked window once due, as the queue hands out input.
bool TakeHoverLocked(ThreadQueue& queue, HWND filter, bool remove, MSG& out);
// Ends the sent messages still waiting for a window that is being destroyed.
void CancelSentLocked(HWND hwnd);
// Wakes every thread of the process that waits on its queue.
void WakeAllLocked();

// The window procedure call, with the marshalled copies in place.
LRESULT CallProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The machine's clock in ms (GetTickCount64, which a test may freeze and advance).
unsigned long long ClockNow();

// One JSON line in the machine's call log.
void LogCall(const std::string& jsonObjectBody);
std::string JsonString(std::u16string_view text);

}  // namespace plat::desktop
