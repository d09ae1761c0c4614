// What a study hands to a batch engine. Kavrel has no scheduler of its own:
// GNU parallel (local cores, or other machines through --sshlogin) or a Slurm
// job array runs the cases, each through the study's run-case.sh, which runs
// `kavrel run` in the case folder and keeps its exit status and output there.
// These functions only write the files and name the programs; starting them
// is the console's business.
//
// Files in the study folder:
//   run-case.sh     runs one case folder (skips a case that has an exit status)
//   jobs.txt        the case folders still to run, one per line (GNU parallel)
//   parallel.joblog GNU parallel's own record of the jobs it ran
//   study.sbatch    the Slurm array script over the cases still to run
//   slurm-JOB_CASE.out  Slurm's output of each array task
// (`kavrel study run` locks the study file while it runs, so that two runs
// of one study never start the same case.)
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kavrel::study {

inline constexpr const char* kCaseScript = "run-case.sh";
inline constexpr const char* kJobList = "jobs.txt";
inline constexpr const char* kParallelJobLog = "parallel.joblog";
inline constexpr const char* kSlurmScript = "study.sbatch";

// `text` quoted for a POSIX shell (single quotes).
std::string ShellQuote(const std::string& text);

// The text of run-case.sh, which runs `kavrelPath`.
std::string CaseScriptText(const std::filesystem::path& kavrelPath);

// Writes run-case.sh (executable) and jobs.txt, the folders of `pendingIds`.
// False with `error` naming the file that cannot be written.
[[nodiscard]] bool WriteJobFiles(const std::filesystem::path& studyFolder,
                                 const std::filesystem::path& kavrelPath,
                                 const std::vector<int>& pendingIds, std::string& error);

// Slurm's array index list for ascending ids, runs joined: {1,2,3,5} -> "1-3,5".
std::string ArraySpec(const std::vector<int>& ids);

// The Slurm job name of the study in `studyFolder` (an absolute path):
// "kavrel-" and 16 hex digits of the FNV-1a hash of the path, the same on
// every run, so that the study's arrays still queued can be found (squeue -n).
std::string SlurmJobName(const std::filesystem::path& studyFolder);

// The text of study.sbatch: an array over `pendingIds`, each task running
// run-case.sh on its case folder; `extraOptions` become "#SBATCH" lines.
std::string SlurmScriptText(const std::filesystem::path& studyFolder,
                            const std::vector<int>& pendingIds,
                            const std::vector<std::string>& extraOptions);

// The command line that runs jobs.txt through GNU parallel: `jobs` at a time
// (0: parallel's default, one per core), on `sshLogins` when any are given.
std::vector<std::string> ParallelCommand(const std::filesystem::path& studyFolder, int jobs,
                                         const std::vector<std::string>& sshLogins);

// The path of `program` found on PATH, or empty.
std::filesystem::path FindOnPath(const std::string& program);

}  // namespace kavrel::study
