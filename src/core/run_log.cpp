// Writing and flushing the lines of the run log.
#include "core/run_log.h"

#include <cstdarg>
#include <cstdlib>

namespace kavrel {

RunLog RunLog::Open(const std::string& path, const char* mode) {
  return RunLog(UniqueFile(std::fopen(path.c_str(), mode)));
}

RunLog::MemoryText::~MemoryText() { std::free(data); }

RunLog RunLog::InMemory() {
  RunLog log;
  log.memory_ = std::make_unique<MemoryText>();
  log.file_.reset(open_memstream(&log.memory_->data, &log.memory_->size));
  return log;
}

std::string RunLog::TakeText() {
  if (!memory_ || !file_) return std::string();
  file_.reset();  // closing the stream settles data and size
  return std::string(memory_->data ? memory_->data : "", memory_->size);
}

bool RunLog::Printf(const char* format, ...) {
  if (!file_) return false;
  std::va_list args;
  va_start(args, format);
  const int written = std::vfprintf(file_.get(), format, args);
  va_end(args);
  return std::fflush(file_.get()) == 0 && written >= 0;
}

bool RunLog::Write(const char* text) {
  if (!file_) return false;
  const int written = std::fputs(text, file_.get());
  return std::fflush(file_.get()) == 0 && written >= 0;
}

void RunLog::Flush() {
  if (file_) std::fflush(file_.get());
}

}  // namespace kavrel
