#pragma once
// Numbers as the user sees and types them in edit fields, independent of the user's locale:
// the decimal separator is always a point. Doubles are shown with 15 significant digits (as
// "%.15g" in the C locale), so a value typed and shown again is the same number; non-finite
// values are shown as "inf", "-inf" and "nan", and read back, with "-nan", as themselves.

#include <optional>
#include <string>
#include <string_view>

std::string FormatIntField(int value);
std::string FormatDoubleField(double value);

// Blanks around the number are allowed, as is a leading '+'; anything else that is not part
// of the number makes the text not convert.
std::optional<int> ParseIntField(std::string_view text);
std::optional<double> ParseDoubleField(std::string_view text);

// "%lf" of the C library in the C locale, for files: fixed-point with six decimals, a minus sign
// for negative values (negative zero included), "inf", "-inf", "nan" and "-nan" as it writes them.
std::string FormatFixedSix(double value);

// Fixed-point with the given number of decimals, in the C locale.
std::string FormatFixed(double value, int decimals);

// A photograph position as tables show it: to a millionth of a pixel at most, as data files keep
// it, without trailing zeros ("428.179001", "12.5", "100"); a value that rounds to zero is "0".
// Snapped, dragged and detected positions carry far more digits than anyone can use.
std::string FormatPosition(double value);
