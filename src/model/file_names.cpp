// Splitting an input path into the names every derived file is built from.
#include "model/file_names.h"

namespace kavrel {

InputNames SplitInputPath(const std::string& path) {
  InputNames names;
  names.pathName = path;
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    names.folder = "./";
    names.fileName = path;
  } else {
    names.folder = path.substr(0, slash + 1);
    names.fileName = path.substr(slash + 1);
  }
  const std::size_t dot = names.fileName.find_last_of('.');
  names.title = dot == std::string::npos ? names.fileName : names.fileName.substr(0, dot);
  return names;
}

}  // namespace kavrel
