// The framework's drawing classes on real DCs and windows: GDI objects delete what they hold and
// nothing else, memory DCs draw into their bitmap, CPaintDC validates what it paints, and a
// parent's colour handler comes before its controls' own answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "afxwin.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

DWORD GdiCount() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

class DrawingClasses : public ::testing::Test {
 protected:
  testsupport::TempMachine machine_;
};

TEST_F(DrawingClasses, EachObjectDeletesWhatItHoldsUnlessDetached) {
  struct Kind {
    const char* name;
    std::function<bool(CGdiObject&)> make;
  };
  const std::vector<Kind> kinds = {
      {"pen", [](CGdiObject& o) { return static_cast<CPen&>(o).CreatePen(PS_SOLID, 3, RGB(1, 2, 3)) != FALSE; }},
      {"brush", [](CGdiObject& o) { return static_cast<CBrush&>(o).CreateSolidBrush(RGB(4, 5, 6)) != FALSE; }},
      {"font",
       [](CGdiObject& o) {
         LOGFONTW lf{};
         lf.lfHeight = -12;
         return static_cast<CFont&>(o).CreateFontIndirect(&lf) != FALSE;
       }},
      {"bitmap", [](CGdiObject& o) { return static_cast<CBitmap&>(o).CreateBitmap(4, 4, 1, 1, nullptr) != FALSE; }},
  };
  auto fresh = [](const char* name) -> std::unique_ptr<CGdiObject> {
    std::string n = name;
    if (n == "pen") return std::make_unique<CPen>();
    if (n == "brush") return std::make_unique<CBrush>();
    if (n == "font") return std::make_unique<CFont>();
    return std::make_unique<CBitmap>();
  };
  const DWORD before = GdiCount();
  for (const Kind& kind : kinds) {
    HGDIOBJ kept = nullptr;
    {
      std::unique_ptr<CGdiObject> owned = fresh(kind.name);
      ASSERT_TRUE(kind.make(*owned)) << kind.name;
      EXPECT_EQ(GdiCount(), before + 1) << kind.name;
      HGDIOBJ held = owned->m_hObject;
      EXPECT_FALSE(kind.make(*owned)) << kind.name << ": a held object is kept, never replaced";
      EXPECT_EQ(owned->m_hObject, held) << kind.name;
      EXPECT_EQ(GdiCount(), before + 1) << kind.name << ": and the refused one is not left behind";
    }
    EXPECT_EQ(GdiCount(), before) << kind.name;
    {
      std::unique_ptr<CGdiObject> given = fresh(kind.name);
      ASSERT_TRUE(kind.make(*given));
      kept = given->Detach();
    }
    EXPECT_NE(GetObjectType(kept), 0u) << kind.name << ": a detached object outlives its wrapper";
    EXPECT_TRUE(DeleteObject(kept));
    // Temporary wrappers never delete: the wrapped object stays usable.
    {
      std::unique_ptr<CGdiObject> owner = fresh(kind.name);
      ASSERT_TRUE(kind.make(*owner));
      CGdiObject* temporary = CGdiObject::FromHandle(owner->m_hObject);
      ASSERT_NE(temporary, nullptr);
      EXPECT_EQ(temporary->m_hObject, owner->m_hObject);
      EXPECT_EQ(CGdiObject::FromHandle(owner->m_hObject), temporary);
    }
    EXPECT_EQ(CGdiObject::FromHandle(nullptr), nullptr);
  }
  EXPECT_EQ(GdiCount(), before);
}

