// Sinks that record what the core shows, for checks of messages and progress.
//
// RecordingMessages keeps every message box and every diagnostic line as a
// separate entry, and also the diagnostics run together in `console`, the way
// they would appear on standard output.
//
// RecordingProgress keeps every progress report: the values in the order they
// came, a count of each panel opened and closed, and `calls`, one entry per
// call of a panel or detail-level report ("OpenSeamPanel", "SetLevel 3", ...)
// for checks of their order. It can also stop a run as a front end does: with
// `stopAfterPhase` set, the first elapsed report after that phase throws
// FatalExit(130), as the console does on Ctrl-C.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/fatal_exit.h"
#include "core/message_sink.h"
#include "core/progress_sink.h"

namespace kavrel::testing_support {

struct RecordingMessages : MessageSink {
  std::vector<std::string> boxes;
  std::vector<std::string> diagnostics;
  std::string console;  // every diagnostic, concatenated

  void ShowMessage(const std::string& text) override { boxes.push_back(text); }
  void WriteDiagnostic(const std::string& text) override {
    diagnostics.push_back(text);
    console += text;
  }
};

struct RecordingProgress : NullProgressSink {
  std::vector<std::string> phases;
  std::vector<int> steps, primarySeams, secondarySeams, levels;
  std::vector<std::pair<int, float>> iterations;  // (sweep, largest change)
  std::vector<std::pair<int, int>> gridlines;     // (row, percent)
  std::vector<ProjectionKind> captions;
  int seamOpened = 0, seamClosed = 0;
  int solverOpened = 0, solverClosed = 0;
  int projectionOpened = 0, projectionClosed = 0;
  int elapsedCalls = 0;
  std::vector<std::string> calls;  // panel and level reports, in order

  std::string stopAfterPhase;  // stop at the first elapsed report after it
  int stopAtElapsed = -1;      // elapsed report (1-based) that stops the run

  void SetPhase(const std::string& text) override {
    phases.push_back(text);
    if (!stopAfterPhase.empty() && text == stopAfterPhase) stopAtElapsed = elapsedCalls + 1;
  }
  void SetStep(int n) override { steps.push_back(n); }
  void SetPrimarySeam(int n) override { primarySeams.push_back(n); }
  void SetSecondarySeam(int n) override { secondarySeams.push_back(n); }
  void SetLevel(int n) override {
    levels.push_back(n);
    calls.push_back("SetLevel " + std::to_string(n));
  }
  void ShowElapsed(long long) override {
    if (++elapsedCalls == stopAtElapsed) throw FatalExit(130);
  }
  void OpenSeamPanel() override {
    ++seamOpened;
    calls.push_back("OpenSeamPanel");
  }
  void CloseSeamPanel() override {
    ++seamClosed;
    calls.push_back("CloseSeamPanel");
  }
  void OpenSolverPanel() override {
    ++solverOpened;
    calls.push_back("OpenSolverPanel");
  }
  void ShowIteration(int n, float maxChange) override { iterations.emplace_back(n, maxChange); }
  void CloseSolverPanel() override {
    ++solverClosed;
    calls.push_back("CloseSolverPanel");
  }
  void OpenProjectionPanel() override {
    ++projectionOpened;
    calls.push_back("OpenProjectionPanel");
  }
  void ShowGridline(int row, int percent) override { gridlines.emplace_back(row, percent); }
  void CloseProjectionPanel() override {
    ++projectionClosed;
    calls.push_back("CloseProjectionPanel");
  }
  void SetProjectionCaption(ProjectionKind kind) override { captions.push_back(kind); }
};

}  // namespace kavrel::testing_support
