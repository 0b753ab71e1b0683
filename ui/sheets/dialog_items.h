// The dialog-control wrappers through which the pages and dialogs read and write their
// controls. A wrapper is a member of a page-state object and outlives the page's window: each
// WM_INITDIALOG attaches it again to the new control. Check boxes and radio buttons of the
// templates are non-automatic, so the wrappers toggle them; the up-downs have no
// UDS_SETBUDDYINT, so the wrappers write their buddies.
//
// The virtual operations are declared in the order of their slots:
//   DlgItem         Attach, Enable
//   DlgTextField    Attach, Enable, destructor, Validate (0), GetText, SetText
//   DlgTextEdit     Attach, Enable, destructor, Validate, GetText, SetText
//   DlgControl      Attach, Enable, destructor, Validate (1), Confirm (1)
//   DlgIntEdit      ... Validate (integer rule), Confirm
//   DlgFloatEdit    ... Validate (decimal rule), Confirm
//   DlgUpDown       Attach (sets the acceleration), Enable, destructor, BindBuddy, Step (both pure)
//   DlgIntUpDown, DlgFloatUpDown
//   DlgRadioGroup   Attach, Enable (every member), destructor, SelectByKey
//   DlgCheckButton  Attach, Enable (dependents, then the button), destructor, SelectByKey
#pragma once

#include <vector>

#include <win/commctrl.h>
#include <win/dialogs.h>

namespace vm4k2ui {

// Text buffers of the wrappers: window texts are read into 260 characters.
inline constexpr int kItemTextUnits = 260;

class DlgItem {
 public:
  // Looks the control up in `dialog` and keeps id, control and dialog. FALSE when the dialog
  // has no such control (the wrapper then holds a null control and does nothing).
  virtual BOOL Attach(HWND dialog, int id);
  virtual void Enable(BOOL on);
  virtual ~DlgItem() = default;

  int id() const { return id_; }
  HWND control() const { return control_; }
  HWND dialog() const { return dialog_; }

  // Combo and list boxes (CB_ or LB_ messages by the control's class): the first index whose
  // item data equals `data`, else -1.
  int FindItemByData(LPARAM data) const;
  // The selected item's text (capacity in characters, terminator included): its length, or
  // -1 when nothing is selected or the text does not fit.
  int GetSelectedText(WCHAR* buffer, int capacity) const;

 protected:
  int id_ = -1;
  HWND control_ = nullptr;
  HWND dialog_ = nullptr;
};

// A text the page shows and reads as it stands.
class DlgTextField : public DlgItem {
 public:
  ~DlgTextField() override = default;
  virtual int Validate();
  // The window text, at most 260 characters (buffer of kItemTextUnits); its length.
  virtual int GetText(WCHAR* buffer);
  virtual void SetText(const WCHAR* text);
};

// A name the user types: not empty once trimmed, and not longer than its maximum.
class DlgTextEdit : public DlgItem {
 public:
  ~DlgTextEdit() override = default;
  // 1 when the trimmed text is not empty and not longer than the maximum length; else the
  // focus goes to the edit and -1.
  virtual int Validate();
  // The window text (buffer of kItemTextUnits) trimmed of blanks; its length.
  virtual int GetText(WCHAR* buffer);
  virtual void SetText(const WCHAR* text);

  void SetMaxLength(int characters) { maxLength_ = characters; }
  int maxLength() const { return maxLength_; }

 private:
  int maxLength_ = kItemTextUnits - 1;
};

class DlgControl : public DlgItem {
 public:
  ~DlgControl() override = default;
  virtual int Validate();
  virtual int Confirm();
};

// The limits of a numeric edit. The bounds are floats as the templates' callers give them
// (0.9999 for "at least 1"); integer edits clamp to the integers within them.
struct NumberLimits {
  float maximum = 0;
  float minimum = 0;
  int decimals = 0;      // 0 for integers
  int maxCharacters = 0;
  bool isSigned = false;  // a leading "-" is allowed
};

// Common to the integer and decimal edits: limits and the last accepted text.
class DlgNumberEdit : public DlgControl {
 public:
  ~DlgNumberEdit() override = default;
  void SetLimits(const NumberLimits& limits) { limits_ = limits; }
  const NumberLimits& limits() const { return limits_; }
  const WCHAR* lastAccepted() const { return lastAccepted_; }
  // Forgets the last accepted text (a new control after WM_INITDIALOG).
  BOOL Attach(HWND dialog, int id) override;

