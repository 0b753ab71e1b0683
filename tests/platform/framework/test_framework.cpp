#include <gtest/gtest.h>

#include <afxwin.h>

#include <atomic>
#include <vector>

#include <win/system.h>

#include "temp_machine.h"

namespace {

std::vector<std::string> g_events;

class CTestApp : public CWinApp {
 public:
  CTestApp() : CWinApp(u"Test") {}
};

class CPanel : public CWnd {
 public:
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_USER + 1) g_events.push_back("panel pre");
    return FALSE;
  }
};

UINT g_registered = 0;

class CMainWindow : public CWnd {
 public:
  int OnCreate(LPCREATESTRUCTW create) {
    g_events.push_back("create " + std::to_string(m_hWnd != nullptr) + " " + std::to_string(create->cx));
    return 0;
  }
  LRESULT OnAnnounce(WPARAM wParam, LPARAM) {
    g_events.push_back("announce " + std::to_string(wParam));
    if (wParam == 99) EndModalLoop(7);
    return 5;
  }
  LRESULT OnRegistered(WPARAM, LPARAM) {
    g_events.push_back("registered");
    return 6;
  }
  void OnTimer(UINT_PTR id) { g_events.push_back("timer " + std::to_string(id)); }
  void OnPrint() { g_events.push_back("command"); }
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message >= WM_USER) g_events.push_back("main pre " + std::to_string(msg->message - WM_USER));
    return FALSE;
  }
  void PostNcDestroy() override { g_events.push_back("post nc destroy"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMainWindow, CWnd)
  ON_WM_CREATE()
  ON_MESSAGE(WM_USER + 20, OnAnnounce)
  ON_REGISTERED_MESSAGE(g_registered, OnRegistered)
  ON_WM_TIMER()
  ON_COMMAND(1001, OnPrint)
END_MESSAGE_MAP()

class CWorker : public CWinThread {
  DECLARE_DYNCREATE(CWorker)

 public:
  static std::atomic<int> received;
  static std::atomic<DWORD> exitThread;
  BOOL InitInstance() override { return TRUE; }
  int ExitInstance() override {
    exitThread = GetCurrentThreadId();
    return 3;
  }
  void OnQuery(WPARAM wParam, LPARAM) {
    received += static_cast<int>(wParam);
    if (wParam == 0) PostQuitMessage(0);
  }
  DECLARE_MESSAGE_MAP()
};
std::atomic<int> CWorker::received{0};
std::atomic<DWORD> CWorker::exitThread{0};

IMPLEMENT_DYNCREATE(CWorker, CWinThread)
BEGIN_MESSAGE_MAP(CWorker, CWinThread)
  ON_THREAD_MESSAGE(WM_USER + 5, OnQuery)
END_MESSAGE_MAP()

class Framework : public ::testing::Test {
 protected:
  void SetUp() override { g_events.clear(); }
  testsupport::TempMachine machine_;
  CTestApp app_;
};

TEST_F(Framework, RuntimeClassesCreateAndKnowTheirBases) {
  CObject* made = RUNTIME_CLASS(CWorker)->CreateObject();
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CWinThread)));
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(CWnd)));
  EXPECT_STREQ(made->GetRuntimeClass()->m_lpszClassName, "CWorker");
  delete made;
  EXPECT_EQ(RUNTIME_CLASS(CWinApp)->CreateObject(), nullptr);  // not made dynamically
}

TEST_F(Framework, MessageMapsRouteToTheirHandlers) {
  g_registered = RegisterWindowMessageW(u"TaskbarCreated");
  CMainWindow main;
  LPCWSTR cls = AfxRegisterWndClass(0);
  ASSERT_NE(cls, nullptr);
  ASSERT_TRUE(main.CreateEx(0, cls, u"Main", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200, nullptr, nullptr));
  EXPECT_EQ(CWnd::FromHandle(main.m_hWnd), &main);
  EXPECT_EQ(main.SendMessage(WM_USER + 20, 4), 5);
  EXPECT_EQ(main.SendMessage(g_registered), 6);
  main.SendMessage(WM_COMMAND, MAKELONG(1001, 0), 0);
  main.SendMessage(WM_TIMER, 9, 0);
  main.SetWindowText(u"Renamed");  // not in the map: the default procedure
  CString text;
  main.GetWindowText(text);
  EXPECT_EQ(text, CString(u"Renamed"));
  EXPECT_EQ(g_events, (std::vector<std::string>{"create 1 320", "announce 4", "registered", "command", "timer 9"}));
  main.DestroyWindow();
  EXPECT_EQ(main.m_hWnd, nullptr);
}

