// RunAnalysis: the whole analysis of one run, in the calling thread, and the
// stages that frame it (the preliminary stress fields, one step, the LMS
// runs of a step, the end of the run).
//
// The driver owns no numerical method beyond saving and averaging old
// convergences; it decides the order of the calls, what each receives, the
// loop bounds, the log lines and the timing bookkeeping. Every phase is
// announced through the progress sink, written to the log and timed in whole
// calendar seconds.
//
// The log is kept open from the start of the run to its end; every line
// written through it is flushed at once, so that a FatalExit thrown anywhere
// below (a solver's iteration limit, a Ctrl-C at a progress report) leaves the
// log with every line written so far.
#include <cerrno>
#include <cstdarg>
#include <string>

#include "core/fatal_exit.h"
#include "core/text_files.h"
#include "run/analysis_run.h"

namespace kavrel {

std::string PhaseText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormatText(80, format, args);
  va_end(args);
  return text;
}

int CModelDat::RunAnalysis() {
  runClock = CalendarSeconds();
  progress->SetPhase("Initializing Data");
  AllocateArrays();
  progress->ShowElapsed(CalendarSeconds() - runClock);

  RunLog log = RunLog::Open(outFileName, "at");
  if (!log) {
    const int error = errno;
    ShowMessage("Error in Opening Output File - M1\n");
    ShowFileProblem(outFileName, error);
    throw FatalExit(1);
  }

  AnalysisRun run(*this, log);
  if (topographicStress == 1) run.TopographicStresses();
  if (staticStress == 1) run.StaticStresses();
  for (int step = 1; step <= stepCount; ++step) run.Step(step);
  run.Finish();
  ReleaseArrays();
  return 0;
}

AnalysisRun::AnalysisRun(CModelDat& model, RunLog& log)
    : m_(model), log_(log), progress_(*model.progress), lms_(model.lmsPillarCount > 0),
      tally_(static_cast<std::size_t>(model.seamCount) + 1),
      solverSettings_(SorSettingsOf(model, model.faultCalc == 1)) {
  threads_ = ThreadsFor(model.threadCount);
  if (threads_ > 1) pool_ = std::make_unique<WorkerPool>(threads_);
  m_.lender = pool_.get();
  m_.summaryRows.clear();
  m_.summaryFileName = m_.Names().Summary();
}

AnalysisRun::~AnalysisRun() { m_.lender = nullptr; }

RowBands AnalysisRun::Bands() const {
  RowBands bands;
  bands.lender = pool_.get();
  bands.maxBands = threads_;
  return bands;
}

void AnalysisRun::TopographicStresses() {
  const long long d = Timed([&] { m_.TopographicStresses(log_); });
  m_.profile[0].topoSeconds = d;
  log_.Printf("Total Time for Topographic Stress Calculations was %lli secs.\n\n", d);
}

void AnalysisRun::StaticStresses() {
  const long long d = Timed([&] {
    // Static stresses asked for and not read: the run would silently go on
    // without them, so it stops with the reader's result.
    const int read = m_.StaticStressReader(log_);
    if (read != 0) throw FatalExit(read);
  });
  m_.profile[0].staticSeconds = d;
  log_.Printf("Total Time for Reading in Static Stresses was %lli secs.\n\n", d);
}

void AnalysisRun::Step(int step) {
  progress_.SetStep(step);
  m_.ReadStepCodes(m_.previousCodes, m_.fineCodes, step, log_);

  L_ = 3;
  progress_.OpenSeamPanel();
  progress_.SetLevel(3);
  SolveSeams(true, step, 0);
  for (int p = 0; p <= m_.lmsPillarCount; ++p) LmsRun(step, p);
  if (lms_) m_.ReleasePillars();

  PostProcess(step);
  Summarise(step, m_.lmsPillarCount, true);
  m_.PrintStepProfile(step, log_);
  if (m_.WriteResults(step == 1 && lms_ ? 2 : step) != 0) throw FatalExit(1);
  m_.WriteSummaryFile(step);
}

// LMS run p of a step: p = 0 solves the mine as it stands, p = 1.. with LMS
// pillar p removed. Without LMS pillars there is only run 0.
void AnalysisRun::LmsRun(int step, int p) {
  m_.StartLmsPillar(p, log_, M_, L_);
  pillarText_ = lms_ ? PhaseText("LMS Pillar %i, ", p) : std::string();
  LevelSchedule(step, p);
  if (p < m_.lmsPillarCount) Summarise(step, p, false);
  m_.FinishLmsPillar(step, p, log_);
}

void AnalysisRun::Finish() {
  m_.PrintRunProfile(log_);
  const long long t = CalendarSeconds() - progress_.RunStartTime();
  progress_.ShowElapsed(t);
  log_.Printf("Total program running time was %lli secs\n\n", t);
  log_.Close();
  progress_.CloseSeamPanel();
  progress_.SetPhase("Finished");
}

}  // namespace kavrel
