// Line reading, field splitting and locale-independent number parsing for the
// model file readers.
#include "model/input_fields.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace kavrel::input {

bool ReadLine(std::FILE* file, std::string& line, bool* hadLineEnd) {
  return ReadBoundedLine(file, line, std::string::npos, hadLineEnd) != LineRead::End;
}

LineRead ReadBoundedLine(std::FILE* file, std::string& line, std::size_t limit, bool* hadLineEnd) {
  line.clear();
  bool ended = false;
  bool any = false;
  for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
    any = true;
    if (c == '\n') {
      ended = true;
      break;
    }
    line.push_back(static_cast<char>(c));
    // One character beyond the limit is allowed only as the CR of a CR LF.
    if (line.size() > limit && (line.size() > limit + 1 || c != '\r')) {
      if (hadLineEnd) *hadLineEnd = false;
      return LineRead::TooLong;
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (hadLineEnd) *hadLineEnd = ended;
  return any ? LineRead::Line : LineRead::End;
}

std::string_view Field(std::string_view line, int k) {
  if (k < 0) return {};
  std::size_t start = 0;
  for (int comma = 0; comma < k; ++comma) {
    const std::size_t next = line.find(',', start);
    if (next == std::string_view::npos) return {};
    start = next + 1;
  }
  const std::size_t end = line.find(',', start);
  return line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

namespace {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips white space and an optional sign; returns the position of the first
// character after them and sets `negative`.
std::size_t SkipToDigits(std::string_view text, bool& negative) {
  std::size_t p = 0;
  while (p < text.size() && IsSpace(static_cast<unsigned char>(text[p]))) ++p;
  negative = false;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
    negative = text[p] == '-';
    ++p;
  }
  return p;
}

// Decimal order of magnitude of a number whose digits start at `text[0]` and
// which std::from_chars found out of range: > 0 means overflow, otherwise
// underflow.
long long DecimalOrder(std::string_view text) {
  std::size_t p = 0;
  long long intDigits = 0;
  bool significant = false;
  while (p < text.size() && IsDigit(text[p])) {
    if (text[p] != '0') significant = true;
    if (significant) ++intDigits;
    ++p;
  }
  long long order = intDigits > 0 ? intDigits - 1 : -1;
  if (intDigits == 0 && p < text.size() && text[p] == '.') {
    ++p;
    while (p < text.size() && text[p] == '0') {
      --order;
      ++p;
    }
  } else if (p < text.size() && text[p] == '.') {
    ++p;
  }
  while (p < text.size() && IsDigit(text[p])) ++p;
  if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
    ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    long long exponent = 0;
    while (p < text.size() && IsDigit(text[p])) {
      if (exponent < 1000000000LL) exponent = exponent * 10 + (text[p] - '0');
      ++p;
    }
    order += negative ? -exponent : exponent;
  }
  return order;
}

}  // namespace

int ParseInt(std::string_view text) {
  bool negative = false;
  std::size_t p = SkipToDigits(text, negative);
  long long value = 0;
  while (p < text.size() && IsDigit(text[p])) {
    if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (text[p] - '0');
    ++p;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double ParseReal(std::string_view text) {
  bool negative = false;
  const std::size_t p = SkipToDigits(text, negative);
  const std::string_view rest = text.substr(p);
  // Only a decimal number is taken: no "inf", "nan" or hexadecimal forms.
  if (!StartsDecimal(rest)) return 0.0;
  double value = 0.0;
  const auto result =
      std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range)
    value = DecimalOrder(rest) > 0 ? HUGE_VAL : 0.0;
  else if (result.ec != std::errc())
    value = 0.0;
  return negative ? -value : value;
}

}  // namespace kavrel::input
