// Reading back the result, off-seam and code files a run wrote. Lines are
// read one at a time and the numbers parsed in place, so that a large seam
// costs one pass and only the blocks asked for are stored.
#include "model/result_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>

namespace kavrel::results {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

// Blanks and hyphens dropped, lower case.
std::string Squeezed(std::string_view text) {
  std::string out;
  for (const char c : text)
    if (!std::isspace(static_cast<unsigned char>(c)) && c != '-')
      out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(Trimmed(line.substr(start, comma - start)));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

// A line as read: without its line end, CR LF included.
bool NextLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// Parses `count` comma-separated numbers of a data line into `row`; false
// when the line holds anything else or another count.
bool ParseRow(std::string_view line, std::size_t count, std::vector<double>& row) {
  row.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    double value = 0;
    if (row.size() == count || !ParseNumber(line.substr(start, comma - start), value))
      return false;
    row.push_back(value);
    if (comma == std::string_view::npos) return row.size() == count;
    start = comma + 1;
  }
}

std::string LineText(long long number) { return "line " + std::to_string(number); }

// "1 complete block", "2 complete blocks".
std::string CompleteBlocks(int count) {
  return std::to_string(count) + (count == 1 ? " complete block" : " complete blocks");
}

// The dimension line and the two header lines.
bool ReadLayout(std::istream& in, ResultLayout& layout, std::string& error) {
  std::string line;
  if (!NextLine(in, line)) {
    error = "the file is empty";
    return false;
  }
  const std::vector<std::string_view> dims = Fields(line);
  if (dims.size() != 7 || !ParseNumber(dims[0], layout.blockCount) ||
      !ParseNumber(dims[1], layout.elementCount) || !ParseNumber(dims[2], layout.elementWidth) ||
      !ParseNumber(dims[3], layout.nx) || !ParseNumber(dims[4], layout.ny) ||
      !ParseNumber(dims[5], layout.originX) || !ParseNumber(dims[6], layout.originY)) {
    error = "line 1 is not a dimension line (blocks, elements, width, nx, ny, x, y)";
    return false;
  }
  if (layout.nx < 1 || layout.ny < 1 || layout.blockCount < 0 ||
      static_cast<long long>(layout.nx) * layout.ny != layout.elementCount) {
    error = "line 1 announces " + std::to_string(layout.elementCount) + " elements for a " +
            std::to_string(layout.nx) + " x " + std::to_string(layout.ny) + " grid";
    return false;
  }

  std::string names, units;
  if (!NextLine(in, names) || !NextLine(in, units)) {
    error = "the header lines are missing";
    return false;
  }
  const std::vector<std::string_view> nameFields = Fields(names);
  const std::vector<std::string_view> unitFields = Fields(units);
  int columns = 0;
  if (!ParseNumber(nameFields[0], columns) || columns < 1 ||
      nameFields.size() != static_cast<std::size_t>(columns) + 1) {
    error = "line 2 is not a column count followed by as many column names";
    return false;
  }
  int unitColumns = 0;
  if (!ParseNumber(unitFields[0], unitColumns) || unitColumns != columns ||
      unitFields.size() != nameFields.size()) {
    error = "line 3 does not give a unit for each of the " + std::to_string(columns) + " columns";
    return false;
  }
  layout.columns.clear();
  for (int c = 1; c <= columns; ++c)
    layout.columns.push_back({std::string(nameFields[c]), std::string(unitFields[c])});
  return true;
}

}  // namespace

std::string QuantityKey(std::string_view columnName) {
  std::string key = Squeezed(columnName);
  if (key.rfind("seam", 0) == 0 && key.size() > 4) key.erase(0, 4);
  return key;
}

int ResultLayout::FindColumn(std::string_view quantity) const {
  const std::string wanted = Squeezed(quantity);
  for (std::size_t c = 0; c < columns.size(); ++c)
    if (wanted == QuantityKey(columns[c].name) || wanted == Squeezed(columns[c].name))
      return static_cast<int>(c);
  return -1;
}

int ResultFile::FinalBlockOf(int step) const {
  for (std::size_t b = 0; b < blocks.size(); ++b)
    if (blocks[b].step == step && blocks[b].final) return static_cast<int>(b);
  return -1;
}

int ResultFile::LastCompleteStep() const {
  int last = 0;
  for (const ResultBlock& block : blocks)
    if (block.final && block.step > last) last = block.step;
  return last;
}

