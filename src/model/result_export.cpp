// From a finished run's files to one CSV table. The work runs in two passes:
// the first checks every seam and step asked for against the model, the
// header of every result file against the model and against each other,
// and reads the step code files, and opens the output; only then does the
// second stream each result file block by block into the table. A failure
// in either pass removes the temporary file, so the output path keeps what
// it held.
#include "model/result_export.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <set>
#include <string_view>

#include "model/open_model.h"

namespace kavrel::results {

namespace {

namespace fs = std::filesystem;

bool IsAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The runs of letters and digits of `text`.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : text) {
    if (IsAlnum(c)) {
      word.push_back(c);
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : "_") + w;
  return out;
}

// A unit label that names a kind of dimensionless value, not a unit.
bool IsRatioLabel(std::string_view unit) {
  const std::string label = Joined(Words(Lower(unit)));
  const std::string_view safety = "safety_factor";
  return label == "strain" || label == "slope" ||
         (label.size() >= safety.size() &&
          label.compare(label.size() - safety.size(), safety.size(), safety) == 0);
}

// "_" and the unit label made safe for a column name, or "" for none.
std::string UnitSuffix(std::string_view unit) {
  const std::string safe = Joined(Words(unit));
  return safe.empty() || IsRatioLabel(unit) ? std::string() : "_" + safe;
}

std::string Range(const char* what, int first, int last) {
  return std::string(what) + " " + std::to_string(first) + " to " + std::to_string(last);
}

// "steps 1 to 3", "step 1" or "no complete step" for a file holding `last`.
std::string HeldSteps(int last) {
  if (last < 1) return "no complete step";
  return last == 1 ? std::string("step 1") : Range("steps", 1, last);
}

// A code character as a CSV field: quoted when it is a separator, a quote
// or white space.
std::string CodeField(char code) {
  if (code == '"') return "\"\"\"\"";
  if (code == ',' || std::isspace(static_cast<unsigned char>(code)))
    return std::string("\"") + code + "\"";
  return std::string(1, code);
}

// A coordinate: twelve significant figures, enough for any grid and free
// of the last-bit noise of a unit conversion (10 ft, not 9.999999999999998).
std::string CoordinateField(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.12g", value);
  return text;
}

// Appends the shortest text that reads back as exactly `value`.
void AppendValue(std::string& out, double value) {
  char text[40];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  out.append(text, ec == std::errc() ? end : text);
}

// The file being written: a temporary beside the output path, renamed onto
// it by Commit; removed when the writer goes without a commit.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() {
    if (file_ && owned_) std::fclose(file_);
    if (!temporary_.empty()) {
      std::error_code ec;
      fs::remove(temporary_, ec);
    }
  }

  // Standard output (`stream`, never closed here).
  void UseStream(std::FILE* stream) { file_ = stream; }

  // Opens the temporary for `path`; false with `error` set when it cannot be.
  bool Open(const std::string& path, std::string& error) {
    const fs::path target(path);
    const fs::path temporary =
        target.parent_path() /
        ("." + target.filename().string() + "." + std::to_string(::getpid()) + ".part");
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      error = std::strerror(errno);
      return false;
    }
    temporary_ = temporary.string();
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
      error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    owned_ = true;
    path_ = path;
    return true;
  }

  std::FILE* get() const { return file_; }

  // Flushes, closes and renames the temporary onto the output path; false
  // with `error` set when any of it fails (the temporary is then removed).
  bool Commit(std::string& error) {
    errno = 0;
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    if (!flushed) error = errno ? std::strerror(errno) : "write error";
    if (!owned_) return flushed;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (flushed && !closed) error = std::strerror(errno);
    if (!flushed || !closed) return false;
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
      error = std::strerror(errno);
      return false;
    }
    temporary_.clear();
    return true;
  }

 private:
  std::FILE* file_ = nullptr;
  bool owned_ = false;
  std::string temporary_;
  std::string path_;
};

class Exporter {
 public:
  Exporter(const RunInfo& info, const ExportRequest& request, std::FILE* standardOutput,
           ExportOutcome& outcome)
      : info_(info), request_(request), standardOutput_(standardOutput), outcome_(outcome) {}

