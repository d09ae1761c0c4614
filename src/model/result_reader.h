// Reading back what a run wrote: the per-seam result files (MODEL.fN), the
// off-seam displacement file (MODEL.of1) and the step code files
// (MODEL_StepN.chr), for the programs and scripts that show or export results.
//
// Layout of a result file, as the run writes it:
//   line 1   "blocks, nx*ny, width, nx, ny, originX, originY"
//   line 2   "  N," then N column names, each padded to 25 characters
//   line 3   "  N," then the N unit labels
//   then     blocks of nx*ny data lines of N values each (no count prefix:
//            the header lines have one field more than the data lines).
// Within a block element (i, j), i = 1..nx the X index and j = 1..ny the Y
// index, is on line (i - 1) * ny + j: X outer, Y inner. The centre of element
// (i, j) is at originX + (i - 0.5) * width, originY + (j - 0.5) * width.
// Blocks follow one another per step; with L local-mine-stiffness pillars
// every step has L + 1 blocks: LMS run 0 (the step as mined), then runs
// 1..L (pillar p taken out). Only the last block of a step, written after
// the step's post-processing, carries that step's safety factors, energies
// and other derived columns. The off-seam file has the same layout with one
// block per step. Values are in the output units of the header's unit line.
//
// Nothing here throws on a bad file: every reader returns false with the
// reason in `error`, a sentence without the file name and without a line end.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel::results {

// A column of a result or off-seam file: its name and unit label as the header
// gives them, blanks trimmed, e.g. {"Seam Convergence", "in"} or
// {"Pillar Stress SF", "Stress Safety Factor"}.
struct Column {
  std::string name;
  std::string unit;
};

// The name a user types for a column: lower case, blanks and hyphens
// dropped, and a leading "seam" dropped ("Seam Convergence" -> "convergence",
// "Total Vertical Stress" -> "totalverticalstress", "Pillar Stress SF" ->
// "pillarstresssf", "Off-seam Displacement" -> "offseamdisplacement").
std::string QuantityKey(std::string_view columnName);

// What the first three lines of the file announce.
struct ResultLayout {
  int blockCount = 0;    // blocks the run was to write
  int elementCount = 0;  // nx * ny
  double elementWidth = 0;
  int nx = 0;
  int ny = 0;
  double originX = 0;  // outer corner of element (1, 1)
  double originY = 0;
  std::vector<Column> columns;

  // Centre of element (i, j), 1-based, in the length unit of the model.
  double CentreX(int i) const { return originX + (i - 0.5) * elementWidth; }
  double CentreY(int j) const { return originY + (j - 0.5) * elementWidth; }
  // Index of the column whose QuantityKey or name without case and blanks
  // equals that of `quantity`; -1 when none does.
  int FindColumn(std::string_view quantity) const;
};

// One block: every column of one seam at one step (and one LMS run).
struct ResultBlock {
  int step = 0;    // 1..stepCount
  int lmsRun = 0;  // 0 = the step as mined; p = LMS pillar p taken out
  bool final = true;  // the step's last block, the one post-processed
  // values[c][(i - 1) * ny + (j - 1)]: column c of element (i, j).
  std::vector<std::vector<double>> values;
};

struct ResultFile {
  ResultLayout layout;
  // The complete blocks read, in file order (only the wanted ones, see
  // ReadResultFile; the others have empty `values`).
  std::vector<ResultBlock> blocks;
  // False when the file holds fewer complete blocks than it announces (an
  // interrupted run); `incompleteReason` then says what is missing.
  bool complete = true;
  std::string incompleteReason;

  // Value of column `c` at element (i, j) of block `b`.
  double At(std::size_t b, int c, int i, int j) const {
    return blocks[b].values[c][static_cast<std::size_t>(i - 1) * layout.ny + (j - 1)];
  }
  // The final block of `step`, or -1 when the file has none.
  int FinalBlockOf(int step) const;
  // The last step with a complete final block (0 when there is none).
  int LastCompleteStep() const;
};

// Blocks of `step`, counting every LMS run: 1 + `lmsPillarCount`.
inline int BlocksPerStep(int lmsPillarCount) {
  return lmsPillarCount > 0 ? lmsPillarCount + 1 : 1;
}

// Chooses the blocks whose values a reader keeps, by step and LMS run.
using BlockFilter = std::function<bool(int step, int lmsRun)>;

// Reads the file at `path`. `lmsPillarCount` (from the model) tells how many
// blocks each step has. `wantBlock` chooses the blocks whose values are kept
// (empty keeps all); the others are only checked line by line. A file cut
// short, or with a line that is not a row of numbers, keeps the complete
// blocks before it and is flagged incomplete; lines after the announced
// blocks are ignored. Returns false with `error` set when the file cannot be
// opened, its header cannot be read, or its block count does not fit the
// model's LMS pillars.
[[nodiscard]] bool ReadResultFile(const std::string& path, int lmsPillarCount,
                                  const BlockFilter& wantBlock, ResultFile& out,
                                  std::string& error);

// Receives each complete block in file order, the wanted ones with their
// values (it may move them out), the others with empty `values`.
using BlockSink = std::function<void(ResultBlock& block)>;

// ReadResultFile for files too large to hold: every complete block goes to
// `takeBlock` as soon as it is read instead of into `out.blocks`, which
// stays empty; `out` gets the layout (before the first block is handed
// over) and the completeness. Returns as ReadResultFile does.
[[nodiscard]] bool ReadResultBlocks(const std::string& path, int lmsPillarCount,
                                    const BlockFilter& wantBlock, const BlockSink& takeBlock,
                                    ResultFile& out, std::string& error);

// Reads the header of the file at `path` into `layout` and counts its data
// lines without parsing them: `blocks` is the number of whole blocks that
// the lines ending in a line end make, at most the number announced. A quick look at how far a run got;
// ReadResultFile is the one that checks every line.
[[nodiscard]] bool CountWholeBlocks(const std::string& path, ResultLayout& layout, int& blocks,
                                    std::string& error);

// Reads an off-seam displacement file (one block per step, five columns).
[[nodiscard]] bool ReadOffSeamFile(const std::string& path, const BlockFilter& wantBlock,
                                   ResultFile& out, std::string& error);

// The codes of one seam at one step: codes[(i - 1) * ny + (j - 1)] is the code
// character of element (i, j).
struct SeamCodes {
  int nx = 0;
  int ny = 0;
  std::vector<char> codes;
  char At(int i, int j) const { return codes[static_cast<std::size_t>(i - 1) * ny + (j - 1)]; }
};

// Reads a step code file: `seamCount` seams of `ny` rows each, the first row
// of a seam being y = ny, each row the nx codes of x = 1..nx. Returns false
// with `error` set when the file cannot be opened or is short or ragged.
[[nodiscard]] bool ReadCodeFile(const std::string& path, int seamCount, int nx, int ny,
                                std::vector<SeamCodes>& out, std::string& error);

}  // namespace kavrel::results
