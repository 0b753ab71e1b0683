#include "common/picture_button.h"

IMPLEMENT_DYNAMIC(CPictureButton, CWnd)

namespace {

constexpr PictureButtonBitmaps kPictureButtons[] = {
    {1001, 132, 134, 133},  // monitor main window: About
    {1000, 152, 154, 153},  // monitor main window: hide into the notification area
    {1127, 158, 157, 157},  // monitor main window: hide into the notification area
    {1004, 140, 142, 141},  // About box: close
    {1128, 158, 157, 157},  // About box: close
    {1130, 140, 142, 141},  // message box: close
    {1131, 145, 144, 144},  // message box: close
    {1113, 135, 137, 136},  // status display: do not show again and close
    {1015, 147, 146, 146},  // status display: minimise
    {1016, 145, 144, 144},  // status display: do not show again and close
};

enum Image { kNormal = 0, kPressed = 1, kHover = 2 };

}  // namespace

const PictureButtonBitmaps* FindPictureButtonBitmaps(UINT control) {
  for (const PictureButtonBitmaps& row : kPictureButtons)
    if (row.control == control) return &row;
  return nullptr;
}

BEGIN_MESSAGE_MAP(CPictureButton, CButton)
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSEHOVER()
  ON_WM_MOUSELEAVE()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

void CPictureButton::PreSubclassWindow() {
  CButton::PreSubclassWindow();
  ModifyStyle(0x0F, BS_OWNERDRAW);  // the type bits hold one button kind
}

BOOL CPictureButton::LoadBitmaps(UINT normal, UINT pressed, UINT hover) {
  m_nNormalId = normal;
  m_nPressedId = pressed;
  m_nHoverId = hover;
  const UINT ids[3] = {normal, pressed, hover};
  for (int i = 0; i < 3; ++i) {
    m_bitmaps[i].DeleteObject();
    m_bitmaps[i].LoadBitmap(ids[i]);
  }
  BITMAP info{};
  if (!m_bitmaps[kNormal].GetSafeHandle() || !m_bitmaps[kNormal].GetBitmap(&info)) return FALSE;
  SetWindowPos(nullptr, 0, 0, info.bmWidth, info.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

int CPictureButton::ChosenImage() const {
  if (m_bClicked && m_bButtonDown) return kPressed;
  if (m_bClicked && !m_bButtonDown && !m_bHover) return kNormal;
  if (m_bHover && !m_bButtonDown) return kHover;
  return kNormal;
}

void CPictureButton::DrawItem(LPDRAWITEMSTRUCT item) {
  if (!(item->itemState & ODS_FOCUS)) {
    m_bButtonDown = FALSE;
    m_bClicked = FALSE;
  }
  if (item->itemState & ODS_DISABLED) {
    m_bDisabled = TRUE;
    m_bButtonDown = FALSE;
    m_bClicked = FALSE;
    m_bHover = FALSE;
  }
  CBitmap& bitmap = m_bitmaps[ChosenImage()];
  BITMAP info{};
  if (!bitmap.GetSafeHandle() || !bitmap.GetBitmap(&info)) return;  // a missing bitmap leaves no image
  CDC* target = CDC::FromHandle(item->hDC);
  CDC memory;
  if (!memory.CreateCompatibleDC(target)) return;
  CBitmap* old = memory.SelectObject(&bitmap);
  target->BitBlt(0, 0, info.bmWidth, info.bmHeight, &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);
}

void CPictureButton::OnMouseMove(UINT, CPoint) {
  if (!m_bTracking) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = m_hWnd;
    track.dwHoverTime = 1;
    m_bTracking = ::TrackMouseEvent(&track);
  }
  Default();
}

void CPictureButton::OnMouseHover(UINT, CPoint) {
  m_bHover = TRUE;
  Invalidate(TRUE);
  Default();
}

void CPictureButton::OnMouseLeave() {
  m_bHover = FALSE;
  m_bTracking = FALSE;
  Invalidate(FALSE);
  Default();
}

void CPictureButton::OnLButtonDown(UINT, CPoint) {
  m_bButtonDown = TRUE;
  m_bClicked = TRUE;
  Default();
}

void CPictureButton::OnLButtonUp(UINT, CPoint) {
  m_bButtonDown = FALSE;
  Default();
}
