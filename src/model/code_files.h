// Reading and writing one seam's material codes in the layout of the code
// files (rows y = ny down to 1, each row the codes of x = 1..nx), shared by
// the code file writer and reader and by the input echo, which prints the
// codes of every step as its code file holds them.
#pragma once

#include <cstdio>

namespace kavrel {

// Reads one seam's codes in the layout order into codes[1..nx][1..ny], white
// space between codes skipped. Returns false at the first code that cannot be
// read (end of file), with (x, y) its place; the codes before it are stored.
[[nodiscard]] bool ReadSeamCodes(std::FILE* file, char** codes, int nx, int ny, int& x, int& y);

// Writes codes[1..nx][1..ny] one row per line, y = ny first.
void WriteSeamRows(std::FILE* file, char** codes, int nx, int ny);

}  // namespace kavrel
