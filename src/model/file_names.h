// Every file a run reads or writes is named from the input path alone: the
// input's folder and its file name without the extension, plus a suffix per
// file. This is the one place those suffixes are spelt; the reader, the
// writers, the driver, the plots, the export and the console all ask here.
#pragma once

#include <string>

namespace kavrel {

// The names of a model path as given by the user. `folder` ends with '/'
// ("./" for a bare file name); `title` is the file name without its last
// extension.
struct InputNames {
  std::string pathName;
  std::string folder;
  std::string fileName;
  std::string title;

  std::string Log() const { return With(".out"); }
  std::string Result(int seam) const { return With(".f" + std::to_string(seam)); }
  std::string StepCodes(int step) const { return With("_Step" + std::to_string(step) + ".chr"); }
  std::string OffSeamDisplacement(int grid) const { return With(".of" + std::to_string(grid)); }
  std::string TopoInput() const { return With(".top"); }
  std::string TopoStress() const { return With(".tpo"); }
  std::string StaticStress() const { return With(".sms"); }
  std::string Summary() const { return With(".summary.csv"); }

 private:
  std::string With(const std::string& suffix) const { return folder + title + suffix; }
};

InputNames SplitInputPath(const std::string& path);

}  // namespace kavrel
