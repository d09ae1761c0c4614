// The reporting conversion of code characters, kept beside the one code map
// (material_codes.h) so that every routine that meets a foreign character
// shows the same message.
#include "model/material_codes.h"

#include "core/message_sink.h"

namespace kavrel {

int MaterialIndexReported(char c, MessageSink& messages) {
  const int k = MaterialIndexOf(c);
  if (k >= 0) return k;
  messages.ShowMessage("Error in converting character code to an integer");
  return static_cast<signed char>(c);
}

}  // namespace kavrel
