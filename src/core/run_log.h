// The run log (.out): the one handle through which every part of a run writes
// its log lines. The input echo creates the log, the run appends to it; the
// readers, solvers and post-processing routines receive the handle and write
// their lines through it.
//
// Every write is flushed at once, so that a FatalExit unwinding from anywhere
// below leaves the log holding each line written so far. A closed log (the
// default, or one whose file could not be opened) drops what is written to
// it, so a routine that logs never checks for a missing log.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "core/text_files.h"

namespace kavrel {

class RunLog {
 public:
  RunLog() = default;
  explicit RunLog(UniqueFile file) : file_(std::move(file)) {}
  RunLog(RunLog&&) noexcept = default;
  // The stream is closed before the buffer it may write to is released.
  RunLog& operator=(RunLog&& other) noexcept {
    file_.reset();
    memory_ = std::move(other.memory_);
    file_ = std::move(other.file_);
    return *this;
  }

  // Opens `path` with the fopen `mode` ("w" creates the log, "at" appends to
  // it); the log is closed when the file could not be opened.
  static RunLog Open(const std::string& path, const char* mode);

  // A log held in memory, for work done on another thread whose lines the
  // run writes to its own log later, in order (TakeText).
  static RunLog InMemory();
  // Everything written to an in-memory log; the log is closed afterwards.
  std::string TakeText();

  bool IsOpen() const { return file_ != nullptr; }
  explicit operator bool() const { return IsOpen(); }

  // Writes formatted text (the format carries its own line ends) and flushes
  // it. False when the log is closed or the write failed.
  bool Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool Write(const char* text);
  bool Write(const std::string& text) { return Write(text.c_str()); }

  // The open stream, for writers of text formats shared with other files
  // (code rows); null when the log is closed. Flush() after using it.
  std::FILE* stream() const { return file_.get(); }
  void Flush();

  // Closes the log: true when it was open, no write to it failed and the
  // close succeeded. The log is closed afterwards either way.
  [[nodiscard]] bool Finish() { return FinishFile(file_); }
  void Close() { file_.reset(); }

 private:
  // The buffer open_memstream writes to; it outlives the stream.
  struct MemoryText {
    char* data = nullptr;
    std::size_t size = 0;
    ~MemoryText();
  };
  std::unique_ptr<MemoryText> memory_;  // declared first: destroyed after file_
  UniqueFile file_;
};

}  // namespace kavrel
