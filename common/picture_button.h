// CPictureButton: the status programs' owner-drawn button that shows one of three bitmaps of
// the resource library (normal, pressed, hover). The bitmaps are loaded once and freed with the
// button; painting copies the chosen one into the button at its own size.
#pragma once

#include <afxwin.h>

// Which bitmaps each picture button of the status programs shows, by control id.
struct PictureButtonBitmaps {
  UINT control;
  UINT normal;
  UINT pressed;
  UINT hover;
};
// NULL for a control that is no picture button.
const PictureButtonBitmaps* FindPictureButtonBitmaps(UINT control);

class CPictureButton : public CButton {
  DECLARE_DYNAMIC(CPictureButton)

 public:
  CPictureButton() = default;
  ~CPictureButton() override = default;

  // Loads the three bitmaps and sizes the button to the normal one, where it stands.
  BOOL LoadBitmaps(UINT normal, UINT pressed, UINT hover);
  // The bitmap DrawItem would show now: 0 normal, 1 pressed, 2 hover.
  int ChosenImage() const;

  void PreSubclassWindow() override;
  void DrawItem(LPDRAWITEMSTRUCT item) override;

  BOOL m_bHover = FALSE;
  BOOL m_bTracking = FALSE;
  BOOL m_bButtonDown = FALSE;
  BOOL m_bClicked = FALSE;
  BOOL m_bDisabled = FALSE;

 protected:
  void OnMouseMove(UINT flags, CPoint point);
  void OnMouseHover(UINT flags, CPoint point);
  void OnMouseLeave();
  void OnLButtonDown(UINT flags, CPoint point);
  void OnLButtonUp(UINT flags, CPoint point);

  UINT m_nNormalId = 0;
  UINT m_nPressedId = 0;
  UINT m_nHoverId = 0;
  CBitmap m_bitmaps[3];

  DECLARE_MESSAGE_MAP()
};
