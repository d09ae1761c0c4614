// Closing written files with their errors, and bounded printf formatting for
// the fixed-width texts of the program's files.
#include "core/text_files.h"

#include <vector>

namespace kavrel {

bool FinishFile(UniqueFile& file) {
  if (!file) return false;
  const bool writeFailed = std::ferror(file.get()) != 0;
  const bool closeFailed = std::fclose(file.release()) != 0;
  return !writeFailed && !closeFailed;
}

std::string WithoutTrailingLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string VFormatText(std::size_t capacity, const char* format, std::va_list args) {
  if (capacity == 0) return {};
  char small[512];
  std::vector<char> large;
  char* buffer = small;
  if (capacity > sizeof small) {
    large.resize(capacity);
    buffer = large.data();
  }
  std::vsnprintf(buffer, capacity, format, args);
  return buffer;
}

std::string FormatText(std::size_t capacity, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string text = VFormatText(capacity, format, args);
  va_end(args);
  return text;
}

}  // namespace kavrel
