// The interface through which the computation shows its messages.
//
// MessageSink receives what the program shows in message boxes (ShowMessage,
// one call per box; texts are passed as they stand, with or without their own
// line end) and the diagnostic lines the numerical routines write to standard
// output (WriteDiagnostic, text exactly as it should appear there). The window
// shows a modal box; the console writes to standard error and standard output.
//
// Called on the computing thread only.
#pragma once

#include <string>

namespace kavrel {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void WriteDiagnostic(const std::string& text) = 0;
  // Follows the message of a file that could not be opened or written with
  // the file's path and the system's reason (an errno value, 0 when none is
  // known). The console shows it as a line of its own; the window's message
  // stays as it is.
  virtual void ShowFileProblem(const std::string& /*path*/, int /*systemError*/) {}
  // A warning on a model that was read (a ModelWarning's text, which names
  // where and what): the console shows it as "warning: <text>"; the window
  // does not show warnings yet.
  virtual void ShowWarning(const std::string& /*text*/) {}
};

// A sink that drops everything: the model's default, so the core never checks
// for a missing front end.
class NullMessageSink : public MessageSink {
 public:
  void ShowMessage(const std::string&) override {}
  void WriteDiagnostic(const std::string&) override {}
};

}  // namespace kavrel
