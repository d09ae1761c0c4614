// The integer code of an element's character as the post-processing routines
// read it. They meet codes the reader and the solver have already accepted,
// but a foreign character still gets the conversion's own message box before
// the routine reports the element, so the order of what the user sees is the
// same whichever routine meets the character first.
#pragma once

#include "core/message_sink.h"
#include "model/material_codes.h"

namespace kavrel {

// MaterialIndexOf(c); for a character outside the code table, shows "Error in
// converting character code to an integer" and returns the character's value
// as a signed byte (so the caller's range checks decide what follows).
inline int MaterialIndexReported(char c, MessageSink& messages) {
  const int k = MaterialIndexOf(c);
  if (k >= 0) return k;
  messages.ShowMessage("Error in converting character code to an integer");
  return static_cast<signed char>(c);
}

}  // namespace kavrel