  bool Plan();
  bool Write();

 private:
  bool Fail(std::string reason) {
    outcome_.error = std::move(reason);
    return false;
  }
  bool CheckSeamsAndSteps();
  bool CheckResultFile(int seam, int& lastStep);
  bool LoadCodes();
  bool OpenOutput();
  bool WriteSeam(int seam);
  void WriteBlock(int seam, const ResultBlock& block);
  void Emit(bool force);

  const RunInfo& info_;
  const ExportRequest& request_;
  std::FILE* standardOutput_;
  ExportOutcome& outcome_;

  int perStep_ = 1;
  std::vector<int> seams_;
  std::vector<int> steps_;
  std::vector<Column> columns_;
  std::string firstFile_;  // the file whose columns the others must match
  // codes_[step - 1][seam - 1], filled for the steps and seams exported.
  std::vector<std::vector<SeamCodes>> codes_;
  std::string outputName_;  // the output path, or "standard output"
  OutputFile output_;
  std::string buffer_;
  bool writeFailed_ = false;
  std::string writeError_;
  // Per seam, the blocks written for each asked step.
  std::vector<int> blocksWritten_;
  // Centres of the seam being written, as fields: xs_[i], ys_[j].
  std::vector<std::string> xs_, ys_;
};

bool Exporter::CheckSeamsAndSteps() {
  std::string error;
  if (!SeamsInModel(info_, request_.seams, seams_, error) ||
      !StepsInModel(info_, request_.steps, steps_, error))
    return Fail(error);
  return true;
}

// Checks the header of seam `seam`'s result file against the model and the
// other seams, and the steps asked for against its whole blocks; `lastStep`
// becomes the last step of which the file holds at least one whole block.
bool Exporter::CheckResultFile(int seam, int& lastStep) {
  const std::string path = info_.ResultFileName(seam);
  if (const std::string missing = MissingRunFile(info_, path); !missing.empty())
    return Fail(missing);
  ResultLayout layout;
  int blocks = 0;
  std::string error;
  if (!CountWholeBlocks(path, layout, blocks, error)) return Fail(path + ": " + error);
  const std::string rerun = "; run the model again (kavrel run " + info_.modelPath + ")";
  if (layout.nx != info_.nx || layout.ny != info_.ny)
    return Fail(path + ": holds a grid of " + std::to_string(layout.nx) + " x " +
                std::to_string(layout.ny) + " elements, the model " + std::to_string(info_.nx) +
                " x " + std::to_string(info_.ny) + rerun);
  if (layout.blockCount != info_.stepCount * perStep_)
    return Fail(path + ": announces " + std::to_string(layout.blockCount) +
                " blocks, the model's steps and LMS runs make " +
                std::to_string(info_.stepCount * perStep_) + rerun);
  if (firstFile_.empty()) {
    firstFile_ = path;
    columns_ = layout.columns;
  } else {
    bool same = layout.columns.size() == columns_.size();
    for (std::size_t c = 0; same && c < columns_.size(); ++c)
      same = layout.columns[c].name == columns_[c].name &&
             layout.columns[c].unit == columns_[c].unit;
    if (!same) return Fail(path + ": its columns differ from those of " + firstFile_ + rerun);
  }
  const int wholeSteps = blocks / perStep_;
  for (const int n : steps_)
    if (n > wholeSteps)
      return Fail(path + ": step " + std::to_string(n) + " is not in the file (it holds " +
                  HeldSteps(wholeSteps) + ")");
  lastStep = std::max(lastStep, (blocks + perStep_ - 1) / perStep_);
  return true;
}

