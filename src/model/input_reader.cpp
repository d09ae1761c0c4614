// ReadInputFile: reads a model file's header into the model's input
// (ReadModelInput, model_input.h), then does what the record does with it:
// refuses a model whose run needs more memory than the machine has (result 16,
// before the code cube is allocated), creates the material-code cube and
// splits the code block into the per-step code files, and notes text after
// the code block. The first failed check is shown through the message sink
// and its result code returned; members read before it keep the new file's
// values.
#include <cstdio>
#include <string>

#include "core/text_files.h"
#include "model/input_fields.h"
#include "model/memory_estimate.h"
#include "model/model_dat.h"

namespace kavrel {

namespace {

// Messages with numbers in them are built in a buffer of this many bytes.
constexpr std::size_t kMessageCapacity = 512;

// The line (from 1) of byte `offset` of `file`, counted from its start; 0 when
// the file cannot be positioned. Moves the file's position.
int LineOfOffset(std::FILE* file, long offset) {
  if (offset < 0 || std::fseek(file, 0, SEEK_SET) != 0) return 0;
  int line = 1;
  for (long k = 0; k < offset; ++k) {
    const int c = std::getc(file);
    if (c == EOF) break;
    if (c == '\n') ++line;
  }
  return line;
}

// Anything but white space after the last step's codes is a code block that
// does not fit the grid (rows too long, a step or seam too many): one warning,
// naming the line where that text starts. Moves the file's position.
void NoteTextAfterCodes(std::FILE* file, std::vector<ModelWarning>& warnings) {
  int c = std::getc(file);
  while (c != EOF && input::IsSpace(c)) c = std::getc(file);
  if (c == EOF) return;
  const int at = LineOfOffset(file, std::ftell(file) - 1);
  warnings.push_back({at, (at > 0 ? FormatText(kMessageCapacity, "line %i: ", at) : std::string()) +
                              "text after the codes of the last step"});
}

}  // namespace

int CModelDat::ReadInputFile() {
  warnings.clear();
  UniqueFile file = OpenModelFile(inputPathName, *messages);
  if (!file) return 1;
  fineCodes.Release();
  if (const int r = ReadModelInput(file.get(), *this, warnings, *messages)) return r;

  // Never start what the machine cannot hold. A reader of a finished run (the
  // plots) runs nothing and takes only the code cube.
  if (writeStepCodeFiles) {
    const std::uint64_t needed = EstimateRunMemory(*this);
    const std::uint64_t available = AvailableMemoryBytes(*this);
    if (available > 0 && needed > available) {
      ShowMessage(FormatText(kMessageCapacity,
                             "The Run Needs About %s of Memory, This Machine Has %s - RI16a\n",
                             MemoryText(needed).c_str(), MemoryText(available).c_str()));
      return 16;
    }
  }

  if (const int r = WriteStepCodeFiles(file.get())) return r;
  NoteTextAfterCodes(file.get(), warnings);
  file.reset();
  SetUnits();
  return 0;
}

}  // namespace kavrel
