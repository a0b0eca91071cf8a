#pragma once

#include "platform/CoreTypes.h"

#include <cstdint>
#include <string>

// Number, text, colour and date formatting shared by the screens and computations.
//
// The date texts follow the operator's era-display switch, SystemDef.Reserve4Flag10 (1 = era
// form, any other value = Western form); the overloads with eraDisplay take it as an argument.

// The number with thousands separators, "#,##0" ("-1,234,567").
std::string IntToCommaStr(std::int64_t value);
// Item n (from 1) of the text cut at every separator and every line break; empty when there is
// no such item (an empty last item after a trailing separator does not count).
std::string GetDelimitedItem(const std::string& text, const std::string& separator, int n);
// Rounds toward plus / minus infinity at a decimal place: digits 1 = whole units, 2 = tenths,
// 0 = tens. A tolerance of 0.000001 units absorbs representation noise.
long double RoundUpDigit(std::uint16_t digits, long double value);
long double RoundDownDigit(std::uint16_t digits, long double value);
// base raised to the exponent; 0 for a base of 0.
long double PowerOf(long double exponent, long double base);
// A pixel size designed at oldPPI, for newPPI (truncated). oldPPI 0 = the main form's.
int ScaleByPPI(int value, int newPPI, int oldPPI);
// Sets bit n-1 for n 1..24; any other n changes nothing.
void SetBitFlag(std::int32_t& flags, int n);
// Bit n-1 of the flags (n-1 taken modulo 32): 0 or 1.
int GetBitFlag(std::int32_t flags, std::uint8_t n);
// A stored window height (designed for a 4-pixel frame) for this system's frame: kind 0 adds
// back one frame's difference, kind 1 two; any other kind is unchanged.
int AdjustFrameSize(int height, int kind);
// The same for a given frame height.
int AdjustFrameSize(int height, int kind, int frameHeight);
// White and black unchanged; any other colour (0x00BBGGRR) the grey of its mean brightness.
int ColorToGray(int colour);
// Whether the data kind is a medical one: "医療法人" or "個人(クリニック)".
bool IsIryouDataKind(const std::string& dataKind);
// "from ～ to", each "yyyy/mm/dd", or in era form "H 07/04/01" when eraDisplay is 1.
void KikanToText(std::string& text, platform::TDateTime from, platform::TDateTime to);
void KikanToText(std::string& text, platform::TDateTime from, platform::TDateTime to,
                 int eraDisplay);
// A date with slashes by a layout key ("yyyy/mm/dd", "yy/m/d", ...). kind picks the era text:
// 0 none, 1 era name, 2 era letter, 3 era letter with every blank removed.
void FormatDateSlash(const std::string& key, int kind, std::string& text,
                     platform::TDateTime date);
void FormatDateSlash(const std::string& key, int kind, std::string& text,
                     platform::TDateTime date, int eraDisplay);
// A date with 年, 月 and 日 by a layout key ("yyyy年m月d日", ...). kind: 0 none, 2 era letter,
// any other the era name.
void FormatDateNen(const std::string& key, int kind, std::string& text, platform::TDateTime date);
void FormatDateNen(const std::string& key, int kind, std::string& text, platform::TDateTime date,
                   int eraDisplay);
