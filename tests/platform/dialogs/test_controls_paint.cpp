// What the classic controls paint inside a fixture dialog, read back as pixels of the dialog's
// surface after the window's thread painted what was pending (as a capture does): faces and
// frames, push state, check and radio marks, text placed by alignment in the dialog font, the
// edit's selection, list rows with the selection highlighted, and the default colours.
#include <algorithm>
#include <cstdlib>
#include <string>

#include <win/commctrl.h>
#include <win/gdi_objects.h>
#include <win/gdi_raster.h>
#include <win/gdi_text.h>

#include "dialog_test_util.h"

using dialogtest::DialogTest;
using dialogtest::Recorder;

namespace {

class PaintedControls : public DialogTest {
 protected:
  void TearDown() override {
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
    DialogTest::TearDown();
  }
  void Open(int id) {
    dialog_ = Modeless(id);
    ASSERT_NE(dialog_, nullptr);
    ShowWindow(dialog_, SW_SHOWNORMAL);
  }
  HWND Item(int id) { return GetDlgItem(dialog_, id); }
  // Paints what is pending through a capture, which writes the PNG too.
  void Paint() { ASSERT_TRUE(PlatformTest_CaptureWindow(dialog_, machine_.Host("dialog.png").c_str())) << GetLastError(); }
  void Repaint(HWND control) {
    InvalidateRect(control, nullptr, TRUE);
    Paint();
  }
  // The control's rectangle in the dialog's client coordinates.
  RECT Place(HWND control) {
    RECT c = Rect(control), d = Rect(dialog_);
    return RECT{c.left - d.left, c.top - d.top, c.right - d.left, c.bottom - d.top};
  }
  COLORREF Pixel(LONG x, LONG y) {
    HDC dc = GetDC(dialog_);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(dialog_, dc);
    return c;
  }
  // The smallest rectangle around the pixels of `area` that are not `background` (empty: none).
  RECT Ink(const RECT& area, COLORREF background) {
    HDC dc = GetDC(dialog_);
    RECT box{area.right, area.bottom, area.left, area.top};
    for (LONG y = area.top; y < area.bottom; ++y)
      for (LONG x = area.left; x < area.right; ++x)
        if (GetPixel(dc, x, y) != background) {
          box.left = std::min(box.left, x), box.top = std::min(box.top, y);
          box.right = std::max(box.right, x + 1), box.bottom = std::max(box.bottom, y + 1);
        }
    ReleaseDC(dialog_, dc);
    if (box.left >= box.right) return RECT{};
    return box;
  }
  size_t Count(const RECT& area, COLORREF colour) {
    HDC dc = GetDC(dialog_);
    size_t n = 0;
    for (LONG y = area.top; y < area.bottom; ++y)
      for (LONG x = area.left; x < area.right; ++x) n += GetPixel(dc, x, y) == colour;
    ReleaseDC(dialog_, dc);
    return n;
  }
  // The width of the text in the dialog's font, as GetTextExtentPoint32W measures it.
  LONG TextWidth(const char16_t* text) {
    HDC dc = GetDC(dialog_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(dialog_, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(std::char_traits<char16_t>::length(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(dialog_, dc);
    return size.cx;
  }
  // The darkest and the brightest pixel of the area (by the sum of the channels): anti-aliased
  // text reaches its colour only where a glyph covers whole pixels, so text colour is judged by
  // its extreme pixel.
  COLORREF Extreme(const RECT& area, bool darkest) {
    HDC dc = GetDC(dialog_);
    COLORREF found = darkest ? RGB(255, 255, 255) : RGB(0, 0, 0);
    auto sum = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    for (LONG y = area.top; y < area.bottom; ++y)
      for (LONG x = area.left; x < area.right; ++x) {
        COLORREF c = GetPixel(dc, x, y);
        if (darkest ? sum(c) < sum(found) : sum(c) > sum(found)) found = c;
      }
    ReleaseDC(dialog_, dc);
    return found;
  }
  static RECT Inset(const RECT& r, LONG by) { return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

  HWND dialog_ = nullptr;
};

TEST_F(PaintedControls, TheDialogAndItsStaticsSitOnTheFaceColour) {
  Open(100);
  Paint();
  const COLORREF face = GetSysColor(COLOR_3DFACE);
  EXPECT_EQ(Pixel(300, 200), face) << "an empty spot of the dialog";
  RECT name = Place(Item(1000));
  EXPECT_EQ(Pixel(name.right - 1, name.bottom - 1), face) << "the static's own background";
  // A brush the dialog answers for WM_CTLCOLORSTATIC fills the static.
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  Recorder::Get().answer = [red](HWND, UINT message, WPARAM, LPARAM lParam, bool& handled) -> INT_PTR {
    if (message != WM_CTLCOLORSTATIC || GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != 1000) return 0;
    handled = true;
    return reinterpret_cast<INT_PTR>(red);
  };
  Repaint(Item(1000));
  EXPECT_EQ(Pixel(name.right - 1, name.bottom - 1), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(name.right + 1, name.bottom - 1), face);
  Recorder::Get().answer = nullptr;
  DestroyWindow(dialog_);
  DeleteObject(red);
}

TEST_F(PaintedControls, PushButtonsShowFaceFrameTextAndThePushedState) {
  Open(100);
  Paint();
  const COLORREF face = GetSysColor(COLOR_3DFACE);
  RECT ok = Place(Item(IDOK)), cancel = Place(Item(IDCANCEL));
  EXPECT_EQ(Pixel(ok.left, ok.top), GetSysColor(COLOR_WINDOWFRAME)) << "the default button's black frame";
  EXPECT_EQ(Pixel(ok.left + 1, ok.top + 1), GetSysColor(COLOR_3DHIGHLIGHT));
  EXPECT_EQ(Pixel(ok.right - 2, ok.bottom - 2), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(Pixel(cancel.left, cancel.top), GetSysColor(COLOR_3DHIGHLIGHT)) << "a plain button has no black frame";
  EXPECT_EQ(Pixel(cancel.left + 3, cancel.bottom - 4), face);
  // The label is centred in the face, as wide as the font measures it.
  RECT ink = Ink(Inset(cancel, 5), face);
  ASSERT_LT(ink.left, ink.right) << "no text drawn";
  EXPECT_NEAR(ink.right - ink.left, TextWidth(u"Cancel"), 2);
  EXPECT_NEAR((ink.left + ink.right) / 2.0, (cancel.left + cancel.right) / 2.0, 1.5);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, (cancel.top + cancel.bottom) / 2.0, 2.5);
  EXPECT_LT(GetRValue(Extreme(ink, true)), 100) << "black text";
  // Held down: a flat shadow frame, and the label one pixel lower and to the right.
  SendMessageW(Item(IDCANCEL), BM_SETSTATE, TRUE, 0);
  Paint();
  EXPECT_EQ(Pixel(cancel.left, cancel.top), GetSysColor(COLOR_3DSHADOW));
  RECT pushed = Ink(Inset(cancel, 5), face);
  EXPECT_EQ(pushed.left, ink.left + 1);
  EXPECT_EQ(pushed.top, ink.top + 1);
  SendMessageW(Item(IDCANCEL), BM_SETSTATE, FALSE, 0);
  Paint();
  EXPECT_EQ(Pixel(cancel.left, cancel.top), GetSysColor(COLOR_3DHIGHLIGHT));
}

TEST_F(PaintedControls, CheckBoxesAndRadioButtonsShowTheirMarks) {
  Open(100);
  const COLORREF window = GetSysColor(COLOR_WINDOW), ink = GetSysColor(COLOR_WINDOWTEXT);
  struct Case {
    int id;
    bool radio;
  };
  for (const Case& c : {Case{1002, false}, Case{1004, true}}) {
    RECT box = Place(Item(c.id));
    // The mark's square (13 pixels) at the left, vertically centred.
    const LONG top = box.top + (box.bottom - box.top - 13) / 2;
    RECT inside{box.left + 3, top + 3, box.left + 10, top + 10};
    CheckDlgButton(dialog_, c.id, BST_UNCHECKED);
    Paint();
    EXPECT_EQ(Count(inside, window), 49u) << c.id << ": an empty mark";
    CheckDlgButton(dialog_, c.id, BST_CHECKED);
    Paint();
    EXPECT_GT(Count(inside, ink), 8u) << c.id << ": the tick or the dot";
    if (c.radio) {
      EXPECT_EQ(Pixel(box.left + 6, top + 6), ink) << "the dot fills the centre";
    }
    // The label follows the mark, in the window-text colour.
    RECT label = Ink(RECT{box.left + 15, box.top, box.right, box.bottom}, GetSysColor(COLOR_3DFACE));
    EXPECT_LE(label.left, box.left + 19) << c.id;
    EXPECT_LT(GetRValue(Extreme(label, true)), 100) << c.id << ": black text";
  }
  // A disabled box writes its label in the grey-text colour only.
  RECT disabled = Place(Item(1009));
  Paint();
  RECT label{disabled.left + 15, disabled.top, disabled.right, disabled.bottom};
  const COLORREF darkest = Extreme(label, true);
  EXPECT_LT(GetRValue(darkest), GetRValue(GetSysColor(COLOR_3DFACE))) << "some text";
  EXPECT_GE(GetRValue(darkest), GetRValue(GetSysColor(COLOR_GRAYTEXT))) << "nothing darker than grey";
}

TEST_F(PaintedControls, AGroupBoxFramesWhatLiesInsideWithoutCoveringIt) {
  Open(100);
  // Made after a static that lies inside it, as templates often order them.
  HWND inner = CreateWindowExW(0, u"Static", u"Inside", WS_CHILD | WS_VISIBLE, 320, 170, 60, 20, dialog_, nullptr, nullptr,
                               nullptr);
  HWND group = CreateWindowExW(0, u"Button", u"Group", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 300, 150, 200, 80, dialog_,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(group, nullptr);
  SendMessageW(inner, WM_SETFONT, SendMessageW(dialog_, WM_GETFONT, 0, 0), FALSE);
  SendMessageW(group, WM_SETFONT, SendMessageW(dialog_, WM_GETFONT, 0, 0), FALSE);
  Paint();
  const COLORREF face = GetSysColor(COLOR_3DFACE);
  EXPECT_EQ(Pixel(300, 200), GetSysColor(COLOR_3DSHADOW)) << "the etched left side";
  EXPECT_EQ(Pixel(301, 200), GetSysColor(COLOR_3DHIGHLIGHT));
  EXPECT_EQ(Pixel(499, 229), GetSysColor(COLOR_3DHIGHLIGHT)) << "the etched bottom right";
  EXPECT_EQ(Pixel(400, 200), face);
  // The etched top line runs through the middle of the caption, which covers it there.
  LONG line = 150;
  while (line < 170 && Pixel(450, line) != GetSysColor(COLOR_3DSHADOW)) ++line;
  ASSERT_LT(line, 170) << "no top line";
  EXPECT_EQ(Pixel(305, line), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(Pixel(309, line), face);
  RECT caption = Ink(RECT{302, 150, 400, line}, face);
  ASSERT_LT(caption.left, caption.right) << "no caption";
  EXPECT_NEAR(caption.left, 310, 2);
  EXPECT_NEAR(caption.right - caption.left, TextWidth(u"Group"), 2);
  RECT inside = Ink(RECT{320, 170, 380, 190}, face);
  EXPECT_NEAR(inside.right - inside.left, TextWidth(u"Inside"), 2) << "the static inside stays painted";
}

TEST_F(PaintedControls, StaticTextFollowsItsAlignment) {
  Open(100);
  HWND name = Item(1000);
  const RECT place = Place(name);
  const LONG width = TextWidth(u"Name:");
  struct Case {
    DWORD style;
    LONG expectedLeft;
  };
  const Case cases[] = {{SS_LEFT, place.left},
                        {SS_CENTER, place.left + (place.right - place.left - width) / 2},
                        {SS_RIGHT, place.right - width}};
  for (const Case& c : cases) {
    SetWindowLongW(name, GWL_STYLE, static_cast<LONG>((GetWindowLongW(name, GWL_STYLE) & ~SS_TYPEMASK) | c.style));
    Repaint(name);
    RECT ink = Ink(place, GetSysColor(COLOR_3DFACE));
    ASSERT_LT(ink.left, ink.right) << c.style;
    EXPECT_NEAR(ink.left, c.expectedLeft, 2) << c.style;
    EXPECT_NEAR(ink.right - ink.left, width, 2) << c.style;
  }
}

TEST_F(PaintedControls, AnEditShowsItsTextAndItsSelectionWhileFocused) {
  Open(100);
  HWND edit = Item(1001);
  SetWindowTextW(edit, u"Hello");
  SetFocus(Item(IDCANCEL));
  Paint();
  const RECT place = Place(edit);
  const RECT inside = Inset(place, 2);
  const COLORREF window = GetSysColor(COLOR_WINDOW), highlight = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(Pixel(place.left, place.top), GetSysColor(COLOR_3DSHADOW)) << "the sunken frame";
  RECT ink = Ink(inside, window);
  ASSERT_LT(ink.left, ink.right);
  EXPECT_NEAR(ink.right - ink.left, TextWidth(u"Hello"), 2);
  EXPECT_EQ(Count(inside, highlight), 0u);
  // Focused with "ell" selected: the highlight spans the selected characters only.
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 1, 4);
  Repaint(edit);
  RECT selected = Ink(inside, window);
  RECT band{selected.right, selected.bottom, selected.left, selected.top};
  HDC dc = GetDC(dialog_);
  for (LONG y = inside.top; y < inside.bottom; ++y)
    for (LONG x = inside.left; x < inside.right; ++x)
      if (GetPixel(dc, x, y) == highlight) {
        band.left = std::min(band.left, x), band.right = std::max(band.right, x + 1);
        band.top = std::min(band.top, y), band.bottom = std::max(band.bottom, y + 1);
      }
  ReleaseDC(dialog_, dc);
  ASSERT_LT(band.left, band.right) << "no selection shown";
  EXPECT_NEAR(band.right - band.left, TextWidth(u"Hello") - TextWidth(u"H") - TextWidth(u"o"), 2);
  EXPECT_NEAR(band.left, inside.left + 1 + TextWidth(u"H"), 2);
  // Without the focus the selection is hidden again.
  SetFocus(Item(IDCANCEL));
  Repaint(edit);
  EXPECT_EQ(Count(inside, highlight), 0u);
}

TEST_F(PaintedControls, ListRowsShowTheSelectionHighlighted) {
  Open(110);
  HWND list = Item(1104);
  for (const char16_t* text : {u"Alpha", u"Beta", u"Gamma"})
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  SendMessageW(list, LB_SETCURSEL, 1, 0);
  Paint();
  const RECT place = Place(list);
  auto row = [&](int index) {
    RECT r{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return RECT{place.left + r.left, place.top + r.top, place.left + r.right, place.top + r.bottom};
  };
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), window = GetSysColor(COLOR_WINDOW);
  EXPECT_GT(Count(row(1), highlight), 0u);
  EXPECT_EQ(Count(row(0), highlight), 0u);
  EXPECT_GT(GetGValue(Extreme(row(1), false)), GetGValue(highlight) + 60) << "the selected row's light text";
  RECT first = Ink(row(0), window);
  ASSERT_LT(first.left, first.right);
  EXPECT_NEAR(first.right - first.left, TextWidth(u"Alpha"), 2);
  EXPECT_EQ(Ink(row(3), window).right, 0) << "no fourth row";
  SendMessageW(list, LB_SETCURSEL, 2, 0);
  Paint();
  EXPECT_EQ(Count(row(1), highlight), 0u);
  EXPECT_GT(Count(row(2), highlight), 0u);
}

TEST_F(PaintedControls, ADropDownShowsItsChoiceAndItsListOnlyWhileDropped) {
  Open(110);
  HWND combo = Item(1101);
  for (const char16_t* text : {u"Letter", u"Legal", u"A4"}) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  SetFocus(Item(1105));
  Paint();
  const RECT place = Place(combo);
  const LONG fieldBottom = place.top + static_cast<LONG>(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)) + 6;
  const COLORREF face = GetSysColor(COLOR_3DFACE), highlight = GetSysColor(COLOR_HIGHLIGHT);
  RECT field{place.left + 2, place.top + 2, place.right - 20, fieldBottom - 2};
  RECT choice = Ink(field, GetSysColor(COLOR_WINDOW));
  ASSERT_LT(choice.left, choice.right);
  EXPECT_NEAR(choice.right - choice.left, TextWidth(u"Letter"), 2);
  // Between the field and the next combo box, where the dropped list lies.
  RECT below{place.left, fieldBottom + 1, place.right, Place(Item(1102)).top};
  EXPECT_EQ(Count(below, face), static_cast<size_t>((below.right - below.left) * (below.bottom - below.top)))
      << "a closed list shows the dialog beneath";
  PlatformTest_Drop(combo);
  Paint();
  EXPECT_GT(Count(below, highlight), 0u) << "the dropped list's chosen row";
  EXPECT_EQ(Pixel(place.left, fieldBottom + 2), GetSysColor(COLOR_WINDOWFRAME)) << "the list's frame";
  PlatformTest_CloseUp(combo, TRUE);
  Paint();
  EXPECT_EQ(Count(below, face), static_cast<size_t>((below.right - below.left) * (below.bottom - below.top)));
}

TEST_F(PaintedControls, ACaptureOfTheFixtureDialogOpensInPillowAsDrawn) {
  Open(100);
  const std::string path = machine_.Host("fixture.png");
  ASSERT_TRUE(PlatformTest_CaptureWindow(dialog_, path.c_str())) << GetLastError();
  RECT ok = Place(Item(IDOK));
  const COLORREF face = GetSysColor(COLOR_3DFACE), frame = GetSysColor(COLOR_WINDOWFRAME);
  auto rgb = [](COLORREF c) {
    return "(" + std::to_string(GetRValue(c)) + ", " + std::to_string(GetGValue(c)) + ", " + std::to_string(GetBValue(c)) + ")";
  };
  const std::string check = std::string(PIL_PYTHON) +
                            " -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]).convert('RGB'); "
                            "assert im.size == (585, 390), im.size; "
                            "assert im.getpixel((300, 200)) == " + rgb(face) + ", im.getpixel((300, 200)); "
                            "assert im.getpixel((" + std::to_string(ok.left) + ", " + std::to_string(ok.top) + ")) == " +
                            rgb(frame) + "\" " + path;
  EXPECT_EQ(std::system(check.c_str()), 0) << check;
}


TEST_F(PaintedControls, AProgressBarFillsItsShareOfTheRangeInTheHighlightColour) {
  Open(100);
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  struct Case {
    DWORD style;
    int position;
    LONG filled;  // of the 196 pixels inside the frame
  };
  const Case cases[] = {{PBS_SMOOTH, 0, 0}, {PBS_SMOOTH, 50, 98}, {PBS_SMOOTH, 100, 196},
                        {0, 0, 0},          {0, 50, 98},          {0, 100, 196}};
  for (const Case& c : cases) {
    HWND bar = CreateWindowExW(0, u"msctls_progress32", nullptr, WS_CHILD | WS_VISIBLE | c.style, 300, 150, 200, 20, dialog_,
                               nullptr, nullptr, nullptr);
    ASSERT_NE(bar, nullptr);
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(c.position), 0);
    Paint();
    EXPECT_EQ(Pixel(300, 150), GetSysColor(COLOR_3DSHADOW)) << "the sunken frame";
    EXPECT_EQ(Pixel(499, 169), GetSysColor(COLOR_3DHIGHLIGHT));
    const RECT trough{302, 152, 498, 168};
    RECT filled = Ink(trough, GetSysColor(COLOR_3DFACE));
    EXPECT_EQ(filled.right - filled.left, c.filled) << c.style << " at " << c.position;
    if (c.filled > 0) {
      EXPECT_EQ(filled.left, trough.left);
      EXPECT_EQ(Pixel(trough.left, 160), highlight);
      EXPECT_EQ(Pixel(trough.left + c.filled - 1, 160), highlight) << "the last filled pixel";
    }
    // Smooth bars fill one run; blocks leave gaps of the trough colour.
    const size_t lit = Count(RECT{trough.left, 160, trough.left + c.filled, 161}, highlight);
    if (c.style & PBS_SMOOTH) {
      EXPECT_EQ(lit, static_cast<size_t>(c.filled));
    } else if (c.filled > 0) {
      EXPECT_LT(lit, static_cast<size_t>(c.filled));
    }
    DestroyWindow(bar);
  }
}

TEST_F(PaintedControls, AnUpDownShowsTwoArrowsAndSinksTheOneHeldDown) {
  Open(100);
  HWND spin = CreateWindowExW(0, u"msctls_updown32", nullptr, WS_CHILD | WS_VISIBLE, 300, 150, 16, 24, dialog_, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(spin, nullptr);
  Paint();
  const COLORREF face = GetSysColor(COLOR_3DFACE), text = GetSysColor(COLOR_BTNTEXT);
  const RECT up{302, 152, 314, 160}, down{302, 164, 314, 172};
  EXPECT_EQ(Pixel(300, 150), GetSysColor(COLOR_3DHIGHLIGHT)) << "raised";
  EXPECT_EQ(Pixel(315, 161), GetSysColor(COLOR_3DDKSHADOW));
  // The up arrow is widest at its bottom, the down arrow at its top.
  RECT upInk = Ink(up, face), downInk = Ink(down, face);
  ASSERT_LT(upInk.left, upInk.right) << "no up arrow";
  ASSERT_LT(downInk.left, downInk.right) << "no down arrow";
  EXPECT_EQ(Pixel((upInk.left + upInk.right) / 2, upInk.top), text);
  EXPECT_EQ(Count(RECT{upInk.left, upInk.top, upInk.right, upInk.top + 1}, text), 1u) << "the up arrow's tip";
  EXPECT_GT(Count(RECT{upInk.left, upInk.bottom - 1, upInk.right, upInk.bottom}, text), 1u);
  EXPECT_EQ(Count(RECT{downInk.left, downInk.bottom - 1, downInk.right, downInk.bottom}, text), 1u) << "the down arrow's tip";
  EXPECT_GT(Count(RECT{downInk.left, downInk.top, downInk.right, downInk.top + 1}, text), 1u);
  // Held down, the lower half sinks and its arrow moves one pixel; the upper half stays raised.
  SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 20));
  Paint();
  EXPECT_EQ(Pixel(300, 150), GetSysColor(COLOR_3DHIGHLIGHT));
  EXPECT_EQ(Pixel(300, 162), GetSysColor(COLOR_3DSHADOW)) << "the sunken lower half";
  RECT pushed = Ink(RECT{302, 164, 315, 173}, face);
  EXPECT_EQ(pushed.left, downInk.left + 1);
  EXPECT_EQ(pushed.top, downInk.top + 1);
  SendMessageW(spin, WM_LBUTTONUP, 0, MAKELPARAM(8, 20));
  Paint();
  EXPECT_EQ(Pixel(300, 162), GetSysColor(COLOR_3DHIGHLIGHT)) << "raised again";
}

TEST_F(PaintedControls, AReportViewShowsHeadersCellsAndTheSelectionWhileFocused) {
  Open(100);
  struct Case {
    DWORD style;
    bool focused;
    bool highlighted;
  };
  const Case cases[] = {{0, false, false}, {0, true, true}, {LVS_SHOWSELALWAYS, false, true}};
  for (const Case& c : cases) {
    HWND view = CreateWindowExW(0, u"SysListView32", nullptr, WS_CHILD | WS_VISIBLE | LVS_REPORT | c.style, 300, 150, 220,
                                100, dialog_, nullptr, nullptr, nullptr);
    ASSERT_NE(view, nullptr);
    SendMessageW(view, WM_SETFONT, SendMessageW(dialog_, WM_GETFONT, 0, 0), FALSE);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 100;
    column.pszText = const_cast<LPWSTR>(u"Name");
    SendMessageW(view, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    column.pszText = const_cast<LPWSTR>(u"Pages");
    SendMessageW(view, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
    for (int i = 0; i < 2; ++i) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = i;
      item.pszText = const_cast<LPWSTR>(i == 0 ? u"Alpha" : u"Beta");
      SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      item.iSubItem = 1;
      item.pszText = const_cast<LPWSTR>(u"12");
      SendMessageW(view, LVM_SETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    LVITEMW selected{};
    selected.stateMask = LVIS_SELECTED;
    selected.state = LVIS_SELECTED;
    SendMessageW(view, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&selected));
    SetFocus(c.focused ? view : Item(IDCANCEL));
    Paint();
    const COLORREF face = GetSysColor(COLOR_3DFACE), window = GetSysColor(COLOR_WINDOW);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    auto place = [&](UINT message, int index, int sub) {
      RECT r{LVIR_BOUNDS, sub, 0, 0};
      SendMessageW(view, message, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
      return RECT{300 + r.left, 150 + r.top, 300 + r.right, 150 + r.bottom};
    };
    // The headers: raised buttons with their captions.
    EXPECT_EQ(Pixel(300, 150), GetSysColor(COLOR_3DHIGHLIGHT)) << "a raised header";
    EXPECT_EQ(Pixel(399, 160), GetSysColor(COLOR_3DSHADOW)) << "the first header's right edge";
    RECT name = Ink(RECT{301, 151, 399, 169}, face), pages = Ink(RECT{401, 151, 499, 169}, face);
    ASSERT_LT(name.left, name.right) << "no header text";
    EXPECT_NEAR(name.right - name.left, TextWidth(u"Name"), 2);
    EXPECT_NEAR(pages.right - pages.left, TextWidth(u"Pages"), 2);
    EXPECT_LT(GetRValue(Extreme(name, true)), 100) << "black header text";
    // The cells, and the selected row's highlight.
    RECT first = place(LVM_GETITEMRECT, 0, 0), second = place(LVM_GETITEMRECT, 1, 0);
    RECT alpha = Ink(RECT{first.left, first.top, first.left + 100, first.bottom}, window);
    ASSERT_LT(alpha.left, alpha.right) << "no cell text";
    EXPECT_NEAR(alpha.right - alpha.left, TextWidth(u"Alpha"), 2);
    RECT count = Ink(RECT{first.left + 100, first.top, first.left + 200, first.bottom}, window);
    EXPECT_NEAR(count.right - count.left, TextWidth(u"12"), 2) << "the sub-item";
    EXPECT_EQ(Count(first, highlight), 0u);
    if (c.highlighted) {
      EXPECT_EQ(Pixel(second.right - 2, second.bottom - 1), highlight) << c.style;
      EXPECT_GT(GetGValue(Extreme(second, false)), GetGValue(highlight) + 60) << "the selected row's light text";
    } else {
      EXPECT_EQ(Count(second, highlight), 0u) << "hidden without the focus";
      RECT beta = Ink(second, window);
      EXPECT_NEAR(beta.left, alpha.left, 2) << "the cells line up under their columns";
      EXPECT_EQ(beta.right, count.right);
    }
    DestroyWindow(view);
  }
}

}  // namespace
