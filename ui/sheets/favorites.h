// The basic page's favourites: named, stored copies of the whole settings record in an
// editable combo box with Save and Delete. The current settings carry the name of the
// favourite they came from in FavoriteName; a change makes it the unsaved name. Each store
// operation makes one heap FavoriteStore, held through the pages' reference registry.
#pragma once

#include <functional>

#include <win/base.h>

#include "ui/core/printer_ui_context.h"
#include "ui/sheets/settings_snapshot.h"

namespace vm4k2ui {

inline constexpr int kFavoritesCombo = 1009;
inline constexpr int kSaveFavoriteButton = 1181;
inline constexpr int kDeleteFavoriteButton = 1182;
inline constexpr UINT kDefaultFavoriteNameId = 202;
inline constexpr UINT kFactoryFavoriteNameId = 4011;
inline constexpr int kFavoriteNameTextUnits = 260;
inline constexpr int kFavoritesComboLimit = 16;

// What the favourite operations work on: the basic page's part of its state.
struct FavoritesPanel {
  HWND page = nullptr;
  PrinterUiContext* context = nullptr;
  WCHAR lastAcceptedName[kFavoriteNameTextUnits] = {};
  bool selectionMade = false;
  SnapshotHolder* holder = nullptr;
  // The basic page's refresh, run after a favourite was applied or deleted.
  std::function<void()> refreshPage;
};

// The unsaved name (string 5005; "Untitled" when it does not load), the default and the
// factory favourite names, from the page's satellite.
std::u16string UnsavedFavoriteName(HWND page);
std::u16string DefaultFavoriteName(HWND page);
std::u16string FactoryFavoriteName(HWND page);

// FavoriteName, cut to `limit` characters and terminated.
void SetFavoriteName(PrinterUiContext* context, std::u16string_view name, size_t limit);
std::u16string FavoriteNameOf(const PrinterUiContext& context);

// The start-up check, run before the basic page's controls are attached.
void RunFavoritesStartupCheck(FavoritesPanel& panel);

// Save and Delete disabled, the combo showing the unsaved name fully selected, FavoriteName
// the unsaved name. Nothing when the combo already shows it.
void FavoritesShowUnsaved(FavoritesPanel& panel);

void FillFavoritesCombo(FavoritesPanel& panel);
void ApplyFavorite(FavoritesPanel& panel);
void AddFavorite(FavoritesPanel& panel);
void DeleteFavorite(FavoritesPanel& panel);

// The combo's notifications (CBN_SELCHANGE, CBN_EDITCHANGE, CBN_KILLFOCUS, CBN_DROPDOWN,
// CBN_CLOSEUP, CBN_SELENDCANCEL).
void OnFavoritesComboCommand(FavoritesPanel& panel, UINT notification);

}  // namespace vm4k2ui
