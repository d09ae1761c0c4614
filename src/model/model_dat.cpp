// Construction of the model record, the sinks it reports through, and the
// allocation and release of the run's grids by the options of the input.
#include "model/model_dat.h"

#include <ctime>

namespace kavrel {

CModelDat::CModelDat() : progress(&nullProgress_), messages(&nullMessages_) {
  title[0] = '\0';
}

CModelDat::~CModelDat() = default;

void CModelDat::SetProgress(ProgressSink* sink) { progress = sink ? sink : &nullProgress_; }
void CModelDat::SetMessages(MessageSink* sink) { messages = sink ? sink : &nullMessages_; }

long long CModelDat::ElapsedSinceRunStart() const {
  return static_cast<long long>(std::time(nullptr)) - runClock;
}

}  // namespace kavrel