bool Exporter::LoadCodes() {
  codes_.assign(static_cast<std::size_t>(info_.stepCount), {});
  for (const int n : steps_) {
    const std::string path = info_.CodeFileName(n);
    std::error_code ec;
    if (!fs::exists(path, ec))
      return Fail(path + ": no such file; check the model first (kavrel check " +
                  info_.modelPath + ")");
    std::vector<SeamCodes> seams;
    std::string error;
    if (!ReadCodeFile(path, info_.seamCount, info_.nx, info_.ny, seams, error))
      return Fail(path + ": " + error);
    // Only the seams exported keep their codes.
    for (int s = 1; s <= info_.seamCount; ++s)
      if (!std::binary_search(seams_.begin(), seams_.end(), s))
        std::vector<char>().swap(seams[static_cast<std::size_t>(s - 1)].codes);
    codes_[static_cast<std::size_t>(n - 1)] = std::move(seams);
  }
  return true;
}

bool Exporter::OpenOutput() {
  if (request_.output == "-") {
    outputName_ = "standard output";
    outcome_.written = "-";
    output_.UseStream(standardOutput_);
    return true;
  }
  const std::string path =
      request_.output.empty() ? DefaultExportPath(info_) : request_.output;
  outputName_ = path;
  std::error_code ec;
  if (fs::is_directory(path, ec)) return Fail(path + ": is a folder");
  // Never replace a file the export reads.
  std::vector<std::string> inputs = {info_.modelPath};
  for (int s = 1; s <= info_.seamCount; ++s) inputs.push_back(info_.ResultFileName(s));
  for (int n = 1; n <= info_.stepCount; ++n) inputs.push_back(info_.CodeFileName(n));
  for (const std::string& input : inputs)
    if (fs::equivalent(path, input, ec))
      return Fail(path + ": is a file of the run; choose another output");
  std::string error;
  if (!output_.Open(path, error)) return Fail(path + ": cannot be written: " + error);
  outcome_.written = path;
  return true;
}

bool Exporter::Plan() {
  perStep_ = BlocksPerStep(info_.lmsPillarCount);
  if (!CheckSeamsAndSteps()) return false;
  int lastStep = 0;
  for (const int s : seams_)
    if (!CheckResultFile(s, lastStep)) return false;
  if (steps_.empty())
    for (int n = 1; n <= std::min(lastStep, info_.stepCount); ++n) steps_.push_back(n);
  return LoadCodes() && OpenOutput();
}

// Writes the buffer out once it is large, or at once with `force`.
void Exporter::Emit(bool force) {
  if (buffer_.empty() || (!force && buffer_.size() < (1u << 20))) return;
  errno = 0;
  if (!writeFailed_ &&
      std::fwrite(buffer_.data(), 1, buffer_.size(), output_.get()) != buffer_.size()) {
    writeFailed_ = true;
    writeError_ = errno ? std::strerror(errno) : "write error";
  }
  buffer_.clear();
}

void Exporter::WriteBlock(int seam, const ResultBlock& block) {
  const SeamCodes& codes =
      codes_[static_cast<std::size_t>(block.step - 1)][static_cast<std::size_t>(seam - 1)];
  const std::string prefix = std::to_string(block.step) + "," + std::to_string(block.lmsRun) +
                             "," + std::to_string(seam) + ",";
  std::size_t e = 0;
  for (int i = 1; i <= info_.nx; ++i) {
    for (int j = 1; j <= info_.ny; ++j, ++e) {
      buffer_ += prefix;
      buffer_ += std::to_string(i);
      buffer_ += ',';
      buffer_ += std::to_string(j);
      buffer_ += ',';
      buffer_ += xs_[static_cast<std::size_t>(i)];
      buffer_ += ',';
      buffer_ += ys_[static_cast<std::size_t>(j)];
      buffer_ += ',';
      buffer_ += CodeField(codes.At(i, j));
      for (const std::vector<double>& column : block.values) {
        buffer_ += ',';
        AppendValue(buffer_, column[e]);
      }
      buffer_ += '\n';
      Emit(false);
    }
  }
  outcome_.rows += static_cast<long long>(e);
  ++blocksWritten_[static_cast<std::size_t>(block.step - 1)];
}

