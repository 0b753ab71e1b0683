#include "ui/sheets/favorites.h"

#include <memory>
#include <new>
#include <string>

#include <win/commctrl.h>
#include <win/dialogs.h>
#include <win/user.h>

#include "ui/core/custom_paper_source.h"
#include "ui/core/devmode.h"
#include "ui/core/message_box.h"
#include "ui/core/satellite.h"
#include "ui/core/setting_stores.h"
#include "ui/core/system_queries.h"
#include "ui/core/watermark_records.h"
#include "ui/sheets/name_checks.h"
#include "ui/sheets/number_text.h"
#include "ui/sheets/object_refs.h"
#include "ui/sheets/ui_strings.h"

namespace vm4k2ui {

namespace {

constexpr int kComboTextUnits = 256;
constexpr size_t kFavoriteNameOnSave = 31;
constexpr size_t kFavoriteNameOnApply = 255;
constexpr size_t kCustomPapersSearched = 16;
constexpr UINT kNameEmptyText = 2064;
constexpr UINT kLoadFailedText = 2062;
constexpr UINT kFavoritesCaption = 2060;
constexpr UINT kStoreFullText = 2061;
constexpr UINT kReplaceQuestion = 2063;
constexpr UINT kSaveCaption = 2000;

// One heap store per operation, registered while the operation holds it.
class HeldFavoriteStore {
 public:
  HeldFavoriteStore() : store_(new (std::nothrow) FavoriteStore) { AddObjectRef(store_); }
  ~HeldFavoriteStore() { ReleaseObjectRef(store_); }
  HeldFavoriteStore(const HeldFavoriteStore&) = delete;
  HeldFavoriteStore& operator=(const HeldFavoriteStore&) = delete;

  explicit operator bool() const { return store_ != nullptr; }
  SettingStore* operator->() const { return store_; }

 private:
  SettingStore* store_;
};

std::u16string Trimmed(const WCHAR* text) {
  std::u16string copy(text);
  copy.push_back(u'\0');
  TrimBlanks(copy.data());
  return std::u16string(copy.c_str());
}

HWND Combo(const FavoritesPanel& panel) { return GetDlgItem(panel.page, kFavoritesCombo); }

std::u16string ComboText(const FavoritesPanel& panel) {
  WCHAR text[kComboTextUnits] = {};
  GetDlgItemTextW(panel.page, kFavoritesCombo, text, kComboTextUnits);
  return Trimmed(text);
}

std::u16string ComboRowText(HWND combo, int row) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(row), 0);
  if (length == CB_ERR || length < 0 || length >= kComboTextUnits) return {};
  WCHAR text[kComboTextUnits] = {};
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
  return std::u16string(text);
}

