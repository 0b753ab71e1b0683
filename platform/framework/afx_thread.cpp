// CWinThread and CWinApp: the message loop with pre-translation, threads that return from
// their start only once they have a message queue, the application object and its globals.
#include <cstdio>
#include <mutex>

#include "afxwin.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

namespace {

CWinApp* g_app = nullptr;
HINSTANCE g_resources = nullptr;
thread_local CWinThread* t_thread = nullptr;

// The text after the program's own token and the blanks that follow it, as WinMain gets it.
std::u16string AfterProgram(std::u16string_view line) {
  size_t i = 0;
  if (!line.empty() && line[0] == u'"') {
    size_t close = line.find(u'"', 1);
    i = close == std::u16string_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && line[i] != u' ' && line[i] != u'\t') ++i;
  }
  while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
  return std::u16string(line.substr(i));
}

}  // namespace

const AFX_MSGMAP* CWinThread::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
  static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, entries};
  return &map;
}
const AFX_MSGMAP* CWinThread::GetMessageMap() const { return GetThisMessageMap(); }

CWinThread::~CWinThread() {
  if (m_hThread) CloseHandle(m_hThread);
  if (m_started) CloseHandle(m_started);
  if (m_handed) CloseHandle(m_handed);
}

DWORD WINAPI CWinThread::ThreadEntry(LPVOID self) {
  CWinThread* thread = static_cast<CWinThread*>(self);
  t_thread = thread;
  MSG msg;
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue, before the creator goes on
  ::SetEvent(thread->m_started);
  // Runs on only once the creator has taken its handle: an auto-deleting thread may end at once.
  ::WaitForSingleObject(thread->m_handed, INFINITE);
  int code;
  if (thread->m_pfnThreadProc) {
    code = static_cast<int>(thread->m_pfnThreadProc(thread->m_pThreadParams));
  } else if (thread->InitInstance()) {
    code = thread->Run();
  } else {
    code = thread->ExitInstance();
  }
  t_thread = nullptr;
  if (thread->m_bAutoDelete) delete thread;
  return static_cast<DWORD>(code);
}

BOOL CWinThread::CreateThread(DWORD flags, UINT stackSize, LPSECURITY_ATTRIBUTES security) {
  if (flags & CREATE_SUSPENDED) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  m_started = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_handed = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!m_started || !m_handed) return FALSE;
  DWORD id = 0;
  HANDLE handle = ::CreateThread(security, stackSize, &ThreadEntry, this, 0, &id);
  if (!handle) return FALSE;
  ::WaitForSingleObject(m_started, INFINITE);
  m_hThread = handle;
  m_nThreadID = id;
  ::SetEvent(m_handed);
  return TRUE;
}

BOOL CWinThread::PumpMessage() {
  MSG msg;
  BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
  if (got <= 0) {
    m_exitCode = static_cast<int>(msg.wParam);
    return FALSE;
  }
  if (!PreTranslateMessage(&msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return TRUE;
}

int CWinThread::Run() {
  while (PumpMessage()) {
  }
  return ExitInstance();
}

BOOL CWinThread::PreTranslateMessage(MSG* msg) {
  if (!msg->hwnd) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(msg->message, 0, 0);
    if (entry && entry->nSig == AfxSig_vwl) {
      (this->*reinterpret_cast<void (CWinThread::*)(WPARAM, LPARAM)>(entry->pfn))(msg->wParam, msg->lParam);
      return TRUE;
    }
    return FALSE;
  }
  CWnd* mainObject = m_pMainWnd ? m_pMainWnd : AfxGetMainWnd();
  HWND main = mainObject ? mainObject->m_hWnd : nullptr;
  for (HWND h = msg->hwnd; h && h != main; h = ::GetParent(h)) {
    CWnd* wnd = CWnd::FromHandlePermanent(h);
    if (wnd && wnd->PreTranslateMessage(msg)) return TRUE;
  }
  CWnd* mainWnd = CWnd::FromHandlePermanent(main);
  return mainWnd && mainWnd->PreTranslateMessage(msg);
}

CWinApp::CWinApp(LPCWSTR appName) {
  if (appName) {
    appName_ = appName;
    m_pszAppName = appName_.c_str();
  }
  m_bAutoDelete = FALSE;
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

void CWinApp::SetRegistryKey(LPCWSTR key) {
  registryKey_ = key ? key : u"";
  m_pszRegistryKey = registryKey_.c_str();
}

int AfxWinMain() {
  CWinApp* app = g_app;
  if (!app) return -1;
  app->m_hInstance = ::GetModuleHandleW(nullptr);
  app->commandLine_ = AfterProgram(::GetCommandLineW());
  app->m_lpCmdLine = app->commandLine_.data();
  app->m_nCmdShow = SW_SHOWDEFAULT;  // the first show takes the start's show command
  app->m_nThreadID = ::GetCurrentThreadId();
  t_thread = app;
  MSG msg;
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  int code = app->InitInstance() ? app->Run() : app->ExitInstance();
  t_thread = nullptr;
  return code;
}

CWinApp* AfxGetApp() { return g_app; }
CWinThread* AfxGetThread() { return t_thread ? t_thread : g_app; }

CWnd* AfxGetMainWnd() {
  CWinThread* thread = AfxGetThread();
  if (thread && thread->m_pMainWnd) return thread->m_pMainWnd;
  return g_app ? g_app->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle() { return g_app && g_app->m_hInstance ? g_app->m_hInstance : ::GetModuleHandleW(nullptr); }
HINSTANCE AfxGetResourceHandle() { return g_resources ? g_resources : AfxGetInstanceHandle(); }
void AfxSetResourceHandle(HINSTANCE resources) { g_resources = resources; }

LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
  static std::mutex lock;
  static auto* names = new std::map<std::u16string, std::u16string>;
  char name[128];
  std::snprintf(name, sizeof name, "Afx:%p:%x:%p:%p:%p", static_cast<void*>(AfxGetInstanceHandle()), classStyle,
                static_cast<void*>(cursor), static_cast<void*>(background), static_cast<void*>(icon));
  std::u16string wide(name, name + std::char_traits<char>::length(name));
  std::lock_guard<std::mutex> guard(lock);
  auto it = names->find(wide);
  if (it != names->end()) return it->second.c_str();
  std::u16string& stored = (*names)[wide] = wide;
  WNDCLASSW cls{};
  cls.style = classStyle;
  cls.lpfnWndProc = &CWnd::AfxWndProc;
  cls.hInstance = AfxGetInstanceHandle();
  cls.hCursor = cursor;
  cls.hbrBackground = background;
  cls.hIcon = icon;
  cls.lpszClassName = stored.c_str();
  if (!::RegisterClassW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    names->erase(wide);
    return nullptr;
  }
  return stored.c_str();
}

CWinThread* AfxBeginThread(CRuntimeClass* threadClass, int, UINT stackSize, DWORD flags, LPSECURITY_ATTRIBUTES security) {
  if (!threadClass || !threadClass->IsDerivedFrom(RUNTIME_CLASS(CWinThread))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  CWinThread* thread = static_cast<CWinThread*>(threadClass->CreateObject());
  if (!thread) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!thread->CreateThread(flags, stackSize, security)) {
    delete thread;
    return nullptr;
  }
  return thread;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int, UINT stackSize, DWORD flags,
                           LPSECURITY_ATTRIBUTES security) {
  if (!proc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  CWinThread* thread = new CWinThread(proc, param);
  if (!thread->CreateThread(flags, stackSize, security)) {
    delete thread;
    return nullptr;
  }
  return thread;
}
