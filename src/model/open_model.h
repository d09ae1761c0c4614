// The File > Open command that both front ends share: hand the input's names
// to the model, read and check the model (which also writes the step code
// files) and start the log with the input echo, reporting through the model's
// message sink.
#pragma once

#include <string>

#include "model/file_names.h"

namespace kavrel {

class CModelDat;


// Reads and checks the input the model's names point at. On a failure the
// reader's own message is followed by "The Input File was not the Correct
// Format - OFO1"; after a successful read the model's warnings go to the
// sink's ShowWarning, in order. Returns the reader's result (0 on success).
[[nodiscard]] int ReadModel(CModelDat& model);

// Sets the names, reads the model (ReadModel), announces a successful read
// when `announceSuccess` is set, and writes the input echo; an echo that
// fails is followed by "Could not Write the Output File - OFO2". Returns 0, or
// the reader's or the echo's non-zero result. A fatal error of the core
// propagates as FatalExit.
[[nodiscard]] int OpenModel(CModelDat& model, const InputNames& names, bool announceSuccess);

}  // namespace kavrel
