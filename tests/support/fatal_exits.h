// The exit code with which a call ends the run, for checks of fatal errors.
#pragma once

#include "core/fatal_exit.h"

namespace kavrel::testing_support {

// Calls `f` and returns the code of the FatalExit it throws, or -1 when it
// returns normally.
template <class F>
int ExitCodeOf(F f) {
  try {
    f();
  } catch (const FatalExit& e) {
    return e.exitCode();
  }
  return -1;
}

}  // namespace kavrel::testing_support
