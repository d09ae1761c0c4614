// Whole-file helpers and scratch folders for tests that write files.
//
// Every test writes under its own folder in the build tree,
// KAVREL_BINARY_DIR/test-tmp/<suite>.<test>, emptied when the test asks for
// it, so tests never touch the source tree and tests running side by side
// (ctest -j) never share a folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kavrel::testing_support {

// The whole file as bytes (no line-end translation); empty if it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines of `text`, each without its "\n"; a last line without one still
// counts, an empty text has none (as std::getline reads them).
inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The lines of the file at `path`; none if it cannot be read.
inline std::vector<std::string> FileLines(const std::filesystem::path& path) {
  return SplitLines(ReadFile(path));
}

// Everything written to an open stream so far, read from its start; the
// stream stays open.
inline std::string ReadStream(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string text;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  return text;
}

// `text` with every LF preceded by a CR, as a file written with CR LF line
// ends holds it.
inline std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Replaces the file with exactly `text`.
inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// The running test's folder, KAVREL_BINARY_DIR/test-tmp/<suite>.<test>,
// without creating it.
inline std::filesystem::path TestFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::filesystem::path(KAVREL_BINARY_DIR) / "test-tmp" /
         (std::string(info->test_suite_name()) + "." + info->name());
}

// A fresh, empty folder for the running test: anything a former call (or a
// former run) left in it is removed.
inline std::filesystem::path ScratchFolder() {
  const std::filesystem::path dir = TestFolder();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// A fresh, empty subfolder `name` of the running test's folder, for a test
// that needs several; its sibling subfolders are left alone.
inline std::filesystem::path ScratchFolder(const std::string& name) {
  const std::filesystem::path dir = TestFolder() / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// A link `dir`/`name` to /dev/full, on which every write fails for want of
// space: a file a writer can open but never write. Empty when the system has
// no /dev/full or the link cannot be made (the caller skips its test).
inline std::filesystem::path FullDeviceLink(const std::filesystem::path& dir,
                                            const std::string& name) {
  std::error_code ec;
  if (!std::filesystem::exists("/dev/full", ec)) return {};
  const std::filesystem::path link = dir / name;
  std::filesystem::create_symlink("/dev/full", link, ec);
  return ec ? std::filesystem::path() : link;
}

}  // namespace kavrel::testing_support