void ShowComboText(const FavoritesPanel& panel, const std::u16string& text) {
  SetDlgItemTextW(panel.page, kFavoritesCombo, text.c_str());
  SendMessageW(Combo(panel), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void EnableControl(const FavoritesPanel& panel, int control, bool enable) {
  EnableWindow(GetDlgItem(panel.page, control), enable ? TRUE : FALSE);
}

void NotifyChanged(const FavoritesPanel& panel) {
  SendMessageW(GetParent(panel.page), PSM_CHANGED, reinterpret_cast<WPARAM>(panel.page), 0);
}

int ShowStringBox(const FavoritesPanel& panel, UINT textId, UINT captionId, UINT style) {
  const HMODULE satellite = SatelliteOf(panel.page);
  const std::u16string text = LoadUiString(satellite, textId);
  const std::u16string caption = LoadUiString(satellite, captionId);
  return ShowMessageBox(panel.page, text.c_str(), caption.c_str(), style);
}

void SetLastAccepted(FavoritesPanel& panel, std::u16string_view name) {
  const size_t units = std::min(name.size(), static_cast<size_t>(kFavoriteNameTextUnits - 1));
  std::copy_n(name.data(), units, panel.lastAcceptedName);
  panel.lastAcceptedName[units] = 0;
}

bool IsPlainDefault(const PrinterUiContext& context) {
  const DEVMODEW& pub = context.devmode.dmPublic;
  const int localePaper = IsMetricLocale() ? DMPAPER_A4 : DMPAPER_LETTER;
  return pub.dmPaperSize == localePaper && pub.dmDuplex == DMDUP_SIMPLEX && pub.dmDefaultSource == DMBIN_AUTO;
}

// Whether a favourite of that name loads; the loaded settings go to a scratch copy.
bool FavoriteLoads(SettingStore* store, const PrinterUiContext& context, const std::u16string& name) {
  auto scratch = std::make_unique<PrinterUiContext>(context);
  return store->Load(name.c_str(), scratch.get(), sizeof(PrinterUiContext)) == 1;
}

// A past bug let every unknown name add a favourite at start-up until the store was past
// its limit, after which the combo could never list it again; the check only adds while
// there is room.
void SaveWhileRoom(SettingStore* store, const std::u16string& name, const PrinterUiContext& settings) {
  if (store->Count() >= store->MaxCount()) return;
  store->Save(name.c_str(), &settings, sizeof(PrinterUiContext));
}

bool CustomPaperStored(int paperId) {
  const std::vector<vm4k2::CustomPaperRecord> papers = ListCustomPapers();
  for (size_t i = 0; i < papers.size() && i < kCustomPapersSearched; ++i) {
    if (papers[i].paperId == paperId) return true;
  }
  return false;
}

void KeepWatermarkStored(vm4k2::PrivateDevmode& priv) {
  const std::vector<vm4k2::WatermarkRecord> stored = LoadWatermarkList();
  for (const vm4k2::WatermarkRecord& record : stored) {
    if (record.id == priv.watermark.id) return;
  }
  if (!stored.empty()) {
    priv.watermark = stored.front();
  } else {
    CopyBuiltinWatermark(0, &priv.watermark);
  }
}

// The row whose text is the name, compared exactly: CB_FINDSTRINGEXACT ignores case, and
// store names are case-sensitive.
int FindExactRow(HWND combo, const std::u16string& name) {
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (int row = 0; row < count; ++row) {
    if (ComboRowText(combo, row) == name) return row;
  }
  return -1;
}

bool ListAll(SettingStore* store, NameList* names, int* count) {
  *count = store->Count();
  if (*count <= 0) return true;
  return store->Enumerate(names) == *count;
}

}  // namespace

std::u16string UnsavedFavoriteName(HWND page) {
  WCHAR name[kUnsavedNameUnits] = {};
  if (LoadUnsavedName(page, name) <= 0 || name[0] == 0) return u"Untitled";
  name[kUnsavedNameUnits - 1] = 0;
  return std::u16string(name);
}

std::u16string DefaultFavoriteName(HWND page) { return LoadUiString(SatelliteOf(page), kDefaultFavoriteNameId); }
std::u16string FactoryFavoriteName(HWND page) { return LoadUiString(SatelliteOf(page), kFactoryFavoriteNameId); }

void SetFavoriteName(PrinterUiContext* context, std::u16string_view name, size_t limit) {
  WCHAR* field = context->devmode.dmPrivate.favoriteName;
  const size_t units = std::min({name.size(), limit, vm4k2::kFavoriteNameUnits - 1});
  std::fill(field, field + vm4k2::kFavoriteNameUnits, u'\0');
  std::copy_n(name.data(), units, field);
}

std::u16string FavoriteNameOf(const PrinterUiContext& context) {
  const WCHAR* field = context.devmode.dmPrivate.favoriteName;
  size_t units = 0;
  while (units < vm4k2::kFavoriteNameUnits && field[units] != 0) ++units;
  return std::u16string(field, units);
}

void RunFavoritesStartupCheck(FavoritesPanel& panel) {
  PrinterUiContext* context = panel.context;
  if (context == nullptr) return;
  auto kept = std::make_unique<PrinterUiContext>();
  if (!CopyLatestDefaultsContext(kept.get())) return;
  const std::u16string keptName = FavoriteNameOf(*kept);
  const std::u16string unsaved = UnsavedFavoriteName(panel.page);
  if (keptName == FavoriteNameOf(*context) && !IsPlainDefault(*context)) {
    SetFavoriteName(context, unsaved, kFavoriteNameOnApply);
  }
  HeldFavoriteStore store;
  if (!store) return;
  if (!FavoriteLoads(store.operator->(), *context, keptName)) SaveWhileRoom(store.operator->(), keptName, *kept);
  const std::u16string current = FavoriteNameOf(*context);
  if (current != unsaved && !FavoriteLoads(store.operator->(), *context, current)) {
    SaveWhileRoom(store.operator->(), current, *context);
  }
}

void FavoritesShowUnsaved(FavoritesPanel& panel) {
  const std::u16string unsaved = UnsavedFavoriteName(panel.page);
  WCHAR shown[kComboTextUnits] = {};
  GetDlgItemTextW(panel.page, kFavoritesCombo, shown, kComboTextUnits);
  if (unsaved == shown) return;
  EnableControl(panel, kSaveFavoriteButton, false);
  EnableControl(panel, kDeleteFavoriteButton, false);
  ShowComboText(panel, unsaved);
  SetLastAccepted(panel, unsaved);
  if (panel.context != nullptr) SetFavoriteName(panel.context, unsaved, kFavoriteNameOnApply);
}

void FillFavoritesCombo(FavoritesPanel& panel) {
  if (panel.context == nullptr) return;
  HeldFavoriteStore store;
  if (!store || store->EnsureFile() != 1) return;
  if (store->Count() == 0) {
    const std::u16string name = FavoriteNameOf(*panel.context);
    if (name.size() <= kStoreNameLimit &&
        store->Save(name.c_str(), panel.context, sizeof(PrinterUiContext)) == 1) {
      store->SaveCurrent(name.c_str(), panel.context);
    }
  }
  NameList names;
  const int listed = store->Enumerate(&names);
  if (listed < 0 || listed != store->Count()) return;
  const HWND combo = Combo(panel);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (int row = 0; row < listed && row < names.RowCount(); ++row) {
    SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(names.Row(row)));
  }
}

