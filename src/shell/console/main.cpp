// Console front end entry point: `kavrel check|run ...`.
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/console/front_end.h"

int main(int argc, char** argv) {
  // Numbers are read and written in the C conventions whatever the user's
  // language; the locale of the environment is deliberately never adopted.
  std::setlocale(LC_ALL, "C");

  std::vector<std::string> args(argv + 1, argv + argc);
  const int status = kavrel::console::RunCommandLine(args, stdout, stderr,
                                                     isatty(fileno(stderr)) == 1);
  std::fflush(stdout);
  std::fflush(stderr);
  return status;
}
