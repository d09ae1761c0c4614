// `kavrel study expand|run|collect STUDY`: parametric studies on an existing
// batch engine. expand writes the case folders and the manifest; run expands
// (so every case model is checked by the reader before anything starts) and
// hands the cases not yet run to GNU parallel or to a Slurm job array;
// collect gathers the step summaries and ranks the cases against measured
// points. The study logic is in src/study; here are the options, the
// messages and the starting of the engine's program.
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "shell/console/commands.h"
#include "study/study_cases.h"
#include "study/study_collect.h"
#include "study/study_engines.h"
#include "study/study_file.h"

extern char** environ;

namespace kavrel::console {

namespace {

constexpr int kStudyFailed = 1;

struct StudyOptions {
  std::vector<std::string> words;  // ACTION STUDY
  std::string engine;
  int jobs = 0;
  std::vector<std::string> sshLogins;
  std::vector<std::string> sbatchOptions;
  bool noSubmit = false;
  bool wait = false;
  std::string measured;
};

// "kavrel: FILE: REASON" on standard error.
void Complain(const ConsoleStreams& s, const std::string& file, const std::string& reason) {
  std::fprintf(s.err, "kavrel: %s: %s\n", file.c_str(), reason.c_str());
}

// Complains and gives the exit status of a failed study command.
[[nodiscard]] int Fail(const ConsoleStreams& s, const std::string& file,
                       const std::string& reason) {
  Complain(s, file, reason);
  return kStudyFailed;
}

// Runs `args` (args[0] looked up on PATH) with this process's standard
// streams and returns its exit status (-1 when it cannot be started or ends
// by a signal).
[[nodiscard]] int RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// An exclusive lock on an existing file, released when this goes; a file
// that cannot be opened counts as locked here (its reader reports it).
class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    locked_ = fd_ < 0 || ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Locked() const { return locked_; }

 private:
  int fd_;
  bool locked_ = false;
};

// The ids of the jobs named `name` that Slurm still holds (queued or
// running); empty when there are none or squeue cannot tell.
std::string QueuedJobs(const std::string& name) {
  const std::string command = "squeue -h -n " + name + " -o %A 2>/dev/null";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return "";
  std::string ids;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) ids += buffer;
  ::pclose(pipe);
  for (char& c : ids)
    if (c == '\n') c = ' ';
  while (!ids.empty() && ids.back() == ' ') ids.pop_back();
  return ids;
}

// Reads and expands the study, shows its warnings and problems, and writes
// the case folders; false (after the messages) when anything is wrong.
[[nodiscard]] bool ExpandStudy(const ConsoleStreams& s, const std::string& path,
                               study::StudyPlan& plan) {
  study::StudyFile file;
  std::string error;
  if (!study::ReadStudyFile(path, file, error)) {
    Complain(s, path, error);
    return false;
  }
  std::vector<std::string> problems, warnings;
  const bool planned = study::PlanStudy(file, plan, problems, warnings);
  for (const std::string& w : warnings)
    std::fprintf(s.err, "warning: %s: %s\n", path.c_str(), w.c_str());
  for (const std::string& p : problems) Complain(s, path, p);
  if (!planned) {
    std::fprintf(s.err, "kavrel: %s: nothing was written or started\n", path.c_str());
    return false;
  }
  const std::filesystem::path folder = study::StudyFolder(file);
  if (!study::WriteCases(plan, folder, error)) {
    Complain(s, path, error);
    return false;
  }
  std::fprintf(s.out, "%s: %zu cases (%s)\n", folder.string().c_str(), plan.cases.size(),
               (folder / study::kManifestFile).string().c_str());
  return true;
}

std::vector<int> CasesIn(const study::StudyPlan& plan, study::CaseState state) {
  const std::filesystem::path folder = study::StudyFolder(plan.study);
  std::vector<int> ids;
  for (const study::StudyCase& c : plan.cases)
    if (study::ReadCaseStatus(folder / study::CaseName(c.id)).state == state) ids.push_back(c.id);
  return ids;
}

// The tally after a run; 0 when every case succeeded.
[[nodiscard]] int ReportRun(const ConsoleStreams& s, const study::StudyPlan& plan) {
  const std::filesystem::path folder = study::StudyFolder(plan.study);
  const std::vector<int> failed = CasesIn(plan, study::CaseState::Failed);
  const std::vector<int> notRun = CasesIn(plan, study::CaseState::NotRun);
  std::fprintf(s.out, "%s: %zu cases, %zu succeeded, %zu failed, %zu not run\n",
               folder.string().c_str(), plan.cases.size(),
               plan.cases.size() - failed.size() - notRun.size(), failed.size(), notRun.size());
  for (int id : failed)
    Complain(s, (folder / study::CaseName(id)).string(),
             "the run failed (exit status " +
                 std::to_string(study::ReadCaseStatus(folder / study::CaseName(id)).exitStatus) +
                 "; see run.err and model.out there)");
  for (int id : notRun) Complain(s, (folder / study::CaseName(id)).string(), "has not run");
  return failed.empty() && notRun.empty() ? 0 : kStudyFailed;
}

