// One seam's solve on several threads: the rows are cut into bands, one per
// thread, and the bands work pipelined, band b on sweep s while band b - 1 is
// already on sweep s + 1. Every element still sees Gauss-Seidel order: band
// b starts a sweep once band b - 1 has finished it (its first rows read the
// new last row above), and band b - 1 takes its last rows of the next sweep
// only once band b has read them. So the result is the one-thread result, bit
// for bit.
//
// The price is speculation: the convergence test of sweep s is known only
// when the last band has finished it, and by then the bands above are on
// later sweeps. Every `checkpointEvery` sweeps each band saves its rows as it
// begins the next sweep, and a solve that stops puts back the last such
// checkpoint and sweeps again, on its own thread, up to the last sweep: the
// same arithmetic, so the same bits. Mined-out contact reports and the largest change
// of a sweep are kept per band and given, band after band, once the sweep is
// judged, so reports, log lines and results come out as one thread gives
// them.
#pragma once

#include "core/thread_lender.h"

namespace kavrel {

// When a solve goes into bands. Without a lender, or with maxBands 1, it
// stays on its own thread.
struct RowBands {
  ThreadLender* lender = nullptr;
  int maxBands = 1;
  int minRowsPerBand = 32;
  long long minElements = 1 << 16;  // smaller seams sweep too fast to share
  int askEvery = 16;                // sweeps between asks while no thread was free
  // Sweeps between the checkpoints of a banded solve: a save costs a pass
  // over the seam's convergence and stress, and a solve that stops sweeps
  // again on one thread from its last checkpoint (fewer than this many sweeps
  // plus the bands).
  int checkpointEvery = 32;
};

}  // namespace kavrel