TEST_F(Framework, PreTranslationWalksFromTheWindowToTheMainWindowAndTheMainWindowsEndQuits) {
  CMainWindow main;
  ASSERT_TRUE(main.CreateEx(0, AfxRegisterWndClass(0), u"Main", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
  app_.m_pMainWnd = &main;
  CPanel panel;
  ASSERT_TRUE(panel.CreateEx(0, AfxRegisterWndClass(0), u"Panel", WS_CHILD, 0, 0, 10, 10, main.m_hWnd,
                             reinterpret_cast<HMENU>(5)));
  g_events.clear();
  ::PostMessageW(panel.m_hWnd, WM_USER + 1, 0, 0);
  ::PostMessageW(main.m_hWnd, WM_USER + 20, 1, 0);
  EXPECT_TRUE(app_.PumpMessage());
  EXPECT_TRUE(app_.PumpMessage());
  // A sent announcement is never pre-translated.
  main.SendMessage(WM_USER + 20, 2);
  EXPECT_EQ(g_events, (std::vector<std::string>{"panel pre", "main pre 1", "main pre 20", "announce 1", "announce 2"}));
  main.DestroyWindow();
  EXPECT_EQ(app_.m_pMainWnd, nullptr);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) {
  }
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(Framework, TheFrameworksModalLoopPreTranslatesEveryMessage) {
  CMainWindow main;
  ASSERT_TRUE(main.CreateEx(0, AfxRegisterWndClass(0), u"Main", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
  app_.m_pMainWnd = &main;
  g_events.clear();
  ::PostMessageW(main.m_hWnd, WM_USER + 20, 3, 0);
  ::PostMessageW(main.m_hWnd, WM_USER + 20, 99, 0);
  EXPECT_EQ(main.RunModalLoop(), 7);
  EXPECT_EQ(g_events, (std::vector<std::string>{"main pre 20", "announce 3", "main pre 20", "announce 99"}));
  app_.m_pMainWnd = nullptr;
  main.DestroyWindow();
}

TEST_F(Framework, AThreadBegunByClassHasItsQueueAtOnce) {
  CWorker::received = 0;
  CWinThread* thread = AfxBeginThread(RUNTIME_CLASS(CWorker));
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  HANDLE handle = thread->m_hThread;
  DWORD id = thread->m_nThreadID;
  EXPECT_TRUE(PostThreadMessageW(id, WM_USER + 5, 4, 0));  // right after: never ERROR_INVALID_THREAD_ID
  EXPECT_TRUE(PostThreadMessageW(id, WM_USER + 5, 0, 0));
  ASSERT_EQ(WaitForSingleObject(handle, 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(handle, &code));
  EXPECT_EQ(code, 3u);
  EXPECT_EQ(CWorker::received.load(), 4);
  EXPECT_EQ(CWorker::exitThread.load(), id);  // ExitInstance ran on the thread itself
  delete thread;
}

UINT CountTo(LPVOID param) {
  static_cast<std::atomic<int>*>(param)->store(42);
  return 8;
}

TEST_F(Framework, AThreadBegunByFunctionRunsIt) {
  // The thread deletes itself when its function returns, so only its effect is looked at.
  static std::atomic<int> value{0};
  ASSERT_NE(AfxBeginThread(CountTo, &value), nullptr);
  for (int i = 0; i < 30000 && value != 42; ++i) Sleep(1);
  EXPECT_EQ(value.load(), 42);
}

TEST(FrameworkValues, StringsAndRectangles) {
  CString s(u"Velmor K8000");
  EXPECT_EQ(s.GetLength(), 12);
  EXPECT_EQ(s.Left(6), CString(u"Velmor"));
  EXPECT_EQ(s.Mid(7), CString(u"K8000"));
  EXPECT_EQ(s.Right(4), CString(u"8000"));
  EXPECT_EQ(s.Find(u'K'), 7);
  EXPECT_EQ(s.Find(u"zz"), -1);
  EXPECT_EQ(s.CompareNoCase(u"VELMOR k8000"), 0);
  CString f;
  f.Format(u"%s:%d", u"id", 5);
  EXPECT_EQ(f, CString(u"id:5"));
  CRect r(10, 20, 110, 70);
  EXPECT_EQ(r.Width(), 100);
  EXPECT_EQ(r.Height(), 50);
  EXPECT_TRUE(r.PtInRect(CPoint(10, 20)));
  EXPECT_FALSE(r.PtInRect(CPoint(110, 20)));
  CPoint p(MAKELONG(static_cast<WORD>(-5), 7));
  EXPECT_EQ(p.x, -5);
  EXPECT_EQ(p.y, 7);
}

}  // namespace
