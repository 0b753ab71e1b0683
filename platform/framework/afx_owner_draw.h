// The owner-draw messages a parent reflects to its control classes: the control draws (and,
// where it has the call, measures) its own items, and the parent answers TRUE for it.
#pragma once

#include "afxwin.h"

namespace afx_detail {

template <typename Control>
BOOL ReflectOwnerDraw(Control& control, UINT message, LPARAM lParam, LRESULT* result) {
  if (message == WM_DRAWITEM) {
    control.DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  } else if constexpr (requires { control.MeasureItem(LPMEASUREITEMSTRUCT{}); }) {
    if (message != WM_MEASUREITEM) return FALSE;
    control.MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
  } else {
    return FALSE;
  }
  *result = TRUE;
  return TRUE;
}

}  // namespace afx_detail
