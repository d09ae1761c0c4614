// Small stdio helpers shared by every file the program reads or writes: an
// owning FILE handle, so a fatal error unwinding through a writer still closes
// (and flushes) what it had open, and printf-style formatting into a bounded
// buffer, which is how the fixed-width texts of the log, the window fields and
// the grid files are built.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace kavrel {

struct FileCloser {
  void operator()(std::FILE* f) const noexcept {
    if (f) std::fclose(f);
  }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Closes a file that was written: true when no write to it failed and the
// close (which flushes what is still buffered) succeeded. `file` is empty
// afterwards either way.
[[nodiscard]] bool FinishFile(UniqueFile& file);

// `text` without the carriage returns and line feeds at its end, for a message
// shown as a single line.
std::string WithoutTrailingLineEnds(std::string text);

// printf into a buffer of `capacity` bytes: the result holds at most
// capacity - 1 characters, cut like the fixed buffers it stands for.
std::string FormatText(std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
std::string VFormatText(std::size_t capacity, const char* format, std::va_list args);

}  // namespace kavrel
