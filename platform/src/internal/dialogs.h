// The dialog manager and the system's control classes inside the stand-in: the table of system
// classes that every process has, each dialog's private record, and the helpers the controls
// share (notifications to the parent, per-window state, owner drawing, the colour messages).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <win/commctrl.h>
#include <win/user.h>

#include "internal/resources.h"

namespace plat::dialogs {

struct SystemClass {
  std::u16string name;
  WNDPROC proc = nullptr;
  int windowExtra = 0;
  UINT style = 0;
  ATOM atom = 0;  // 0: a fresh atom
};
// Every system class: "#32770", the classic controls and the common controls.
const std::vector<SystemClass>& SystemClasses();

// The window procedures of the system classes (one file each).
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK UpDownProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ProgressProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TooltipProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListViewProc(HWND, UINT, WPARAM, LPARAM);

// ---- Per-window state of a control ------------------------------------------------------------
// Each control class keeps its state in a map of the process by window, made at WM_NCCREATE and
// dropped at WM_NCDESTROY. The procedures run on the window's thread only, so the object found
// stays valid for the length of the message.
template <typename T>
class StateMap {
 public:
  T* Get(HWND hwnd) {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = states_.find(hwnd);
    return it == states_.end() ? nullptr : it->second.get();
  }
  T* Make(HWND hwnd) {
    std::lock_guard<std::mutex> guard(lock_);
    auto& slot = states_[hwnd];
    if (!slot) slot = std::make_unique<T>();
    return slot.get();
  }
  void Drop(HWND hwnd) {
    std::unique_ptr<T> gone;
    std::lock_guard<std::mutex> guard(lock_);
    auto it = states_.find(hwnd);
    if (it == states_.end()) return;
    gone = std::move(it->second);
    states_.erase(it);
  }

 private:
  std::mutex lock_;
  std::map<HWND, std::unique_ptr<T>> states_;
};

// ---- Helpers shared by the controls -----------------------------------------------------------
// WM_COMMAND (id, code) with the control as lParam, sent to the control's parent.
LRESULT NotifyParent(HWND control, WORD code);
// WM_NOTIFY with the header's hwndFrom, idFrom and code filled from the control.
LRESULT NotifyParent(HWND control, NMHDR& header, UINT code);
DWORD StyleOf(HWND hwnd);
int IdOf(HWND hwnd);
std::u16string TextOf(HWND hwnd);
// The window's rectangle in its parent's client coordinates (a top-level window: the screen).
RECT RectInParent(HWND hwnd);
// Client coordinates of `from` to those of `to` (either NULL: the screen).
POINT MapPoint(HWND from, HWND to, POINT point);
// The deepest enabled or disabled visible child under the point (client coordinates of parent).
HWND ChildAt(HWND parent, POINT point);
// WM_CTLCOLOR* to the parent: the brush it answers, or NULL when the answer is no live brush
// (a deleted brush is refused, never used).
HBRUSH ControlColor(HWND control, HDC dc, UINT message);
// The font the control was given with WM_SETFONT.
HFONT& FontSlot(HWND control);
void ForgetFont(HWND control);
// WM_DRAWITEM to the parent for an owner-drawn item.
void SendDrawItem(HWND control, UINT ctlType, UINT itemId, UINT action, UINT state, const RECT& rect, ULONG_PTR data,
                  HDC dc);
// WM_MEASUREITEM to the parent; the height it answers.
UINT SendMeasureItem(HWND control, UINT ctlType, UINT itemId, UINT defaultHeight, ULONG_PTR data);
// Case-insensitive comparison as the list controls search.
bool SameTextNoCase(std::u16string_view a, std::u16string_view b);
bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix);

// The last background brush each control painted with (the colour-message answer or NULL).
void NoteBackground(HWND control, HBRUSH brush);
HBRUSH LastBackground(HWND control);

// ---- Dialogs ----------------------------------------------------------------------------------
// Base units (pixels per 4 horizontal and 8 vertical dialog units) of a dialog window.
SIZE BaseUnitsOf(HWND dialog);
// Whether the window is a dialog made by the dialog manager.
bool IsDialogWindow(HWND hwnd);
// The template name or title that selects a test's action for a modal dialog.
std::u16string DialogKeyOf(HWND dialog);

