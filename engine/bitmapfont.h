#pragma once

#include <QtGlobal>

// A 5 x 7 dot font for the labels of the simulated page: digits, capital
// letters (small letters are drawn as capitals), space and - . : /.
namespace BitmapFont {
constexpr int kColumns = 5;
constexpr int kRows = 7;
constexpr int kAdvance = 6; // columns from one character to the next

// The dots of one row (0 = top) of a character: bit 4 is the left column.
// Characters without a glyph are blank.
quint8 rowBits(char c, int row);
} // namespace BitmapFont
