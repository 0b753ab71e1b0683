// The PrinterFontTable pinned row by row: the file carries row numbers only, so a moved or
// misspelt row would print a different font than the one the user chose.
#include <gtest/gtest.h>

#include <string>

#include <vm4k2/printer_font_table.h>

namespace {

struct ExpectedRow {
  const char16_t* displayName;
  const char* pclName;
  uint32_t symbolSet;
};

const ExpectedRow kExpected[] = {
    {u"Soft Fonts", "Soft Fonts      ", 590},  // 0
    {u"Albertus Extra Bold", "Albertus      Xb", 590},  // 1
    {u"Albertus Medium", "Albertus      Md", 590},  // 2
    {u"Antique Olive", "AntiqOlive      ", 590},  // 3
    {u"Antique Olive Bold", "AntiqOlive    Bd", 590},  // 4
    {u"Antique Olive Italic", "AntiqOlive    It", 590},  // 5
    {u"Arial", "Arial           ", 590},  // 6
    {u"Arial Bold", "Arial         Bd", 590},  // 7
    {u"Arial Bold Italic", "Arial       BdIt", 590},  // 8
    {u"Arial Italic", "Arial         It", 590},  // 9
    {u"CG Omega", "CG Omega        ", 590},  // 10
    {u"CG Omega Bold", "CG Omega      Bd", 590},  // 11
    {u"CG Omega Bold Italic", "CG Omega    BdIt", 590},  // 12
    {u"CG Omega Italic", "CG Omega      It", 590},  // 13
    {u"CG Times", "CG Times        ", 590},  // 14
    {u"CG Times Bold", "CG Times      Bd", 590},  // 15
    {u"CG Times Bold Italic", "CG Times    BdIt", 590},  // 16
    {u"CG Times Italic", "CG Times      It", 590},  // 17
    {u"Clarendon Condencsed", "Clarendon   CdBd", 590},  // 18
    {u"Coronet", "Coronet         ", 590},  // 19
    {u"Courier", "Courier         ", 590},  // 20
    {u"Courier Bold", "Courier       Bd", 590},  // 21
    {u"Courier Bold Italic", "Courier     BdIt", 590},  // 22
    {u"Courier Italic", "Courier       It", 590},  // 23
    {u"CourierPS", "CourierPS       ", 590},  // 24
    {u"CourierPS Bold", "CourierPS     Bd", 590},  // 25
    {u"CourierPS Bold Oblique", "CourierPS   BdOb", 590},  // 26
    {u"CourierPS Oblique", "CourierPS     Ob", 590},  // 27
    {u"Garamond", "Garamond Antiqua", 590},  // 28
    {u"Garamond Bold", "Garamond     Hlb", 590},  // 29
    {u"Garamond Bold Italic", "Garamond KrsvHlb", 590},  // 30
    {u"Garamond Italic", "Garamond    Krsv", 590},  // 31
    {u"Helvetica", "Helvetica       ", 590},  // 32
    {u"Helvetica Bold", "Helvetica     Bd", 590},  // 33
    {u"Helvetica Bold Oblique", "Helvetica   BdOb", 590},  // 34
    {u"Helvetica Narrow", "Helvetica     Nr", 590},  // 35
    {u"Helvetica Narrow Bold", "Helvetica   NrBd", 590},  // 36
    {u"Helvetica Narrow Bold Oblique", "Helvetica NrBdOb", 590},  // 37
    {u"Helvetica Narrow Oblique", "Helvetica   NrOb", 590},  // 38
    {u"Helvetica Oblique", "Helvetica     Ob", 590},  // 39
    {u"HP David", "David           ", 590},  // 40
    {u"HP David Bold", "David         Bd", 590},  // 41
    {u"HP Miryam", "Malka           ", 590},  // 42
    {u"HP Miryam Bold", "Malka         Bd", 590},  // 43
    {u"HP Miryam Italic", "Malka         It", 590},  // 44
    {u"HP Narkis Tam", "Naamit          ", 590},  // 45
    {u"HP Narkis Tam Bold", "Naamit        Bd", 590},  // 46
    {u"ITC Avant Garde Gothic Book", "Geometric711    ", 590},  // 47
    {u"ITC Avant Garde Gothic Book Oblique", "Geometric711  Ob", 590},  // 48
    {u"ITC Avant Garde Gothic Demi", "Geometric711  Bd", 590},  // 49
    {u"ITC Avant Garde Gothic Demi Oblique", "Geometric711BdOb", 590},  // 50
    {u"ITC Bookman Demi", "Revival711    Bd", 590},  // 51
    {u"ITC Bookman Demi Italic", "Revival711  BdIt", 590},  // 52
    {u"ITC Bookman Light", "Revival711    Lt", 590},  // 53
    {u"ITC Bookman light Italic", "Revival711  LtIt", 590},  // 54
    {u"ITC Zapf Chancery Medium Italic", "ZapfChanceryMdIt", 590},  // 55
    {u"ITC Zapf Dingbats", "ZapfDingbats    ", 460},  // 56
    {u"Koufi", "Koufi           ", 590},  // 57
    {u"Koufi Bold", "Koufi         Bd", 590},  // 58
    {u"Letter Gothic", "LetterGothic    ", 590},  // 59
    {u"Letter Gothic Bold", "LetterGothic  Bd", 590},  // 60
    {u"Letter Gothic Italic", "LetterGothic  It", 590},  // 61
    {u"Marigold", "Marigold        ", 590},  // 62
    {u"Naskh", "Naskh           ", 590},  // 63
    {u"Naskh Bold", "Naskh         Bd", 590},  // 64
    {u"New Century Schoolbook Bold", "NwCentSchlbk  Bd", 590},  // 65
    {u"New Century Schoolbook Bold Italic", "NwCentSchlbkBdIt", 590},  // 66
    {u"New Century Schoolbook Italic", "NwCentSchlbk  It", 590},  // 67
    {u"New Century Schoolbook Roman", "NwCentSchlbk Rmn", 590},  // 68
    {u"Palatino Bold", "Palatino      Bd", 590},  // 69
    {u"Palatino Bold Italic", "Palatino    BdIt", 590},  // 70
    {u"Palatino Italic", "Palatino      It", 590},  // 71
    {u"Palatino Roman", "Palatino     Rmn", 590},  // 72
    {u"Ryadh", "Ryadh           ", 590},  // 73
    {u"Ryadh Bold", "Ryadh         Bd", 590},  // 74
    {u"Symbol PS", "SymbolPS        ", 621},  // 75
    {u"Symbol TT", "Symbol          ", 621},  // 76
    {u"Times Bold", "Times         Bd", 590},  // 77
    {u"Times Bold Italic", "Times       BdIt", 590},  // 78
    {u"Times Italic", "Times         It", 590},  // 79
    {u"Times New Roman", "TimesNewRmn     ", 590},  // 80
    {u"Times New Roman Bold", "TimesNewRmn   Bd", 590},  // 81
    {u"Times New Roman Bold Italic", "TimesNewRmn BdIt", 590},  // 82
    {u"Times New Roman Italic", "TimesNewRmn   It", 590},  // 83
    {u"Times Roman", "Times        Rmn", 590},  // 84
    {u"Univers Bold", "Univers       Bd", 590},  // 85
    {u"Univers Bold Italic", "Univers     BdIt", 590},  // 86
    {u"Univers Condensed", "Univers     CdMd", 590},  // 87
    {u"Univers Condensed Bold", "Univers     CdBd", 590},  // 88
    {u"Univers Condensed Bold Italic", "Univers   CdBdIt", 590},  // 89
    {u"Univers Condensed Italic", "Univers   CdMdIt", 590},  // 90
    {u"Univers Medium", "Univers       Md", 590},  // 91
    {u"Univers Medium Italic", "Univers     MdIt", 590},  // 92
    {u"Wingdings", "Wingdings       ", 18540},  // 93
};

TEST(PrinterFontTable, RowsAsListed) {
  static_assert(sizeof(kExpected) / sizeof(kExpected[0]) == vm4k2::kPrinterFontRows);
  for (size_t i = 0; i < vm4k2::kPrinterFontRows; ++i) {
    SCOPED_TRACE(i);
    const vm4k2::PrinterFontRow& row = vm4k2::PrinterFontTable[i];
    EXPECT_EQ(std::u16string(row.displayName), std::u16string(kExpected[i].displayName));
    EXPECT_EQ(std::string(row.pclName), std::string(kExpected[i].pclName));
    EXPECT_EQ(row.symbolSet, kExpected[i].symbolSet);
  }
}

TEST(PrinterFontTable, SymbolSetsOtherThanUnicode) {
  for (size_t i = 0; i < vm4k2::kPrinterFontRows; ++i) {
    uint32_t expected = i == 56 ? 460u : (i == 75 || i == 76) ? 621u : i == 93 ? 18540u : 590u;
    EXPECT_EQ(vm4k2::PrinterFontTable[i].symbolSet, expected) << "row " << i;
  }
}

}  // namespace
