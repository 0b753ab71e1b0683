#include "ui/sheets/dialog_items.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <win/strings.h>

#include "ui/core/language.h"
#include "ui/sheets/number_text.h"

namespace vm4k2ui {

namespace {

// Float limits are given a little off their integers (0.9999, 999.0001) so that they survive
// the float; comparisons allow for that much.
constexpr double kLimitTolerance = 0.0001;

bool IsListBox(HWND control) {
  WCHAR name[32] = {};
  GetClassNameW(control, name, 32);
  return lstrcmpiW(name, u"ListBox") == 0;
}

size_t Length(const WCHAR* text) {
  size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

void Copy(WCHAR* out, const WCHAR* text, size_t capacity) {
  size_t i = 0;
  for (; i + 1 < capacity && text[i] != 0; ++i) out[i] = text[i];
  out[i] = 0;
}

bool HasBlank(const WCHAR* text) {
  for (; *text != 0; ++text)
    if (*text == u' ' || *text == u'\u3000') return true;
  return false;
}

int ReadWindowText(HWND control, WCHAR* buffer) {
  buffer[0] = 0;
  return control != nullptr ? GetWindowTextW(control, buffer, kItemTextUnits) : 0;
}

void FromAscii(const char* text, WCHAR* out, size_t capacity) {
  size_t i = 0;
  for (; i + 1 < capacity && text[i] != 0; ++i) out[i] = static_cast<WCHAR>(text[i]);
  out[i] = 0;
}

// The integer of a text IsSignedIntegerText accepts, saturated at the int range: a long row
// of digits is above any maximum, never a wrapped small number.
int ParseInteger(const WCHAR* text) {
  bool negative = false;
  if (*text == u'-') {
    negative = true;
    ++text;
  }
  long long value = 0;
  for (; *text != 0; ++text) {
    value = value * 10 + (*text - u'0');
    if (value > 0x80000000LL) value = 0x80000000LL;
  }
  if (negative) value = -value;
  if (value > 0x7FFFFFFFLL) value = 0x7FFFFFFFLL;
  return static_cast<int>(value);
}

bool IsIntegerFor(const WCHAR* text, bool isSigned) {
  return isSigned ? IsSignedIntegerText(text) : IsUnsignedIntegerText(text);
}

// A decimal number with an optional leading "-" for signed edits; the separator is ".".
bool IsDecimalFor(const WCHAR* text, bool isSigned) {
  if (isSigned && *text == u'-') {
    ++text;
    if (*text == 0) return false;
  }
  return IsDecimalText(text);
}

int DecimalsOf(const WCHAR* text) {
  const WCHAR* c = text;
  while (*c != 0 && *c != u'.') ++c;
  return *c == 0 ? 0 : static_cast<int>(Length(c + 1));
}

double ParseDecimal(const WCHAR* text) {
  char ascii[kItemTextUnits] = {};
  size_t i = 0;
  for (; i + 1 < sizeof(ascii) && text[i] != 0; ++i) ascii[i] = static_cast<char>(text[i]);
  ascii[i] = 0;
  return std::strtod(ascii, nullptr);
}

double RoundTo(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

}  // namespace

// ---- DlgItem -----------------------------------------------------------------------------------

BOOL DlgItem::Attach(HWND dialog, int id) {
  dialog_ = dialog;
  id_ = id;
  control_ = GetDlgItem(dialog, id);
  return control_ != nullptr;
}

void DlgItem::Enable(BOOL on) {
  if (control_ != nullptr) EnableWindow(control_, on);
}

int DlgItem::FindItemByData(LPARAM data) const {
  if (control_ == nullptr) return -1;
  const bool list = IsListBox(control_);
  const int count = static_cast<int>(SendMessageW(control_, list ? LB_GETCOUNT : CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (SendMessageW(control_, list ? LB_GETITEMDATA : CB_GETITEMDATA, i, 0) == data) return i;
  }
  return -1;
}

int DlgItem::GetSelectedText(WCHAR* buffer, int capacity) const {
  if (buffer == nullptr || capacity <= 0) return -1;
  buffer[0] = 0;
  if (control_ == nullptr) return -1;
  const bool list = IsListBox(control_);
  const LRESULT selection = SendMessageW(control_, list ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
  if (selection < 0) return -1;
  // The item text is copied without a size, so its length is checked first.
  const LRESULT length = SendMessageW(control_, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, selection, 0);
  if (length < 0 || length >= capacity) return -1;
  return static_cast<int>(
      SendMessageW(control_, list ? LB_GETTEXT : CB_GETLBTEXT, selection, reinterpret_cast<LPARAM>(buffer)));
}

// ---- Text wrappers -----------------------------------------------------------------------------

int DlgTextField::Validate() { return 0; }

int DlgTextField::GetText(WCHAR* buffer) {
  if (buffer == nullptr) return 0;
  return ReadWindowText(control_, buffer);
}

void DlgTextField::SetText(const WCHAR* text) {
  if (text != nullptr && control_ != nullptr) SetWindowTextW(control_, text);
}

int DlgTextEdit::Validate() {
  WCHAR text[kItemTextUnits];
  const int length = GetText(text);
  if (length > 0 && length <= maxLength_) return 1;
  if (control_ != nullptr) SetFocus(control_);
  return -1;
}

int DlgTextEdit::GetText(WCHAR* buffer) {
  if (buffer == nullptr) return 0;
  ReadWindowText(control_, buffer);
  return static_cast<int>(Length(TrimBlanks(buffer)));
}

void DlgTextEdit::SetText(const WCHAR* text) {
  if (text != nullptr && control_ != nullptr) SetWindowTextW(control_, text);
}

int DlgControl::Validate() { return 1; }
int DlgControl::Confirm() { return 1; }

// ---- Numeric edits -----------------------------------------------------------------------------

BOOL DlgNumberEdit::Attach(HWND dialog, int id) {
  lastAccepted_[0] = 0;
  hasLastAccepted_ = false;
  return DlgControl::Attach(dialog, id);
}

void DlgNumberEdit::Remember(const WCHAR* text) {
  Copy(lastAccepted_, text, kItemTextUnits);
  hasLastAccepted_ = true;
}

void DlgNumberEdit::RestoreLastAccepted() {
  if (control_ == nullptr) return;
  if (hasLastAccepted_) {
    // Setting the text sends EN_CHANGE again; the copy keeps the text safe from Remember.
    WCHAR text[kItemTextUnits];
    Copy(text, lastAccepted_, kItemTextUnits);
    SetWindowTextW(control_, text);
  } else {
    SendMessageW(control_, EM_UNDO, 0, 0);
  }
}

bool DlgNumberEdit::RefuseOverlong(int length) {
  if (length <= limits_.maxCharacters) return false;
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(control_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  SetFocus(control_);
  RestoreLastAccepted();
  // Back where the caret was, so the edit redraws around the refused character.
  SendMessageW(control_, EM_SETSEL, start, end);
  return true;
}

void DlgNumberEdit::FocusAndSelectAll() {
  if (control_ == nullptr) return;
  SetFocus(control_);
  SendMessageW(control_, EM_SETSEL, 0, -1);
}

void DlgNumberEdit::ShowText(const WCHAR* text) {
  if (control_ != nullptr) SetWindowTextW(control_, text);
  Remember(text);
}

int DlgIntEdit::LowestValue() const {
  return static_cast<int>(std::ceil(static_cast<double>(limits_.minimum) - kLimitTolerance));
}

int DlgIntEdit::HighestValue() const {
  return static_cast<int>(std::floor(static_cast<double>(limits_.maximum) + kLimitTolerance));
}

void DlgIntEdit::SetValue(int value) {
  char ascii[16];
  std::snprintf(ascii, sizeof(ascii), "%d", value);
  WCHAR text[16];
  FromAscii(ascii, text, 16);
  ShowText(text);
}

bool DlgIntEdit::ReadValue(int* value) const {
  if (control_ == nullptr) return false;
  WCHAR text[kItemTextUnits];
  ReadWindowText(control_, text);
  TrimBlanks(text);
  if (text[0] == 0 || HasBlank(text) || !IsIntegerFor(text, limits_.isSigned)) return false;
  if (value != nullptr) *value = ParseInteger(text);
  return true;
}

void DlgIntEdit::OnChange() {
  if (control_ == nullptr) return;
  WCHAR text[kItemTextUnits];
  const int length = ReadWindowText(control_, text);
  if (RefuseOverlong(length)) return;
  WCHAR trimmed[kItemTextUnits];
  Copy(trimmed, text, kItemTextUnits);
  TrimBlanks(trimmed);
  if (trimmed[0] == 0) return;
  const bool typingMinus = limits_.isSigned && std::u16string_view(trimmed) == u"-";
  if (!typingMinus) {
    if (HasBlank(trimmed) || !IsIntegerFor(trimmed, limits_.isSigned)) {
      RestoreLastAccepted();
      FocusAndSelectAll();
      return;
    }
    const int value = ParseInteger(trimmed);
    const int lowest = LowestValue();
    const int highest = HighestValue();
    if ((value < lowest || value > highest) && value != 0) {
      char ascii[16];
      const int highestDigits = std::snprintf(ascii, sizeof(ascii), "%d", highest);
      const int digits = static_cast<int>(Length(trimmed)) - (trimmed[0] == u'-' ? 1 : 0);
      // With a positive minimum a short number may still grow into the range ("5" on the
      // way to "50"); a number as long as the maximum cannot.
      const bool typing = limits_.minimum > 0 && digits < highestDigits;
      if (!typing) {
        SetValue(value >= highest ? highest : lowest);
        return;
      }
    }
  }
  Remember(text);
}

int DlgIntEdit::Validate() {
  if (control_ == nullptr) return 1;
  WCHAR text[kItemTextUnits];
  const int length = ReadWindowText(control_, text);
  if (length == 0 || length > limits_.maxCharacters) {
    SetFocus(control_);
    SendMessageW(control_, EM_UNDO, 0, 0);
    return -1;
  }
  TrimBlanks(text);
  if (text[0] == 0) {
    RestoreLastAccepted();
    return 1;
  }
  if (HasBlank(text) || !IsIntegerFor(text, limits_.isSigned)) {
    SetFocus(control_);
    return -1;
  }
  const int value = ParseInteger(text);
  if (value < LowestValue()) {
    SetValue(LowestValue());
  } else if (value > HighestValue()) {
    SetValue(HighestValue());
  }
  return 1;
}

void DlgFloatEdit::SetValue(double value) {
  char format[16];
  std::snprintf(format, sizeof(format), "%%.%df", limits_.decimals);
  char ascii[64];
  std::snprintf(ascii, sizeof(ascii), format, RoundTo(value, limits_.decimals));
  WCHAR text[64];
  FromAscii(ascii, text, 64);
  if (UiDecimalComma()) DotsToCommas(text);
  ShowText(text);
}

bool DlgFloatEdit::ReadValue(double* value) const {
  if (control_ == nullptr) return false;
  WCHAR text[kItemTextUnits];
  ReadWindowText(control_, text);
  TrimBlanks(text);
  if (text[0] == 0 || HasBlank(text)) return false;
  if (UiDecimalComma()) CommasToDots(text);
  if (!IsDecimalFor(text, limits_.isSigned) || DecimalsOf(text) > limits_.decimals) return false;
  // Rounded, not biased: a reader that truncates gets -45 back for "-45", not -44.
  if (value != nullptr) *value = RoundTo(ParseDecimal(text), limits_.decimals);
  return true;
}

void DlgFloatEdit::OnChange() {
  if (control_ == nullptr) return;
  WCHAR text[kItemTextUnits];
  const int length = ReadWindowText(control_, text);
  if (RefuseOverlong(length)) return;
  // Blanks around the number are typing, as reading trims them; one inside is not.
  WCHAR number[kItemTextUnits];
  Copy(number, text, kItemTextUnits);
  TrimBlanks(number);
  bool refused = false;
  if (UiDecimalComma()) {
    // Under the decimal comma a point is no separator.
    refused = std::u16string_view(number).find(u'.') != std::u16string_view::npos;
    CommasToDots(number);
  }
  const bool typingMinus = limits_.isSigned && std::u16string_view(number) == u"-";
  if (!refused && !typingMinus) {
    refused = HasBlank(number) || !IsDecimalFor(number, limits_.isSigned) || DecimalsOf(number) > limits_.decimals;
  }
  if (refused) {
    RestoreLastAccepted();
    FocusAndSelectAll();
    return;
  }
  Remember(text);
}

int DlgFloatEdit::Validate() {
  if (control_ == nullptr) return 1;
  WCHAR text[kItemTextUnits];
  ReadWindowText(control_, text);
  if (text[0] == 0) {
    SendMessageW(control_, EM_UNDO, 0, 0);
    return 1;
  }
  TrimBlanks(text);
  if (UiDecimalComma()) CommasToDots(text);
  if (text[0] == 0 || HasBlank(text) || !IsDecimalFor(text, limits_.isSigned)) {
    SetFocus(control_);
    SendMessageW(control_, EM_UNDO, 0, 0);
    return -1;
  }
  if (DecimalsOf(text) > limits_.decimals) {
    SetFocus(control_);
    return -1;
  }
  const double value = RoundTo(ParseDecimal(text), limits_.decimals);
  if (value > limits_.maximum + kLimitTolerance) {
    SetValue(limits_.maximum);
  } else if (value < limits_.minimum - kLimitTolerance) {
    SetValue(limits_.minimum);
  }
  return 1;
}

// ---- Up-downs ----------------------------------------------------------------------------------

BOOL DlgUpDown::Attach(HWND dialog, int id) {
  const BOOL found = DlgItem::Attach(dialog, id);
  if (control_ != nullptr) {
    UDACCEL acceleration{200, 1};
    SendMessageW(control_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&acceleration));
  }
  return found;
}

bool DlgUpDown::DeltaMeansUp(int delta) const {
  int lower = 0;
  int upper = 0;
  if (control_ != nullptr)
    SendMessageW(control_, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
  return upper < lower ? delta < 0 : delta > 0;
}

bool DlgUpDown::OnDeltaPos(const NMUPDOWN* change) {
  if (change == nullptr) return false;
  return Step(DeltaMeansUp(change->iDelta));
}

void DlgIntUpDown::BindBuddy(DlgNumberEdit* edit) {
  edit_ = dynamic_cast<DlgIntEdit*>(edit);
  step_ = 1;
}

bool DlgIntUpDown::Step(bool up) {
  int value = 0;
  if (edit_ == nullptr || !edit_->ReadValue(&value)) return false;
  const long long next = static_cast<long long>(value) + (up ? step_ : -step_);
  if (next < edit_->LowestValue() || next > edit_->HighestValue()) return false;
  edit_->SetValue(static_cast<int>(next));
  if (edit_->control() != nullptr) SendMessageW(edit_->control(), EM_SETSEL, 999, -1);
  return true;
}

void DlgFloatUpDown::BindBuddy(DlgNumberEdit* edit) {
  edit_ = dynamic_cast<DlgFloatEdit*>(edit);
  step_ = edit_ != nullptr ? std::pow(10.0, -edit_->limits().decimals) : 1;
}

bool DlgFloatUpDown::Step(bool up) {
  double value = 0;
  if (edit_ == nullptr || !edit_->ReadValue(&value)) return false;
  const NumberLimits& limits = edit_->limits();
  const double next = RoundTo(value + (up ? step_ : -step_), limits.decimals);
  if (next < limits.minimum - kLimitTolerance || next > limits.maximum + kLimitTolerance) return false;
  edit_->SetValue(next);
  if (edit_->control() != nullptr) SendMessageW(edit_->control(), EM_SETSEL, 999, -1);
  return true;
}

// ---- Buttons -----------------------------------------------------------------------------------

void DlgRadioGroup::Enable(BOOL on) {
  for (DlgCheckButton* member : members_) member->Enable(on);
}

void DlgRadioGroup::SelectByKey(int id) {
  for (DlgCheckButton* member : members_) member->SetChecked(member->id() == id);
}

bool DlgCheckButton::IsChecked() const {
  return control_ != nullptr && IsDlgButtonChecked(dialog_, id_) == BST_CHECKED;
}

void DlgCheckButton::Enable(BOOL on) {
  const BOOL dependentsOn = on && IsChecked();
  for (DlgItem* dependent : dependents_) dependent->Enable(dependentsOn);
  DlgItem::Enable(on);
}

void DlgCheckButton::SetChecked(bool on) {
  if (control_ == nullptr || IsChecked() == on) return;
  CheckDlgButton(dialog_, id_, on ? BST_CHECKED : BST_UNCHECKED);
  for (DlgItem* dependent : dependents_) dependent->Enable(on);
}

bool DlgCheckButton::SelectByKey(int id) {
  const bool selected = id == id_;
  if (selected) SetChecked(true);
  for (DlgItem* dependent : dependents_) dependent->Enable(selected);
  return selected;
}

}  // namespace vm4k2ui