 protected:
  void Remember(const WCHAR* text);
  // The last accepted text back in the edit (EM_UNDO when there is none).
  void RestoreLastAccepted();
  // A text past the character limit is refused: the last accepted text back, the caret kept.
  bool RefuseOverlong(int length);
  void FocusAndSelectAll();
  void ShowText(const WCHAR* text);

  NumberLimits limits_;
  WCHAR lastAccepted_[kItemTextUnits] = {};
  bool hasLastAccepted_ = false;
};

class DlgIntEdit : public DlgNumberEdit {
 public:
  ~DlgIntEdit() override = default;
  // Focus loss and apply: 1 when the text is (or was made) a value within the limits; -1,
  // with the focus in the edit, when it is no number.
  int Validate() override;
  int Confirm() override { return 1; }

  // EN_CHANGE: refuses what cannot become a value, clamps what can, and remembers the rest.
  void OnChange();
  void SetValue(int value);
  // false when the trimmed text is no integer.
  bool ReadValue(int* value) const;
  // The integers within the float limits.
  int LowestValue() const;
  int HighestValue() const;
};

class DlgFloatEdit : public DlgNumberEdit {
 public:
  ~DlgFloatEdit() override = default;
  int Validate() override;
  int Confirm() override { return 1; }

  void OnChange();
  // Formatted with the edit's decimals; "," as the separator under the decimal comma.
  void SetValue(double value);
  // The number rounded to the edit's decimals; false when the text is no such number.
  bool ReadValue(double* value) const;
};

class DlgUpDown : public DlgItem {
 public:
  // Also sets one acceleration step {200 seconds, increment 1}: the wrapper steps by its own
  // increment whatever the hold time.
  BOOL Attach(HWND dialog, int id) override;
  ~DlgUpDown() override = default;
  virtual void BindBuddy(DlgNumberEdit* edit) = 0;
  // Steps the bound edit's value up or down: false when it has no value or the result falls
  // outside its limits, else the value is written with the caret at the end.
  virtual bool Step(bool up) = 0;

  // Whether a UDN_DELTAPOS delta means the up arrow: the up arrow moves toward the range's
  // upper end, so its delta is negative only for an inverted range (the default 100..0).
  bool DeltaMeansUp(int delta) const;
  // UDN_DELTAPOS: steps the bound edit; TRUE when it stepped.
  bool OnDeltaPos(const NMUPDOWN* change);
};

class DlgIntUpDown : public DlgUpDown {
 public:
  ~DlgIntUpDown() override = default;
  // Keeps the edit (an integer edit; another kind binds nothing) and the step 1.
  void BindBuddy(DlgNumberEdit* edit) override;
  bool Step(bool up) override;

 private:
  DlgIntEdit* edit_ = nullptr;
  int step_ = 1;
};

class DlgFloatUpDown : public DlgUpDown {
 public:
  ~DlgFloatUpDown() override = default;
  // Keeps the edit (a decimal edit) and the step 10^-decimals.
  void BindBuddy(DlgNumberEdit* edit) override;
  bool Step(bool up) override;

 private:
  DlgFloatEdit* edit_ = nullptr;
  double step_ = 1;
};

class DlgCheckButton;

// Radio buttons of one choice. The group does not own its members.
class DlgRadioGroup : public DlgItem {
 public:
  void Enable(BOOL on) override;
  ~DlgRadioGroup() override = default;
  // Checks the member whose control id is `id` and unchecks the others, in member order.
  virtual void SelectByKey(int id);

  void AddMember(DlgCheckButton* member) { members_.push_back(member); }
  const std::vector<DlgCheckButton*>& members() const { return members_; }

 private:
  std::vector<DlgCheckButton*> members_;
};

// A check box or a radio button with the controls that depend on it: they are enabled exactly
// while it is checked. The button does not own its dependents.
class DlgCheckButton : public DlgItem {
 public:
  // The dependents follow `on` while the button is checked and are disabled while it is not;
  // then the button itself.
  void Enable(BOOL on) override;
  ~DlgCheckButton() override = default;
  // Selected when `id` is the button's own id: then checked. Every dependent is enabled when
  // selected and disabled otherwise. Whether it was selected.
  virtual bool SelectByKey(int id);

  // Nothing when the button already shows `on`; else checks or unchecks it and enables or
  // disables its dependents with it.
  void SetChecked(bool on);
  bool IsChecked() const;
  void AddDependent(DlgItem* dependent) { dependents_.push_back(dependent); }
  const std::vector<DlgItem*>& dependents() const { return dependents_; }

 private:
  std::vector<DlgItem*> dependents_;
};

}  // namespace vm4k2ui