// Where the engine's program is, or a message naming its Debian package.
[[nodiscard]] bool EngineInstalled(const ConsoleStreams& s, const std::string& program,
                                   const std::string& what, const std::string& package) {
  if (!study::FindOnPath(program).empty()) return true;
  std::fprintf(s.err, "kavrel: %s is not installed (%s not found on PATH; Debian package: %s)\n",
               what.c_str(), program.c_str(), package.c_str());
  return false;
}

// Replaces the file at `path` with `text`; false when it cannot.
[[nodiscard]] bool WriteTextFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  return static_cast<bool>(out << text) && static_cast<bool>(out.flush());
}

// Writes study.sbatch over `pending` and, unless --no-submit, submits it.
[[nodiscard]] int RunOnSlurm(const ConsoleStreams& s, const study::StudyPlan& plan,
                             const std::filesystem::path& folder, const std::vector<int>& pending,
                             const StudyOptions& o) {
  const std::filesystem::path script = folder / study::kSlurmScript;
  if (!WriteTextFile(script, study::SlurmScriptText(folder, pending, o.sbatchOptions)))
    return Fail(s, script.string(), "cannot be written");
  std::fprintf(s.out, "%s\n", script.c_str());
  if (o.noSubmit) return 0;
  std::vector<std::string> sbatch = {"sbatch"};
  if (o.wait) sbatch.push_back("--wait");
  sbatch.push_back(script.string());
  // With --wait, sbatch's status tells only that some task failed: the case
  // folders tell which.
  const int status = RunProgram(sbatch);
  if (o.wait) return ReportRun(s, plan);
  if (status != 0) return Fail(s, script.string(), "sbatch refused the job array");
  return 0;
}

[[nodiscard]] int RunStudy(const ConsoleStreams& s, const std::string& path,
                           const StudyOptions& o) {
  const bool submit = o.engine == "parallel" || !o.noSubmit;
  if (o.engine == "parallel" && !EngineInstalled(s, "parallel", "GNU parallel", "parallel"))
    return kStudyFailed;
  if (o.engine == "slurm" && submit && !EngineInstalled(s, "sbatch", "Slurm", "slurm-wlm"))
    return kStudyFailed;
  const FileLock lock(path);
  if (!lock.Locked()) return Fail(s, path, "another kavrel study run is running this study");
  study::StudyPlan plan;
  if (!ExpandStudy(s, path, plan)) return kStudyFailed;
  const std::filesystem::path folder = std::filesystem::absolute(study::StudyFolder(plan.study));
  if (o.engine == "slurm" && submit) {
    const std::string queued = QueuedJobs(study::SlurmJobName(folder));
    if (!queued.empty())
      return Fail(s, path,
                  "Slurm still holds this study's job " + queued +
                      "; wait until it has ended (or scancel it), then run again");
  }
  const std::vector<int> pending = CasesIn(plan, study::CaseState::NotRun);
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return Fail(s, "/proc/self/exe", "cannot tell where kavrel is: " + ec.message());
  std::string error;
  if (!study::WriteJobFiles(folder, self, pending, error)) return Fail(s, path, error);
  std::fprintf(s.out, "%zu cases to run, %zu already ended\n", pending.size(),
               plan.cases.size() - pending.size());
  if (pending.empty()) return ReportRun(s, plan);

  if (o.engine == "slurm") return RunOnSlurm(s, plan, folder, pending, o);
  // GNU parallel's own status counts the failed jobs; the case folders tell which.
  if (RunProgram(study::ParallelCommand(folder, o.jobs, o.sshLogins)) < 0)
    Complain(s, path, "GNU parallel could not be started or was stopped");
  return ReportRun(s, plan);
}

[[nodiscard]] int CollectStudy(const ConsoleStreams& s, const std::string& path,
                               const StudyOptions& o) {
  study::StudyFile file;
  std::string error;
  if (!study::ReadStudyFile(path, file, error)) return Fail(s, path, error);
  const std::filesystem::path folder = study::StudyFolder(file);
  study::Manifest manifest;
  if (!study::ReadManifest(folder, manifest, error))
    return Fail(s, (folder / study::kManifestFile).string(), error);
  std::vector<study::MeasuredPoint> points;
  if (!o.measured.empty() && !study::ReadMeasuredPoints(o.measured, points, error))
    return Fail(s, o.measured, error);
  const study::Collection c = study::CollectStudy(folder, manifest, points);
  std::vector<std::pair<std::filesystem::path, std::string>> outputs = {
      {folder / study::kCollectedFile, c.table}};
  if (!points.empty()) outputs.emplace_back(folder / study::kMisfitFile, c.ranking);
  for (const auto& [out, text] : outputs) {
    if (!WriteTextFile(out, text)) return Fail(s, out.string(), "cannot be written");
    std::fprintf(s.out, "%s\n", out.c_str());
  }
  for (const study::CaseOutcome& oc : c.outcomes)
    if (oc.statusText != "ok")
      std::fprintf(s.out, "%s: %s\n", study::CaseName(oc.id).c_str(), oc.statusText.c_str());
  for (std::size_t r = 0; r < c.rankedOrder.size() && r < 5; ++r) {
    const study::CaseOutcome& oc = c.outcomes[c.rankedOrder[r]];
    std::fprintf(s.out, "%zu. %s misfit %s\n", r + 1, study::CaseName(oc.id).c_str(),
                 study::FormatValue(oc.misfit).c_str());
  }
  return 0;
}

