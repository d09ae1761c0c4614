// The File > Open sequence of the front ends.
#include "model/open_model.h"

#include "model/model_dat.h"

namespace kavrel {

int ReadModel(CModelDat& model) {
  const int readResult = model.ReadInputFile();
  if (readResult != 0) {
    model.ShowMessage("The Input File was not the Correct Format - OFO1");
    return readResult;
  }
  for (const ModelWarning& warning : model.warnings) model.messages->ShowWarning(warning.text);
  return 0;
}

int OpenModel(CModelDat& model, const InputNames& names, bool announceSuccess) {
  model.SetInputPathName(names.pathName);
  model.SetInputFolder(names.folder);
  model.SetInputFileName(names.fileName);
  model.SetInputFileTitle(names.title);

  const int readResult = ReadModel(model);
  if (readResult != 0) return readResult;
  if (announceSuccess) model.ShowMessage("The Input File was Successfully Read");

  const int echoResult = model.WriteInputEcho();
  if (echoResult != 0) {
    model.ShowMessage("Could not Write the Output File - OFO2");
    return echoResult;
  }
  return 0;
}

}  // namespace kavrel
