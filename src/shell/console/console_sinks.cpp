// The console's sinks: message boxes become lines on standard error,
// diagnostics lines on standard output, and progress reports a one-line
// status on a terminal; Ctrl-C is turned into an orderly stop at the next
// report.
#include "shell/console/console_sinks.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "core/fatal_exit.h"
#include "core/text_files.h"

namespace kavrel::console {

namespace {

volatile std::sig_atomic_t interruptFlag = 0;

extern "C" void OnInterrupt(int) {
  // A second Ctrl-C while the run has not yet reached a report: give up at once.
  if (interruptFlag) _exit(kInterruptExitCode);
  interruptFlag = 1;
}

int TerminalWidth(std::FILE* stream) {
  struct winsize ws {};
  if (ioctl(fileno(stream), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 1) return ws.ws_col;
  return 80;
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
}

bool InterruptRequested() { return interruptFlag != 0; }

void SetInterruptRequested(bool requested) { interruptFlag = requested ? 1 : 0; }

// ---- status line ----------------------------------------------------------

void StatusLine::Show(const std::string& text) {
  if (!enabled_) return;
  // One column is kept free so that the cursor never wraps onto a new line.
  const std::size_t width = static_cast<std::size_t>(TerminalWidth(stream_) - 1);
  std::string line = text.size() > width ? text.substr(0, width) : text;
  if (shown_ && line == last_) return;
  std::fprintf(stream_, "\r%s\x1b[K", line.c_str());
  std::fflush(stream_);
  last_ = std::move(line);
  shown_ = true;
}

void StatusLine::Clear() {
  if (!enabled_ || !shown_) return;
  std::fputs("\r\x1b[K", stream_);
  std::fflush(stream_);
  shown_ = false;
  last_.clear();
}

// ---- messages ---------------------------------------------------------------

std::string AsOneLine(const std::string& text) { return WithoutTrailingLineEnds(text) + '\n'; }

void ConsoleMessageSink::ShowMessage(const std::string& text) {
  if (status_) status_->Clear();
  std::fflush(output_);
  std::fputs(AsOneLine(text).c_str(), errors_);
  std::fflush(errors_);
}

void ConsoleMessageSink::ShowFileProblem(const std::string& path, int systemError) {
  if (status_) status_->Clear();
  std::fprintf(errors_, "kavrel: %s: %s\n", path.c_str(),
               systemError != 0 ? std::strerror(systemError) : "cannot be written");
  std::fflush(errors_);
}

void ConsoleMessageSink::ShowWarning(const std::string& text) {
  ShowMessage("warning: " + text);
}

void ConsoleMessageSink::WriteDiagnostic(const std::string& text) {
  if (!diagnostics_) return;
  if (status_) status_->Clear();
  std::fputs(text.c_str(), output_);
  std::fflush(output_);
}

// ---- progress -----------------------------------------------------------------

void ConsoleProgressSink::Report() {
  if (InterruptRequested()) {
    if (status_) status_->Clear();
    throw FatalExit(kInterruptExitCode, "Run interrupted by the user\n");
  }
  if (status_ && status_->enabled()) status_->Show(StatusText());
}

std::string ConsoleProgressSink::StatusText() const {
  // The numbers come first, so that a narrow terminal cuts the phase text
  // rather than the counters.
  char buf[160];
  std::string text;
  if (stepCount_ > 0 || step_ > 0) {
    std::snprintf(buf, sizeof buf, "Step %i/%i  ", step_, stepCount_);
    text += buf;
  }
  if (seamPanel_) {
    if (secondarySeam_ != 0)
      std::snprintf(buf, sizeof buf, "seam %i->%i  level %i  ", primarySeam_, secondarySeam_,
                    level_);
    else
      std::snprintf(buf, sizeof buf, "seam %i  level %i  ", primarySeam_, level_);
    text += buf;
  }
  if (solverPanel_) {
    std::snprintf(buf, sizeof buf, "iter %i max %.9f  ", iteration_,
                  static_cast<double>(maxChange_));
    text += buf;
  }
  if (projectionPanel_) {
    std::snprintf(buf, sizeof buf, "%s row %i (%i%%)  ",
                  caption_ == ProjectionKind::Displacement ? "displ." : "stress", gridline_,
                  percent_);
    text += buf;
  }
  std::snprintf(buf, sizeof buf, "%llis  ", elapsed_);
  text += buf;
  text += phase_;
  return text;
}

void ConsoleProgressSink::SetPhase(const std::string& text) {
  phase_ = text;
  Report();
}

void ConsoleProgressSink::SetStep(int n) {
  step_ = n;
  Report();
}

void ConsoleProgressSink::SetPrimarySeam(int n) {
  primarySeam_ = n;
  Report();
}

void ConsoleProgressSink::SetSecondarySeam(int n) {
  secondarySeam_ = n;
  Report();
}

void ConsoleProgressSink::SetLevel(int n) {
  level_ = n;
  Report();
}

void ConsoleProgressSink::ShowElapsed(long long seconds) {
  elapsed_ = seconds;
  Report();
}

void ConsoleProgressSink::OpenSeamPanel() {
  primarySeam_ = 0;
  secondarySeam_ = 0;
  level_ = 3;
  seamPanel_ = true;
  Report();
}

void ConsoleProgressSink::CloseSeamPanel() {
  seamPanel_ = false;
  Report();
}

void ConsoleProgressSink::OpenSolverPanel() {
  iteration_ = 1;
  maxChange_ = 0;
  solverPanel_ = true;
  Report();
}

void ConsoleProgressSink::ShowIteration(int n, float maxChange) {
  iteration_ = n;
  maxChange_ = maxChange;
  Report();
}

void ConsoleProgressSink::CloseSolverPanel() {
  solverPanel_ = false;
  Report();
}

void ConsoleProgressSink::OpenProjectionPanel() {
  gridline_ = 0;
  percent_ = 10;
  projectionPanel_ = true;
  Report();
}

void ConsoleProgressSink::ShowGridline(int row, int percent) {
  gridline_ = row;
  percent_ = percent;
  Report();
}

void ConsoleProgressSink::CloseProjectionPanel() {
  projectionPanel_ = false;
  Report();
}

void ConsoleProgressSink::SetProjectionCaption(ProjectionKind kind) {
  caption_ = kind;
  Report();
}

}  // namespace kavrel::console