void ApplyFavorite(FavoritesPanel& panel) {
  panel.selectionMade = true;
  const HWND combo = Combo(panel);
  const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (selection == CB_ERR || selection < 0) {
    EnableControl(panel, kSaveFavoriteButton, false);
    return;
  }
  const std::u16string name = Trimmed(ComboRowText(combo, static_cast<int>(selection)).c_str());
  if (name.empty()) {
    ShowStringBox(panel, kNameEmptyText, kFavoritesCaption, MB_OK);
    return;
  }
  PrinterUiContext* context = panel.context;
  if (context == nullptr) return;
  if (name == FavoriteNameOf(*context)) {
    EnableControl(panel, kSaveFavoriteButton, false);
    if (name == panel.lastAcceptedName) EnableControl(panel, kDeleteFavoriteButton, true);
    SetLastAccepted(panel, name);
  }
  {
    HeldFavoriteStore store;
    if (!store || store->Load(name.c_str(), context, sizeof(PrinterUiContext)) != 1) {
      ShowStringBox(panel, kLoadFailedText, kFavoritesCaption, MB_OK);
      return;
    }
  }
  SetFavoriteName(context, name, kFavoriteNameOnApply);
  DEVMODEW& pub = context->devmode.dmPublic;
  if (pub.dmPaperSize >= vm4k2::kCustomPaperFirstId && !CustomPaperStored(pub.dmPaperSize)) {
    SetLocaleDefaultPaper(&pub);
  }
  KeepWatermarkStored(context->devmode.dmPrivate);
  if (panel.refreshPage) panel.refreshPage();
  SetLastAccepted(panel, name);
  if (name == FactoryFavoriteName(panel.page)) {
    SetLocaleDefaultPaper(&pub);
    EnableControl(panel, kSaveFavoriteButton, false);
    EnableControl(panel, kDeleteFavoriteButton, false);
  }
  EnableControl(panel, kSaveFavoriteButton, false);
  NotifyChanged(panel);
  if (panel.holder != nullptr) panel.holder->Capture(*context);
}

