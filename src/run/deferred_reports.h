// Reports of work done on a worker thread, held back and given to the run's
// own sinks later, on the run's thread, in the order the work would have
// given them on one thread. Everything a user sees (the window's fields, the
// standard-output lines, the message boxes, the log) then comes out as a
// one-thread run gives it, whatever the number of threads.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "core/message_sink.h"
#include "core/progress_sink.h"

namespace kavrel {

// Thrown on a worker at its next report once the run has been told to stop
// (a Ctrl-C or a closed window seen by the run's thread).
struct WorkCancelled {};

// Records the progress and message reports of one piece of work, in order.
class DeferredReports : public ProgressSink, public MessageSink {
 public:
  // `cancel` is polled at every report; `runStart` answers RunStartTime.
  DeferredReports(const std::atomic<bool>& cancel, long long runStart)
      : cancel_(cancel), runStart_(runStart) {}

  void SetPhase(const std::string& text) override { Add(kPhase, text); }
  void SetStep(int n) override { Add(kStep, n); }
  void SetPrimarySeam(int n) override { Add(kPrimary, n); }
  void SetSecondarySeam(int n) override { Add(kSecondary, n); }
  void SetLevel(int n) override { Add(kLevel, n); }
  void ShowElapsed(long long seconds) override { Add(kElapsed, 0, 0, 0, seconds); }
  void OpenSeamPanel() override { Add(kOpenSeam); }
  void CloseSeamPanel() override { Add(kCloseSeam); }
  void OpenSolverPanel() override { Add(kOpenSolver); }
  void ShowIteration(int n, float maxChange) override { Add(kIteration, n, 0, maxChange); }
  void CloseSolverPanel() override { Add(kCloseSolver); }
  void OpenProjectionPanel() override { Add(kOpenProjection); }
  void ShowGridline(int row, int percent) override { Add(kGridline, row, percent); }
  void CloseProjectionPanel() override { Add(kCloseProjection); }
  void SetProjectionCaption(ProjectionKind kind) override {
    Add(kCaption, kind == ProjectionKind::Stress ? 1 : 0);
  }
  long long RunStartTime() const override { return runStart_; }

  void ShowMessage(const std::string& text) override { Add(kMessage, text); }
  void WriteDiagnostic(const std::string& text) override { Add(kDiagnostic, text); }
  void ShowFileProblem(const std::string& path, int systemError) override {
    Add(kFileProblem, path, systemError);
  }
  void ShowWarning(const std::string& text) override { Add(kWarning, text); }

  // Gives every report to `progress` and `messages`, in the order recorded.
  void Replay(ProgressSink& progress, MessageSink& messages) const;

 private:
  enum Kind {
    kPhase, kStep, kPrimary, kSecondary, kLevel, kElapsed, kOpenSeam, kCloseSeam, kOpenSolver,
    kIteration, kCloseSolver, kOpenProjection, kGridline, kCloseProjection, kCaption, kMessage,
    kDiagnostic, kFileProblem, kWarning
  };
  struct Report {
    Kind kind;
    int a = 0, b = 0;
    float f = 0;
    long long seconds = 0;
    std::string text;
  };
  void Add(Kind kind, int a = 0, int b = 0, float f = 0, long long seconds = 0);
  void Add(Kind kind, const std::string& text, int a = 0);

  const std::atomic<bool>& cancel_;
  long long runStart_;
  std::vector<Report> reports_;
};

}  // namespace kavrel
