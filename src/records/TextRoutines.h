#pragma once

// Free text, number and file routines of the framework. Texts are UTF-8; every byte count is a
// CP932 (Shift-JIS) byte count measured through platform/Text.h.

#include "platform/CoreTypes.h"

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The computer name; in ConnectMode 2 the Windows user name, or "ANONYMOUS" when that is empty.
// ConnectMode and WinUserName are the program-wide values of ProgramRecords.h, passed by the caller.
std::string GetPcName(int ConnectMode, std::string_view WinUserName);

namespace records_detail {
// The quicksort of QSortByCode over CP932 sort keys; swap(i, j) swaps two items.
void qsortByCode(std::vector<std::string>& keys, int L, int R,
                 const std::function<void(int, int)>& swap);
std::string cp932SortKey(std::string_view code);
} // namespace records_detail

// Sorts Items[L..R] by their code text, compared byte by byte in CP932, with the framework's own
// quicksort (equal codes keep the order this algorithm gives them). codeOf(item) gives the code.
template <class Item, class CodeOf>
void QSortByCode(std::vector<Item>& Items, int L, int R, CodeOf codeOf)
{
    std::vector<std::string> keys;
    keys.reserve(Items.size());
    for (const auto& item : Items)
        keys.push_back(records_detail::cp932SortKey(codeOf(item)));
    records_detail::qsortByCode(keys, L, R, [&](int a, int b) {
        using std::swap;
        swap(Items[std::size_t(a)], Items[std::size_t(b)]);
    });
}

// The same for items whose code is their member Code (TQSORT of ProgramRecords.h).
template <class Item>
void QSortByCode(std::vector<Item>& Items, int L, int R)
{
    QSortByCode(Items, L, R, [](const Item& item) -> const std::string& { return item.Code; });
}

// Rounds an amount to whole units: 0 truncates toward zero, 2 rounds away from zero whenever a
// fraction remains, any other mode rounds half away from zero.
platform::Currency CurrHasuuSyori(int Mode, platform::Currency Value);

// Date 0 -> ""; Kind 2 "yy/mm/dd", Kind 4 "yyyy/mm/dd", any other "yyyy/mm/dd hh:nn".
std::string DateToText(int Kind, platform::TDateTime Date);

// Trims blanks and control characters and full-width spaces at both ends.
std::string ZenkakuTrim(std::string_view S);
// The text without any blank or full-width space.
std::string RemoveSpaces(std::string_view S);
// N blanks for N up to 510; empty for N <= 0 or N >= 511.
std::string SpaceStr(int N);
// Exactly Len CP932 bytes: cut, or padded with blanks on the right; a double-byte character cut in
// half becomes a blank.
std::string LeftFixStr(std::string_view S, int Len);
// The last Len CP932 bytes, or padded with blanks on the left.
std::string RightFixStr(std::string_view S, int Len);

int BoolToInt(bool B);
bool IntToBool(int I);
// Nearest integer, ties to even; 0 when the value does not fit a 32-bit integer.
int RoundToInt(double X);
// Decimal text (blanks around, sign, ".", exponent) to an amount; 0 when it does not convert.
platform::Currency StrToCurrDef0(std::string_view S);
// "yyyy/mm/dd" (or "yy/mm/dd", "mm/dd" of this year) to a date; 0 when it does not convert.
// A two-digit year falls in the hundred years starting 50 years before this year.
platform::TDateTime StrToDateDef0(std::string_view S);
// The clock that says "this year" to StrToDateDef0: the system's time, or a fixed time a test
// sets so that both edges of the two-digit-year window can be checked. Empty restores the system's.
void SetTextRoutinesClock(std::function<std::time_t()> now);

// Splits S at Delim after cutting it at its first "//". Parts[0..n] receive the n + 1 parts
// (Parts grows when it is too short; elements past n stay as they were); returns n, the number of
// delimiters. An empty S returns 0 and leaves Parts untouched.
int StrBunkatu(std::string_view S, std::string_view Delim, std::vector<std::string>& Parts);

// CP932 byte classes.
bool IsLeadByte(unsigned char B);
bool IsTrailByte(unsigned char B);
// On CP932 bytes: a lead byte without its trail byte turns into a blank (both bytes when another
// byte follows).
std::string FixDbcsCut(std::string_view Cp932);
// On CP932 bytes: whether the byte at Index (1-based; the last byte when beyond) is a lead byte,
// walking from the first byte.
bool IsLeadByteAt(std::string_view Cp932, int Index);

// Appends each line followed by CR LF in CP932, creating the file when missing. FileName is in
// Windows form. Raises platform::files::FileError on input/output errors and
// platform::text::EncodingError, before writing anything, for a character without a CP932 form.
void AppendLinesToFile(std::string_view FileName, const std::vector<std::string>& Lines);