TEST_F(DrawingClasses, ObjectsAnswerWhatTheyWereMadeWith) {
  CFont font;
  LOGFONTW lf{};
  lf.lfHeight = -12;
  lf.lfUnderline = TRUE;
  std::u16string face = u"Arial";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  ASSERT_TRUE(font.CreateFontIndirect(&lf));
  LOGFONTW back{};
  EXPECT_EQ(font.GetLogFont(&back), static_cast<int>(sizeof(LOGFONTW)));
  EXPECT_EQ(back.lfHeight, -12);
  EXPECT_EQ(back.lfUnderline, TRUE);

  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmap(17, 5, 1, 1, nullptr));
  BITMAP info{};
  ASSERT_GT(bitmap.GetBitmap(&info), 0);
  EXPECT_EQ(info.bmWidth, 17);
  EXPECT_EQ(info.bmHeight, 5);

  CBrush stock;
  ASSERT_TRUE(stock.CreateStockObject(NULL_BRUSH));
  EXPECT_EQ(stock.GetObjectType(), static_cast<UINT>(OBJ_BRUSH));
}

TEST_F(DrawingClasses, AMemoryDcDrawsIntoItsBitmapAndGoesWithItsObject) {
  const DWORD before = GdiCount();
  {
    CClientDC screen(nullptr);
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(&screen));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(8, 8, 1, 32, nullptr));
    CBitmap* previous = memory.SelectObject(&bitmap);
    ASSERT_NE(previous, nullptr);
    BITMAP first{};
    previous->GetBitmap(&first);
    EXPECT_EQ(first.bmWidth, 1);  // a fresh memory DC holds its 1 x 1 monochrome bitmap
    CRect rect(2, 2, 6, 6);
    memory.FillSolidRect(rect, RGB(10, 200, 30));
    EXPECT_EQ(memory.GetPixel(3, 3), RGB(10, 200, 30));
    EXPECT_EQ(memory.GetPixel(0, 0), RGB(0, 0, 0));

    CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
    CPen* oldPen = memory.SelectObject(&pen);
    memory.MoveTo(0, 7);
    memory.LineTo(8, 7);
    EXPECT_EQ(memory.GetPixel(4, 7), RGB(255, 0, 0));
    memory.SelectObject(oldPen);
    memory.SelectObject(previous);
  }
  EXPECT_EQ(GdiCount(), before);  // DC, bitmap and pen all gone
}

// A main window that paints through CPaintDC and erases through its own handler.
class PaintedWindow : public CWnd {
 public:
  int paints = 0;
  int erases = 0;
  bool eraseHadDc = false;
  void OnPaint() {
    CPaintDC dc(this);
    ++paints;
    CRect client;
    GetClientRect(client);
    CBrush red(RGB(220, 0, 0));
    dc.FillRect(client, &red);
  }
  BOOL OnEraseBkgnd(CDC* dc) {
    ++erases;
    eraseHadDc = dc && dc->GetSafeHdc();
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(PaintedWindow, CWnd)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

TEST_F(DrawingClasses, APaintDcPaintsOnceAndTheWindowShowsIt) {
  PaintedWindow window;
  ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), u"Painted", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 120,
                              nullptr, nullptr));
  const DWORD before = GdiCount();
  window.UpdateWindow();
  EXPECT_EQ(window.paints, 1);
  EXPECT_EQ(window.erases, 1);
  EXPECT_TRUE(window.eraseHadDc);
  window.UpdateWindow();
  EXPECT_EQ(window.paints, 1);  // EndPaint validated the window
  {
    CClientDC dc(&window);
    EXPECT_EQ(dc.GetPixel(10, 10), RGB(220, 0, 0));
  }
  EXPECT_EQ(GdiCount(), before);  // the brush of each paint and the DCs are released
  window.DestroyWindow();
}

