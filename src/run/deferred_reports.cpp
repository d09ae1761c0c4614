// Recording and replaying the reports of work done on a worker thread.
#include "run/deferred_reports.h"

namespace kavrel {

void DeferredReports::Add(Kind kind, int a, int b, float f, long long seconds) {
  if (cancel_.load(std::memory_order_relaxed)) throw WorkCancelled{};
  reports_.push_back(Report{kind, a, b, f, seconds, std::string()});
}

void DeferredReports::Add(Kind kind, const std::string& text, int a) {
  if (cancel_.load(std::memory_order_relaxed)) throw WorkCancelled{};
  reports_.push_back(Report{kind, a, 0, 0, 0, text});
}

void DeferredReports::Replay(ProgressSink& progress, MessageSink& messages) const {
  for (const Report& r : reports_) {
    switch (r.kind) {
      case kPhase: progress.SetPhase(r.text); break;
      case kStep: progress.SetStep(r.a); break;
      case kPrimary: progress.SetPrimarySeam(r.a); break;
      case kSecondary: progress.SetSecondarySeam(r.a); break;
      case kLevel: progress.SetLevel(r.a); break;
      case kElapsed: progress.ShowElapsed(r.seconds); break;
      case kOpenSeam: progress.OpenSeamPanel(); break;
      case kCloseSeam: progress.CloseSeamPanel(); break;
      case kOpenSolver: progress.OpenSolverPanel(); break;
      case kIteration: progress.ShowIteration(r.a, r.f); break;
      case kCloseSolver: progress.CloseSolverPanel(); break;
      case kOpenProjection: progress.OpenProjectionPanel(); break;
      case kGridline: progress.ShowGridline(r.a, r.b); break;
      case kCloseProjection: progress.CloseProjectionPanel(); break;
      case kCaption:
        progress.SetProjectionCaption(r.a == 1 ? ProjectionKind::Stress
                                               : ProjectionKind::Displacement);
        break;
      case kMessage: messages.ShowMessage(r.text); break;
      case kDiagnostic: messages.WriteDiagnostic(r.text); break;
      case kFileProblem: messages.ShowFileProblem(r.text, r.a); break;
      case kWarning: messages.ShowWarning(r.text); break;
    }
  }
}

}  // namespace kavrel
