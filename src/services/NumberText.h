#pragma once
// Numbers as the user sees and types them in edit fields, independent of the user's locale:
// the decimal separator is always a point. Doubles are shown in the shortest form that reads
// back to the same value, so a field that is exchanged back and forth loses nothing.

#include <optional>
#include <string>
#include <string_view>

std::string FormatIntField(int value);
std::string FormatDoubleField(double value);

// Blanks around the number are allowed, as is a leading '+'; anything else that is not part
// of the number makes the text not convert.
std::optional<int> ParseIntField(std::string_view text);
std::optional<double> ParseDoubleField(std::string_view text);