// The action for the parsed options, or UsageError.
CommandAction ActionOf(const StudyOptions& o) {
  if (o.words.size() != 2)
    throw UsageError("study needs an action (expand, run or collect) and a study file");
  const std::string& action = o.words[0];
  const std::string& path = o.words[1];
  if (action != "expand" && action != "run" && action != "collect")
    throw UsageError("unknown study action '" + action + "' (expand, run or collect)");
  const bool runOptions = !o.engine.empty() || o.jobs != 0 || !o.sshLogins.empty() ||
                          !o.sbatchOptions.empty() || o.noSubmit || o.wait;
  if (action != "run" && runOptions) throw UsageError("--engine and its options go with study run");
  if (action != "collect" && !o.measured.empty())
    throw UsageError("--measured goes with study collect");
  if (action == "run" && o.engine != "parallel" && o.engine != "slurm")
    throw UsageError("study run needs --engine parallel or --engine slurm");
  const bool parallelOnly = o.jobs != 0 || !o.sshLogins.empty();
  const bool slurmOnly = !o.sbatchOptions.empty() || o.noSubmit || o.wait;
  if ((o.engine == "slurm" && parallelOnly) || (o.engine == "parallel" && slurmOnly))
    throw UsageError("an option of the other engine was given with --engine " + o.engine);
  if (o.jobs < 0) throw UsageError("--jobs must not be negative");
  if (o.noSubmit && o.wait) throw UsageError("--wait and --no-submit do not go together");
  if (action == "expand")
    return [path](const ConsoleStreams& s) {
      study::StudyPlan plan;
      return ExpandStudy(s, path, plan) ? 0 : kStudyFailed;
    };
  if (action == "run") return [path, o](const ConsoleStreams& s) { return RunStudy(s, path, o); };
  return [path, o](const ConsoleStreams& s) { return CollectStudy(s, path, o); };
}

}  // namespace

ConsoleCommand StudyCommand() {
  ConsoleCommand command;
  command.name = "study";
  command.synopsis = {
      "study expand STUDY", "study run STUDY --engine parallel [--jobs N] [--sshlogin LOGIN]...",
      "study run STUDY --engine slurm [--no-submit] [--wait] [--sbatch-option OPT]...",
      "study collect STUDY [--measured POINTS.csv]"};
  command.help =
      "  study   a parametric study (examples/study.txt): expand writes one folder per\n"
      "          case and manifest.csv in STUDY.cases; run hands the cases not yet run to\n"
      "          GNU parallel or a Slurm job array, each case keeping its exit status and\n"
      "          output in its folder; collect gathers the step summaries in collected.csv\n"
      "          and, with measured points, ranks the cases by misfit in misfit.csv\n"
      "  --jobs N           cases at a time (GNU parallel; default one per core)\n"
      "  --sshlogin LOGIN   run on this machine through ssh (GNU parallel's --sshlogin;\n"
      "                     the study folder and kavrel must be at the same paths there)\n"
      "  --no-submit        write STUDY.cases/study.sbatch without submitting it\n"
      "  --wait             wait until the Slurm array has ended, then report the cases\n"
      "  --sbatch-option OPT  an extra \"#SBATCH OPT\" line, e.g. --partition=long\n"
      "  --measured POINTS.csv  x,y,seam,step,quantity,value with quantity convergence\n"
      "                     or surface (the off-seam displacement)\n";
  command.add = [](CLI::App& sub) -> CommandFinisher {
    auto o = std::make_shared<StudyOptions>();
    sub.add_option("ACTION STUDY", o->words);
    sub.add_option("--engine", o->engine);
    sub.add_option("--jobs", o->jobs);
    sub.add_option("--sshlogin", o->sshLogins);
    sub.add_option("--sbatch-option", o->sbatchOptions);
    sub.add_flag("--no-submit", o->noSubmit);
    sub.add_flag("--wait", o->wait);
    sub.add_option("--measured", o->measured);
    return [o]() -> CommandAction { return ActionOf(*o); };
  };
  return command;
}

}  // namespace kavrel::console