// ---- Colours: the parent decides, CWnd::OnCtlColor reaches the control's own answer ---------------
class OwnColourLabel : public CStatic {
 public:
  HBRUSH brush = nullptr;
  HBRUSH CtlColor(CDC*, UINT) { return brush; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(OwnColourLabel, CStatic)
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class ColourDialog : public CDialog {
 public:
  ColourDialog() : CDialog(100) {}
  OwnColourLabel name;  // 1000: asks its own object through the base handler
  OwnColourLabel link;  // 1008: the parent overrides it
  HBRUSH parentBrush = nullptr;
  std::vector<UINT> kinds;

 protected:
  void DoDataExchange(CDataExchange* exchange) override {
    DDX_Control(exchange, 1000, name);
    DDX_Control(exchange, 1008, link);
  }
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind) {
    kinds.push_back(kind);
    if (control && control->m_hWnd == link.m_hWnd) return parentBrush;
    return CDialog::OnCtlColor(dc, control, kind);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ColourDialog, CDialog)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

class FrameworkColours : public DrawingClasses {
 protected:
  void SetUp() override {
    std::filesystem::path target = machine_.Host("drives/C/Fixtures/dialog_fixtures.dll");
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(DIALOG_FIXTURES, target, std::filesystem::copy_options::overwrite_existing);
    HMODULE module = LoadLibraryExW(u"C:\\Fixtures\\dialog_fixtures.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    AfxSetResourceHandle(module);
  }
};

TEST_F(FrameworkColours, TheParentsHandlerComesFirstAndItsBaseAsksTheControl) {
  ColourDialog dialog;
  CBrush own(RGB(1, 1, 1)), other(RGB(2, 2, 2)), parent(RGB(3, 3, 3));
  dialog.name.brush = own;
  dialog.link.brush = other;
  dialog.parentBrush = parent;
  ASSERT_TRUE(dialog.Create(100));
  dialog.UpdateData(FALSE);
  for (CWnd* label : {static_cast<CWnd*>(&dialog.name), static_cast<CWnd*>(&dialog.link)}) {
    label->Invalidate();
    label->UpdateWindow();
  }
  EXPECT_EQ(PlatformTest_ControlBackground(dialog.name.m_hWnd), static_cast<HBRUSH>(own));
  EXPECT_EQ(PlatformTest_ControlBackground(dialog.link.m_hWnd), static_cast<HBRUSH>(parent));
  ASSERT_FALSE(dialog.kinds.empty());
  EXPECT_NE(std::find(dialog.kinds.begin(), dialog.kinds.end(), static_cast<UINT>(CTLCOLOR_STATIC)), dialog.kinds.end());
  dialog.DestroyWindow();
}

// A link label's way with fonts: the parent's font, copied underlined at -12, set on the
// control, which then answers it; the window's DC comes and goes without a trace.
TEST_F(FrameworkColours, AControlTakesAnUnderlinedCopyOfItsParentsFont) {
  ColourDialog dialog;
  ASSERT_TRUE(dialog.Create(100));
  CFont* parentFont = dialog.GetFont();
  ASSERT_NE(parentFont, nullptr);  // DS_SETFONT gave the dialog its template font
  LOGFONTW lf{};
  ASSERT_GT(parentFont->GetLogFont(&lf), 0);
  lf.lfUnderline = TRUE;
  lf.lfHeight = -12;
  CFont underlined;
  ASSERT_TRUE(underlined.CreateFontIndirect(&lf));
  CWnd* link = dialog.GetDlgItem(1008);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->GetDlgCtrlID(), 1008);
  link->SetFont(&underlined, FALSE);
  CFont* now = link->GetFont();
  ASSERT_NE(now, nullptr);
  EXPECT_EQ(now->m_hObject, underlined.m_hObject);
  LOGFONTW back{};
  now->GetLogFont(&back);
  EXPECT_EQ(back.lfUnderline, TRUE);
  EXPECT_EQ(back.lfHeight, -12);

  const DWORD before = GdiCount();
  CDC* dc = link->GetDC();
  ASSERT_NE(dc, nullptr);
  CFont* old = dc->SelectObject(&underlined);
  EXPECT_GT(dc->GetTextExtent(u"Link", 4).cx, 0);
  dc->SelectObject(old);
  EXPECT_EQ(link->ReleaseDC(dc), 1);
  EXPECT_EQ(GdiCount(), before);
  dialog.DestroyWindow();
}

}  // namespace
