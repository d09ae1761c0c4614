// Text helpers of the model file readers: whole-line reading that takes CR LF
// line ends like LF, comma-separated fields, and number parsing that does not
// depend on the locale.
//
// Number rules: leading white space is skipped, then an optional sign and the
// longest valid decimal number are taken (reals may carry a fraction and an
// exponent); whatever follows is ignored, and a field without a number gives
// 0. Integers beyond the int range saturate at its ends; reals beyond the
// double range become +-HUGE_VAL, reals too small for it become 0.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace kavrel::input {

// Reads one line of any length from `file` into `line`, without its line end
// ("\n", or "\r\n" which is taken the same way). `hadLineEnd` tells whether the
// line was ended by a line feed (false for a last line cut off by the end of
// the file). Returns false when the file holds no more characters (or cannot
// be read), leaving `line` empty.
[[nodiscard]] bool ReadLine(std::FILE* file, std::string& line, bool* hadLineEnd = nullptr);

enum class LineRead { Line, End, TooLong };

// ReadLine with a bound: a line of more than `limit` characters (its line end
// not counted) gives TooLong after `limit` + 1 of them, with the rest of the
// line left unread, so that a file without line ends cannot make the reader
// grow without end. End is ReadLine's false.
LineRead ReadBoundedLine(std::FILE* file, std::string& line, std::size_t limit,
                         bool* hadLineEnd = nullptr);

// The longest line the model reader takes: far beyond any line a model needs
// (a code row holds at most kMaxAxisCount characters).
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

// Field k (from 0) of a comma-separated line: the text after the k-th comma up
// to the next comma or the end of the line, untrimmed; empty when the line has
// fewer fields.
std::string_view Field(std::string_view line, int k);

int ParseInt(std::string_view text);
double ParseReal(std::string_view text);

inline int IntField(std::string_view line, int k) { return ParseInt(Field(line, k)); }
inline double RealField(std::string_view line, int k) { return ParseReal(Field(line, k)); }

// Whether `text` (what follows the sign, if any) starts a decimal number: a
// digit, or '.' followed by a digit. Anything else ("inf", "nan", a second
// sign, a bare point) is not a number.
constexpr bool StartsDecimal(std::string_view text) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return !text.empty() && (digit(text[0]) || (text[0] == '.' && text.size() > 1 && digit(text[1])));
}

// Largest element (or off-seam or topographic block) count along one axis. It
// keeps every grid bound and the element counts nx*ny of the output files
// inside int.
constexpr int kMaxAxisCount = 10000;

// The C locale's white space: blank, tab, line feed, vertical tab, form feed,
// carriage return.
constexpr bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace kavrel::input