void AddFavorite(FavoritesPanel& panel) {
  PrinterUiContext* context = panel.context;
  if (context == nullptr) return;
  const std::u16string name = ComboText(panel);
  if (name.empty()) {
    ShowStringBox(panel, kLoadFailedText, kSaveCaption, MB_OK);
    return;
  }
  HeldFavoriteStore store;
  if (!store) return;
  NameList names;
  int count = 0;
  const bool listed = ListAll(store.operator->(), &names, &count);
  const bool exists = listed && count > 0 && names.Contains(name);
  // Fullness only refuses a new name: replacing one of sixteen must stay possible.
  if (!exists && count >= store->MaxCount()) {
    ShowStringBox(panel, kStoreFullText, kSaveCaption, MB_OK);
    return;
  }
  if (!listed) return;
  if (exists && ShowStringBox(panel, kReplaceQuestion, kSaveCaption, MB_YESNO | MB_ICONWARNING) != IDYES) return;

  const std::u16string previousName = FavoriteNameOf(*context);
  SetFavoriteName(context, name, kFavoriteNameOnSave);
  if (store->Save(name.c_str(), context, sizeof(PrinterUiContext)) != 1) {
    SetFavoriteName(context, previousName, kFavoriteNameOnApply);
    return;
  }
  // The old row goes only once the replacement is stored: a failed save keeps it listed.
  const HWND combo = Combo(panel);
  if (exists) {
    const int row = FindExactRow(combo, name);
    if (row >= 0) SendMessageW(combo, CB_DELETESTRING, static_cast<WPARAM>(row), 0);
  }
  const LRESULT end = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  const LRESULT row = SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(end < 0 ? 0 : end),
                                   reinterpret_cast<LPARAM>(name.c_str()));
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
  SetLastAccepted(panel, name);
  EnableControl(panel, kSaveFavoriteButton, false);
  EnableControl(panel, kDeleteFavoriteButton, true);
  NotifyChanged(panel);
}

void DeleteFavorite(FavoritesPanel& panel) {
  const std::u16string name = ComboText(panel);
  if (name.empty()) return;
  HeldFavoriteStore store;
  if (!store) return;
  if (store->Count() <= 1) {
    ShowMessageBox(panel.page, u"The default settings can not be deleted", u"Error", MB_OK);
    return;
  }
  NameList names;
  int count = 0;
  if (!ListAll(store.operator->(), &names, &count)) {
    ShowMessageBox(panel.page, u"Get setting error", u"Error", MB_OK);
    return;
  }
  if (!names.Contains(name) || store->Delete(name.c_str()) != 1) return;
  const HWND combo = Combo(panel);
  const int row = FindExactRow(combo, name);
  if (row >= 0) SendMessageW(combo, CB_DELETESTRING, static_cast<WPARAM>(row), 0);
  if (panel.refreshPage) panel.refreshPage();
  NotifyChanged(panel);
}

void OnFavoritesComboCommand(FavoritesPanel& panel, UINT notification) {
  switch (notification) {
    case CBN_SELCHANGE:
      ApplyFavorite(panel);
      return;
    case CBN_EDITCHANGE: {
      WCHAR text[kComboTextUnits] = {};
      GetDlgItemTextW(panel.page, kFavoritesCombo, text, kComboTextUnits);
      TrimBlanks(text);
      EnableControl(panel, kDeleteFavoriteButton, false);
      if (text[0] == 0) {
        EnableControl(panel, kSaveFavoriteButton, false);
        return;
      }
      if (!IsValidName(text)) {
        CleanName(text);
        ShowComboText(panel, text);
        return;
      }
      const std::u16string name(text);
      if (name == FactoryFavoriteName(panel.page) || name == UnsavedFavoriteName(panel.page)) {
        EnableControl(panel, kSaveFavoriteButton, false);
      } else {
        SetLastAccepted(panel, name);
        EnableControl(panel, kSaveFavoriteButton, true);
      }
      if (panel.holder != nullptr && panel.context != nullptr) panel.holder->Capture(*panel.context);
      return;
    }
    case CBN_KILLFOCUS:
      if (ComboText(panel).empty()) ShowComboText(panel, panel.lastAcceptedName);
      if (ComboText(panel) == UnsavedFavoriteName(panel.page)) EnableControl(panel, kSaveFavoriteButton, false);
      return;
    case CBN_DROPDOWN:
      panel.selectionMade = false;
      return;
    case CBN_CLOSEUP:
      if (!panel.selectionMade) {
        if (panel.context != nullptr) SetDlgItemTextW(panel.page, kFavoritesCombo, FavoriteNameOf(*panel.context).c_str());
        InvalidateRect(Combo(panel), nullptr, TRUE);
      } else {
        panel.selectionMade = false;
      }
      return;
    case CBN_SELENDCANCEL: {
      const HWND combo = Combo(panel);
      const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
      if (selection < 0) return;
      if (Trimmed(ComboRowText(combo, static_cast<int>(selection)).c_str()) == DefaultFavoriteName(panel.page)) {
        EnableControl(panel, kSaveFavoriteButton, false);
        EnableControl(panel, kDeleteFavoriteButton, false);
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace vm4k2ui