// A dialog made from a parsed template, as CreateDialogParamW makes it; `key` names it for a
// test's action. The Indirect forms' reading of a caller's template.
HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& dt, HWND parent, DLGPROC proc, LPARAM init,
                              const std::u16string& key);
std::optional<DialogTemplate> ParseIndirectTemplate(const void* given);

// The property sheet behind PropertySheetW and the common property-sheet host: shows the pages
// (the caller's records, which WM_INITDIALOG receives) and returns > 0 after OK, 0 after Cancel,
// -1 when it cannot be made. Page callbacks get PSPCB_CREATE here; PSPCB_RELEASE is the
// caller's to send.
struct SheetOptions {
  HWND owner = nullptr;
  std::u16string title;
  bool noApply = false;
  bool hasHelp = false;
  UINT startPage = 0;
  // PSH_MODELESS: the sheet is returned at once and owns these pages from then on, releasing
  // them when its window goes.
  bool modeless = false;
  std::vector<HPROPSHEETPAGE> pages;
};
INT_PTR RunPropertySheet(const SheetOptions& options, const std::vector<PROPSHEETPAGEW*>& pages);

// The modal loop shared by DialogBox and the property sheet: runs until EndDialog (or the
// sheet's end) and returns the result. The owner stays disabled meanwhile.
INT_PTR RunModalLoop(HWND dialog, HWND owner, const std::u16string& key);
// Whether the modal loop of the dialog has been told to end.
bool DialogEnded(HWND dialog);
// The dialog's record: dropped at WM_NCDESTROY (with the font the template made), the font of
// WM_SETFONT and WM_GETFONT, and the default button of DM_SETDEFID.
void ForgetDialog(HWND dialog);
HFONT DialogFont(HWND dialog);
void SetDialogFont(HWND dialog, HFONT font);
WORD DefaultId(HWND dialog);
void SetDefaultId(HWND dialog, WORD id);

}  // namespace plat::dialogs

namespace plat::dialogs {

// ---- Painting ---------------------------------------------------------------------------------
// The default answer to WM_CTLCOLOR*: the DC's text and background colours set for the kind of
// control (edits and lists on the window colour, the rest on the 3-D face) and that system brush.
HBRUSH DefaultControlColor(HDC dc, UINT message);

// A control's paint in progress: BeginPaint's DC with the control's font selected and text drawn
// transparent, the client rectangle, and the brush of its background.
struct ControlPaint {
  HWND control = nullptr;
  HDC dc = nullptr;
  RECT client{};
  HBRUSH background = nullptr;
  bool disabled = false;
};
// How every classic control paints: BeginPaint; `colorMessage` (none when 0) to the parent, on
// the default colours when its answer is no live brush; the background filled when `fill`; the
// control's font (WM_SETFONT, else the GUI font) selected; then `draw`; then EndPaint.
void PaintControl(HWND control, UINT colorMessage, bool fill, const std::function<void(ControlPaint&)>& draw);
// Text in the DC's text colour, or the grey text colour while the control is disabled.
void DrawControlText(const ControlPaint& paint, std::u16string_view text, RECT box, UINT format);
void FillSysColor(HDC dc, const RECT& rect, int index);
// A one-pixel edge: the top and left sides in one system colour, the bottom and right in another.
void DrawEdge3D(HDC dc, const RECT& rect, int topLeft, int bottomRight);
// The two-pixel sunken frame of edits, lists and check boxes.
void DrawSunkenFrame(HDC dc, const RECT& rect);
// Repaints the control now, as the platform does while a button is held down.
void RedrawNow(HWND control);

// The user's actions as the stand-in delivers them to a control, so each control keeps its own
// order of notifications: pick an item (wParam: its index), drop the list, close it (wParam:
// non-zero to cancel), hover (wParam: the window under the mouse).
constexpr UINT kActionPick = 0x03F0;
constexpr UINT kActionDrop = 0x03F1;
constexpr UINT kActionCloseUp = 0x03F2;
constexpr UINT kActionHover = 0x03F3;

}  // namespace plat::dialogs
