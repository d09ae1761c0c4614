// The job files of a study's engines (see the header). The case script is
// the single place where a case's run, exit status and output are handled,
// whichever engine starts it.
#include "study/study_engines.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "study/study_cases.h"

namespace kavrel::study {

namespace {

[[nodiscard]] bool WriteText(const std::filesystem::path& path, const std::string& text,
                             std::string& error) {
  std::ofstream out(path, std::ios::binary);
  if (!(out << text) || !out.flush()) {
    error = path.string() + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string CaseScriptText(const std::filesystem::path& kavrelPath) {
  return "#!/bin/sh\n"
         "# Runs one case of a Kavrel study (written by kavrel study run): kavrel run on\n"
         "# CASE/model.inp, its output kept in CASE/run.out and CASE/run.err, its exit\n"
         "# status in CASE/exit-status once the run has ended by itself. A run stopped by\n"
         "# a signal leaves no exit status and runs again with the study; a case that has\n"
         "# one is never run twice. The engine runs as many cases at once as it has\n"
         "# cores, so a case takes one thread, or the CPUs Slurm gave its task.\n"
         "cd \"$1\" || exit 1\n"
         "if [ -f exit-status ]; then exit \"$(cat exit-status)\"; fi\n" +
         ShellQuote(kavrelPath.string()) +
         " run --quiet --threads \"${SLURM_CPUS_PER_TASK:-1}\" model.inp > run.out 2> run.err\n"
         "status=$?\n"
         "if [ \"$status\" -ge 128 ]; then exit \"$status\"; fi\n"
         "echo \"$status\" > exit-status.part && mv exit-status.part exit-status\n"
         "exit \"$status\"\n";
}

bool WriteJobFiles(const std::filesystem::path& studyFolder,
                   const std::filesystem::path& kavrelPath, const std::vector<int>& pendingIds,
                   std::string& error) {
  const std::filesystem::path script = studyFolder / kCaseScript;
  if (!WriteText(script, CaseScriptText(kavrelPath), error)) return false;
  std::error_code ec;
  std::filesystem::permissions(script,
                               std::filesystem::perms::owner_exec |
                                   std::filesystem::perms::group_exec |
                                   std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add, ec);
  if (ec) {
    error = script.string() + ": cannot be made executable: " + ec.message();
    return false;
  }
  std::string jobs;
  for (int id : pendingIds) jobs += (studyFolder / CaseName(id)).string() + "\n";
  return WriteText(studyFolder / kJobList, jobs, error);
}

std::string ArraySpec(const std::vector<int>& ids) {
  std::string spec;
  for (std::size_t k = 0; k < ids.size();) {
    std::size_t last = k;
    while (last + 1 < ids.size() && ids[last + 1] == ids[last] + 1) ++last;
    if (!spec.empty()) spec += ',';
    spec += std::to_string(ids[k]);
    if (last > k) spec.append("-").append(std::to_string(ids[last]));
    k = last + 1;
  }
  return spec;
}

std::string SlurmJobName(const std::filesystem::path& studyFolder) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : studyFolder.string()) hash = (hash ^ c) * 1099511628211ull;
  char name[32];
  std::snprintf(name, sizeof name, "kavrel-%016llx", static_cast<unsigned long long>(hash));
  return name;
}

std::string SlurmScriptText(const std::filesystem::path& studyFolder,
                            const std::vector<int>& pendingIds,
                            const std::vector<std::string>& extraOptions) {
  const std::string folder = studyFolder.string();
  std::string text =
      "#!/bin/sh\n"
      "# A Kavrel study's cases as a Slurm job array (written by kavrel study run):\n"
      "# task N runs case N through run-case.sh, which keeps its exit status and log\n"
      "# in the case folder.\n"
      "#SBATCH --job-name=" +
      SlurmJobName(studyFolder) +
      "\n"
      "#SBATCH --array=" +
      ArraySpec(pendingIds) +
      "\n"
      "#SBATCH --ntasks=1\n"
      "#SBATCH --output=" +
      folder + "/slurm-%A_%a.out\n";
  for (const std::string& option : extraOptions) text += "#SBATCH " + option + "\n";
  text += "exec " + ShellQuote((studyFolder / kCaseScript).string()) + " " + ShellQuote(folder) +
          "/\"$(printf 'case-%04d' \"$SLURM_ARRAY_TASK_ID\")\"\n";
  return text;
}

std::vector<std::string> ParallelCommand(const std::filesystem::path& studyFolder, int jobs,
                                         const std::vector<std::string>& sshLogins) {
  std::vector<std::string> args = {"parallel", "--joblog",
                                   (studyFolder / kParallelJobLog).string()};
  if (jobs > 0) args.insert(args.end(), {"--jobs", std::to_string(jobs)});
  for (const std::string& login : sshLogins) args.insert(args.end(), {"--sshlogin", login});
  args.insert(args.end(),
              {(studyFolder / kCaseScript).string(), "::::", (studyFolder / kJobList).string()});
  return args;
}

std::filesystem::path FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (!path) return {};
  const std::string dirs = path;
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::filesystem::path candidate =
        std::filesystem::path(dirs.substr(start, end - start)) / program;
    std::error_code ec;
    if (end > start && std::filesystem::is_regular_file(candidate, ec)) return candidate;
    start = end + 1;
  }
  return {};
}

}  // namespace kavrel::study
