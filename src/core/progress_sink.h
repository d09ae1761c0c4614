// The interface through which the computation reports its progress.
//
// ProgressSink receives the run's progress: phase, step, seams, detail level,
// SOR iteration, projection gridline and elapsed time. The window shows the
// values in its fields; the console front end draws a status line. ShowElapsed
// has a second duty: it is the one point where a front end may handle pending
// user events during a run (the window processes its messages, the console
// notices Ctrl-C); a front end that must stop the run throws FatalExit there.
//
// Called on the computing thread only. Messages go through MessageSink
// (core/message_sink.h).
#pragma once

#include <string>

namespace kavrel {

enum class ProjectionKind { Displacement, Stress };

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;

  virtual void SetPhase(const std::string& text) = 0;
  virtual void SetStep(int n) = 0;
  virtual void SetPrimarySeam(int n) = 0;
  // 0 means no secondary seam: shown as inactive.
  virtual void SetSecondarySeam(int n) = 0;
  virtual void SetLevel(int n) = 0;
  virtual void ShowElapsed(long long seconds) = 0;
  virtual void OpenSeamPanel() = 0;
  virtual void CloseSeamPanel() = 0;
  virtual void OpenSolverPanel() = 0;
  virtual void ShowIteration(int n, float maxChange) = 0;
  virtual void CloseSolverPanel() = 0;
  virtual void OpenProjectionPanel() = 0;
  virtual void ShowGridline(int row, int percent) = 0;
  virtual void CloseProjectionPanel() = 0;
  virtual void SetProjectionCaption(ProjectionKind kind) = 0;

  // Calendar seconds at which the Run command started the run; the driver
  // reports the total running time against it.
  virtual long long RunStartTime() const = 0;
};

// A sink that drops everything: the model's default, so the core never checks
// for a missing front end.
class NullProgressSink : public ProgressSink {
 public:
  void SetPhase(const std::string&) override {}
  void SetStep(int) override {}
  void SetPrimarySeam(int) override {}
  void SetSecondarySeam(int) override {}
  void SetLevel(int) override {}
  void ShowElapsed(long long) override {}
  void OpenSeamPanel() override {}
  void CloseSeamPanel() override {}
  void OpenSolverPanel() override {}
  void ShowIteration(int, float) override {}
  void CloseSolverPanel() override {}
  void OpenProjectionPanel() override {}
  void ShowGridline(int, int) override {}
  void CloseProjectionPanel() override {}
  void SetProjectionCaption(ProjectionKind) override {}
  long long RunStartTime() const override { return runStartTime; }
  long long runStartTime = 0;
};

}  // namespace kavrel
