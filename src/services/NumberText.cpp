#include "services/NumberText.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

std::string_view TrimBlanks(std::string_view text) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// from_chars takes no leading '+', which people type.
std::string_view DropPlusSign(std::string_view text) {
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  return text;
}

template <typename T>
std::optional<T> ParseWhole(std::string_view text) {
  text = DropPlusSign(TrimBlanks(text));
  T value{};
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

std::string FormatIntField(int value) { return std::to_string(value); }

std::string FormatDoubleField(double value) {
  if (std::isnan(value)) return "nan";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return std::string(buffer, result.ptr);
}

std::optional<int> ParseIntField(std::string_view text) { return ParseWhole<int>(text); }

std::optional<double> ParseDoubleField(std::string_view text) { return ParseWhole<double>(text); }

std::string FormatFixedSix(double value) {
  char buffer[512];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  return std::string(buffer, result.ptr);
}

std::string FormatFixed(double value, int decimals) {
  char buffer[512];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return std::string(buffer, result.ptr);
}

std::string FormatPosition(double value) {
  if (!std::isfinite(value)) return FormatDoubleField(value);
  std::string text = FormatFixed(value, 6);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";
  return text;
}
