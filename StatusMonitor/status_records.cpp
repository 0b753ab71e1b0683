#include "StatusMonitor/status_records.h"

#include <win/resources.h>
#include <win/strings.h>

namespace vm4k2sm {

namespace {

struct TextRow {
  BYTE status;
  BYTE valueCode;
  UINT textId;
};
// Status 126 and 1 take any ValueCode; they are handled before the table.
constexpr TextRow kStatusTexts[] = {
    {2, 1, 1051},    {2, 2, 1053},    {4, 1, 1055},    {4, 2, 1057},    {4, 3, 1059},    {8, 1, 1063},
    {8, 2, 1065},    {16, 1, 1067},   {16, 2, 1069},   {16, 3, 1071},   {16, 4, 1073},   {16, 5, 1075},
    {32, 2, 1079},   {64, 1, 1077},   {128, 128, 1049}, {128, 129, 1039}, {128, 130, 1043}, {128, 131, 1045},
    {128, 132, 1047}, {128, 133, 1041}, {128, 134, 1029}, {128, 136, 1007},
};
constexpr UINT kFatalErrorText = 1027;
constexpr UINT kNotReachableText = 1025;

}  // namespace

void FreeStatusRecords(PrinterStatusRecord* records) { delete[] records; }
void FreeStatusNote(StatusChangeNote* note) { delete note; }

UINT StatusTextId(BYTE status, BYTE valueCode) {
  if (status == 1) return kFatalErrorText;
  if (status == 126) return kNotReachableText;
  for (const TextRow& row : kStatusTexts)
    if (row.status == status && row.valueCode == valueCode) return row.textId;
  return 0;
}

void GetStatusText(PrinterStatusRecord& record, HINSTANCE resources) {
  record.statusText[0] = 0;
  const UINT id = StatusTextId(record.status, record.valueCode);
  if (id == 0) return;
  const int length = LoadStringW(resources, id, record.statusText, static_cast<int>(kStatusTextUnits));
  record.statusText[length > 0 ? length : 0] = 0;
  if (record.status != 1) return;
  WCHAR code[16];
  wsprintfW(code, u"(%.3d)", static_cast<int>(record.valueCode));
  if (static_cast<size_t>(lstrlenW(record.statusText) + lstrlenW(code)) < kStatusTextUnits)
    lstrcatW(record.statusText, code);
}

}  // namespace vm4k2sm
