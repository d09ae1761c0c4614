// The console's progress and message sinks.
//
// Messages (what the window shows in message boxes) go to standard error, one
// per box, each ending with exactly one line end. Diagnostic lines go to
// standard output unless the run is quiet.
//
// Progress: on a terminal, one status line on standard error is redrawn at
// every report (step of steps, phase, seams, level, SOR iteration and largest
// change, elapsed seconds). Elsewhere (a pipe, a CI log) nothing is drawn.
//
// Ctrl-C: InstallInterruptHandler makes SIGINT set a flag; the next report of
// the run (any sink operation) throws FatalExit(130), which unwinds the run so
// that the log keeps what was written. A second Ctrl-C before that report ends
// the process at once with status 130.
#pragma once

#include <cstdio>
#include <string>

#include "core/message_sink.h"
#include "core/progress_sink.h"

namespace kavrel::console {

inline constexpr int kInterruptExitCode = 130;

void InstallInterruptHandler();
bool InterruptRequested();
// Sets or clears the flag as SIGINT would (for tests and for a fresh command).
void SetInterruptRequested(bool requested);

// Draws and erases the one live status line. Disabled, it draws nothing.
class StatusLine {
 public:
  StatusLine(std::FILE* stream, bool enabled) : stream_(stream), enabled_(enabled) {}
  StatusLine(const StatusLine&) = delete;
  StatusLine& operator=(const StatusLine&) = delete;
  ~StatusLine() { Clear(); }

  bool enabled() const { return enabled_; }
  // Replaces the line on screen with `text` (cut to the terminal width).
  void Show(const std::string& text);
  // Erases the line so that other output starts at the left margin.
  void Clear();

 private:
  std::FILE* stream_;
  bool enabled_;
  bool shown_ = false;
  std::string last_;
};

class ConsoleMessageSink : public MessageSink {
 public:
  // `status` may be null. `diagnostics` false drops the diagnostic lines.
  ConsoleMessageSink(std::FILE* errors, std::FILE* output, StatusLine* status, bool diagnostics)
      : errors_(errors), output_(output), status_(status), diagnostics_(diagnostics) {}

  void ShowMessage(const std::string& text) override;
  void WriteDiagnostic(const std::string& text) override;
  // "kavrel: <path>: <reason>" on the error stream.
  void ShowFileProblem(const std::string& path, int systemError) override;
  // "warning: <text>" on the error stream.
  void ShowWarning(const std::string& text) override;

 private:
  std::FILE* errors_;
  std::FILE* output_;
  StatusLine* status_;
  bool diagnostics_;
};

// Message text as one line: trailing line ends (LF or CR LF) stripped, then
// exactly one LF appended.
std::string AsOneLine(const std::string& text);

class ConsoleProgressSink : public ProgressSink {
 public:
  explicit ConsoleProgressSink(StatusLine* status) : status_(status) {}

  void SetStepCount(int n) { stepCount_ = n; }
  void SetRunStartTime(long long t) { runStartTime_ = t; }

  void SetPhase(const std::string& text) override;
  void SetStep(int n) override;
  void SetPrimarySeam(int n) override;
  void SetSecondarySeam(int n) override;
  void SetLevel(int n) override;
  void ShowElapsed(long long seconds) override;
  void OpenSeamPanel() override;
  void CloseSeamPanel() override;
  void OpenSolverPanel() override;
  void ShowIteration(int n, float maxChange) override;
  void CloseSolverPanel() override;
  void OpenProjectionPanel() override;
  void ShowGridline(int row, int percent) override;
  void CloseProjectionPanel() override;
  void SetProjectionCaption(ProjectionKind kind) override;
  long long RunStartTime() const override { return runStartTime_; }

  // The status text for the values held now.
  std::string StatusText() const;

 private:
  // Every report ends here: stop the run if Ctrl-C was pressed, else redraw.
  void Report();

  StatusLine* status_;
  long long runStartTime_ = 0;
  int stepCount_ = 0;
  int step_ = 0;
  long long elapsed_ = 0;
  std::string phase_;
  int primarySeam_ = 0;
  int secondarySeam_ = 0;
  int level_ = 3;
  bool seamPanel_ = false;
  bool solverPanel_ = false;
  int iteration_ = 0;
  float maxChange_ = 0;
  bool projectionPanel_ = false;
  int gridline_ = 0;
  int percent_ = 0;
  ProjectionKind caption_ = ProjectionKind::Stress;
};

}  // namespace kavrel::console