bool Exporter::WriteSeam(int seam) {
  const SeamPlacement& place = info_.seams[static_cast<std::size_t>(seam - 1)];
  xs_.assign(static_cast<std::size_t>(info_.nx) + 1, "");
  ys_.assign(static_cast<std::size_t>(info_.ny) + 1, "");
  const double w = info_.elementWidth;
  for (int i = 1; i <= info_.nx; ++i)
    xs_[static_cast<std::size_t>(i)] = CoordinateField(place.originX + (i - 0.5) * w);
  for (int j = 1; j <= info_.ny; ++j)
    ys_[static_cast<std::size_t>(j)] = CoordinateField(place.originY + (j - 0.5) * w);
  blocksWritten_.assign(static_cast<std::size_t>(info_.stepCount), 0);

  const std::string path = info_.ResultFileName(seam);
  const BlockFilter wanted = [this](int step, int) {
    return std::binary_search(steps_.begin(), steps_.end(), step);
  };
  // The header was checked in the first pass; a file replaced since then is
  // not written from.
  ResultFile file;
  bool changed = false;
  const BlockSink take = [&](ResultBlock& block) {
    if (block.values.empty() || writeFailed_ || changed) return;
    changed = file.layout.nx != info_.nx || file.layout.ny != info_.ny ||
              block.values.size() != columns_.size();
    if (!changed) WriteBlock(seam, block);
  };
  std::string error;
  if (!ReadResultBlocks(path, info_.lmsPillarCount, wanted, take, file, error))
    return Fail(path + ": " + error);
  if (changed) return Fail(path + ": changed while it was read");
  Emit(true);
  if (writeFailed_) return Fail(outputName_ + ": cannot be written: " + writeError_);
  if (!file.complete) {
    const std::string incomplete =
        path + ": incomplete (an interrupted run?): " + file.incompleteReason;
    if (!request_.steps.empty())
      for (const int n : steps_)
        if (blocksWritten_[static_cast<std::size_t>(n - 1)] < perStep_) return Fail(incomplete);
    outcome_.warnings.push_back(incomplete);
  }
  return true;
}

bool Exporter::Write() {
  const std::vector<std::string> header = ExportHeader(columns_, info_.lengthUnit);
  for (std::size_t k = 0; k < header.size(); ++k) buffer_ += (k ? "," : "") + header[k];
  buffer_ += '\n';
  for (const int s : seams_)
    if (!WriteSeam(s)) return false;
  Emit(true);
  std::string error;
  if (writeFailed_ || !output_.Commit(error))
    return Fail(outputName_ + ": cannot be written: " + (writeFailed_ ? writeError_ : error));
  return true;
}

}  // namespace

std::string ExportColumnName(const Column& column) {
  std::vector<std::string> words = Words(Lower(column.name));
  if (words.size() > 1 && words.front() == "seam") words.erase(words.begin());
  const std::string name = words.empty() ? std::string("column") : Joined(words);
  return name + UnitSuffix(column.unit);
}

std::vector<std::string> ExportHeader(const std::vector<Column>& columns,
                                      const std::string& lengthUnit) {
  const std::string length = UnitSuffix(lengthUnit);
  std::vector<std::string> names = {"step", "lms_run", "seam",        "i",
                                    "j",    "x" + length, "y" + length, "code"};
  std::set<std::string> taken(names.begin(), names.end());
  for (const Column& column : columns) {
    const std::string base = ExportColumnName(column);
    std::string name = base;
    for (int k = 2; taken.count(name) > 0; ++k) name = base + "_" + std::to_string(k);
    taken.insert(name);
    names.push_back(name);
  }
  return names;
}

std::string DefaultExportPath(const RunInfo& info) {
  return SplitInputPath(info.modelPath).folder + info.Stem() + ".export.csv";
}

bool ExportResults(const RunInfo& info, const ExportRequest& request, std::FILE* standardOutput,
                   ExportOutcome& outcome) {
  outcome = ExportOutcome();
  Exporter exporter(info, request, standardOutput, outcome);
  if (exporter.Plan() && exporter.Write()) return true;
  if (outcome.written != "-") outcome.written.clear();
  outcome.warnings.clear();
  return false;
}

}  // namespace kavrel::results
