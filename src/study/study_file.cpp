// Reading the study file (format in the header): one setting per line, each
// value checked where it is written, so a mistake is reported by its line.
#include "study/study_file.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace kavrel::study {

namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The whole of `text` as a number; false if anything else is in it.
[[nodiscard]] bool ParseNumber(const std::string& text, double& value) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  const char* first = t.data() + (t[0] == '+' ? 1 : 0);
  const auto [end, ec] = std::from_chars(first, t.data() + t.size(), value);
  return ec == std::errc() && end == t.data() + t.size() && std::isfinite(value);
}

[[nodiscard]] bool ParseCount(const std::string& text, long long& value) {
  const std::string t = Trim(text);
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  return !t.empty() && ec == std::errc() && end == t.data() + t.size();
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// "range FROM TO COUNT"
[[nodiscard]] bool ParseRange(const std::vector<std::string>& w, StudyParameter& p,
                              std::string& error) {
  double from = 0, to = 0;
  long long count = 0;
  if (w.size() != 4 || !ParseNumber(w[1], from) || !ParseNumber(w[2], to) ||
      !ParseCount(w[3], count)) {
    error = "a range is written \"range FROM TO COUNT\"";
    return false;
  }
  if (count < 1 || count > 100000) {
    error = "the count of a range must be from 1 to 100000";
    return false;
  }
  // The last value is TO itself, not the sum that may miss it by a rounding.
  for (long long k = 0; k < count; ++k)
    p.values.push_back(k == 0 ? from : k == count - 1 ? to : from + (to - from) * k / (count - 1));
  return true;
}

// "uniform|normal|lognormal A B seed S"
[[nodiscard]] bool ParseDraws(const std::vector<std::string>& w, StudyParameter& p,
                              std::string& error) {
  Distribution& d = p.distribution;
  long long seed = 0;
  if (w.size() != 5 || w[3] != "seed" || !ParseNumber(w[1], d.a) || !ParseNumber(w[2], d.b) ||
      !ParseCount(w[4], seed) || seed < 0) {
    error = "random draws are written \"" + w[0] + " A B seed S\" (S a whole number, 0 or more)";
    return false;
  }
  if (d.kind != DistributionKind::Uniform && d.b < 0) {
    error = "the standard deviation of " + w[0] + " draws must not be negative";
    return false;
  }
  d.seed = static_cast<std::uint64_t>(seed);
  p.random = true;
  return true;
}

// "V1, V2, ..."
[[nodiscard]] bool ParseList(const std::string& text, StudyParameter& p, std::string& error) {
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ',');) {
    double v = 0;
    if (!ParseNumber(item, v)) {
      error = std::string("\"").append(Trim(item)) +
              "\" is not a number (values are a list \"V1, V2, ...\", "
              "\"range FROM TO COUNT\", or \"uniform|normal|lognormal A B seed S\")";
      return false;
    }
    p.values.push_back(v);
  }
  return true;
}

[[nodiscard]] bool ParseValues(const std::string& text, StudyParameter& p, std::string& error) {
  const std::vector<std::string> w = Words(text);
  if (w.empty()) {
    error = "no value given for " + p.name;
    return false;
  }
  if (w[0] == "range") return ParseRange(w, p, error);
  if (DistributionKindOf(w[0], p.distribution.kind)) return ParseDraws(w, p, error);
  return ParseList(text, p, error);
}

[[nodiscard]] bool ParseSetting(const std::string& key, const std::string& value, int line,
                                StudyFile& study, std::string& error) {
  if (key == "base") {
    if (value.empty()) {
      error = "no base model given";
      return false;
    }
    study.baseModel = study.path.parent_path() / value;
    return true;
  }
  if (key == "draws") {
    long long n = 0;
    if (!ParseCount(value, n) || n < 1 || n > 100000) {
      error = "draws must be a whole number from 1 to 100000";
      return false;
    }
    study.draws = static_cast<int>(n);
    study.drawsGiven = true;
    return true;
  }
  for (const StudyParameter& p : study.parameters)
    if (p.name == key) {
      error = key + " is given twice (first on line " + std::to_string(p.line) + ")";
      return false;
    }
  StudyParameter p;
  p.name = key;
  p.line = line;
  if (!ParseValues(value, p, error)) return false;
  study.parameters.push_back(std::move(p));
  return true;
}

}  // namespace

bool ParseStudyText(const std::string& text, const std::filesystem::path& path, StudyFile& study,
                    std::string& error) {
  study = StudyFile{};
  study.path = path;
  std::istringstream in(text);
  int line = 0;
  for (std::string raw; std::getline(in, raw);) {
    ++line;
    const std::string content = Trim(raw.substr(0, raw.find('#')));
    if (content.empty()) continue;
    const auto eq = content.find('=');
    std::string reason;
    if (eq == std::string::npos) {
      reason = "expected \"NAME = VALUES\"";
    } else {
      const std::string key = Trim(content.substr(0, eq));
      if (key.empty())
        reason = "no name before \"=\"";
      else if (!ParseSetting(key, Trim(content.substr(eq + 1)), line, study, reason) &&
               reason.empty())
        reason = "cannot be read";
    }
    if (!reason.empty()) {
      error = "line " + std::to_string(line) + ": " + reason;
      return false;
    }
  }
  if (study.baseModel.empty()) {
    error = "no base model (a line \"base = MODEL.inp\")";
    return false;
  }
  bool anyRandom = false;
  for (const StudyParameter& p : study.parameters) anyRandom = anyRandom || p.random;
  if (anyRandom && !study.drawsGiven) {
    error = "random draws need the number of draws (a line \"draws = N\")";
    return false;
  }
  return true;
}

bool ReadStudyFile(const std::filesystem::path& path, StudyFile& study, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot be read";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParseStudyText(text.str(), path, study, error);
}

std::filesystem::path StudyFolder(const StudyFile& study) {
  std::filesystem::path folder = study.path;
  folder.replace_extension(".cases");
  return folder;
}

}  // namespace kavrel::study