bool ReadResultFile(const std::string& path, int lmsPillarCount, const BlockFilter& wantBlock,
                    ResultFile& out, std::string& error) {
  std::vector<ResultBlock> blocks;
  const bool ok = ReadResultBlocks(
      path, lmsPillarCount, wantBlock,
      [&blocks](ResultBlock& block) { blocks.push_back(std::move(block)); }, out, error);
  out.blocks = std::move(blocks);
  return ok;
}

bool ReadResultBlocks(const std::string& path, int lmsPillarCount, const BlockFilter& wantBlock,
                      const BlockSink& takeBlock, ResultFile& out, std::string& error) {
  out = ResultFile();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot be opened";
    return false;
  }
  if (!ReadLayout(in, out.layout, error)) return false;
  const ResultLayout& layout = out.layout;
  const int perStep = BlocksPerStep(lmsPillarCount);
  if (layout.blockCount % perStep != 0) {
    error = "announces " + std::to_string(layout.blockCount) +
            " blocks, which is not a whole number of steps of " + std::to_string(perStep) +
            " blocks";
    return false;
  }

  const std::size_t columns = layout.columns.size();
  const auto elements = static_cast<std::size_t>(layout.elementCount);
  std::string line;
  std::vector<double> row;
  row.reserve(columns);
  long long lineNumber = 3;
  for (int b = 0; b < layout.blockCount; ++b) {
    ResultBlock block;
    block.step = b / perStep + 1;
    block.lmsRun = b % perStep;
    block.final = block.lmsRun == perStep - 1;
    const bool keep = !wantBlock || wantBlock(block.step, block.lmsRun);
    if (keep) block.values.assign(columns, std::vector<double>(elements));
    for (std::size_t e = 0; e < elements; ++e) {
      ++lineNumber;
      if (!NextLine(in, line)) {
        out.complete = false;
        out.incompleteReason = "holds " + CompleteBlocks(b) + " of the " +
                               std::to_string(layout.blockCount) + " it announces";
        return true;
      }
      if (!ParseRow(line, columns, row)) {
        out.complete = false;
        out.incompleteReason = LineText(lineNumber) + " is not a row of " +
                               std::to_string(columns) + " numbers; " + CompleteBlocks(b) +
                               " of the " + std::to_string(layout.blockCount) +
                               " it announces come before it";
        return true;
      }
      if (keep)
        for (std::size_t c = 0; c < columns; ++c) block.values[c][e] = row[c];
    }
    takeBlock(block);
  }
  return true;
}

bool CountWholeBlocks(const std::string& path, ResultLayout& layout, int& blocks,
                      std::string& error) {
  blocks = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot be opened";
    return false;
  }
  if (!ReadLayout(in, layout, error)) return false;
  // Only lines with their line end count: a run cut short may have left its
  // last line half written.
  long long lines = 0;
  std::vector<char> chunk(1 << 20);
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    lines += std::count(chunk.data(), chunk.data() + got, '\n');
  }
  const long long whole = lines / layout.elementCount;
  blocks = static_cast<int>(std::min<long long>(whole, layout.blockCount));
  return true;
}

bool ReadOffSeamFile(const std::string& path, const BlockFilter& wantBlock, ResultFile& out,
                     std::string& error) {
  return ReadResultFile(path, 0, wantBlock, out, error);
}

bool ReadCodeFile(const std::string& path, int seamCount, int nx, int ny,
                  std::vector<SeamCodes>& out, std::string& error) {
  out.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot be opened";
    return false;
  }
  std::string line;
  long long lineNumber = 0;
  for (int s = 1; s <= seamCount; ++s) {
    SeamCodes seam;
    seam.nx = nx;
    seam.ny = ny;
    seam.codes.assign(static_cast<std::size_t>(nx) * ny, ' ');
    for (int y = ny; y >= 1; --y) {
      ++lineNumber;
      if (!NextLine(in, line)) {
        error = "holds " + std::to_string(lineNumber - 1) + " rows of the " +
                std::to_string(static_cast<long long>(seamCount) * ny) + " of " +
                std::to_string(seamCount) + " seams of " + std::to_string(ny) + " rows";
        return false;
      }
      if (line.size() != static_cast<std::size_t>(nx)) {
        error = LineText(lineNumber) + " holds " + std::to_string(line.size()) +
                " codes, not " + std::to_string(nx);
        return false;
      }
      for (int x = 1; x <= nx; ++x)
        seam.codes[static_cast<std::size_t>(x - 1) * ny + (y - 1)] = line[x - 1];
    }
    out.push_back(std::move(seam));
  }
  return true;
}

}  // namespace kavrel::results
