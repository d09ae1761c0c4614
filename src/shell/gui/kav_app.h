// CKavApp is the application object of kavrel-gui: it owns the one model and
// the main window, opens an input file named on the command line, and runs
// the event loop.
#pragma once

#include <QApplication>
#include <QString>
#include <memory>

namespace kavrel {

class CModelDat;
class CKavDlg;

class CKavApp : public QApplication {
  Q_OBJECT

 public:
  // Qt sets the process locale from the desktop here; numbers in every file
  // and field keep the C conventions, so LC_NUMERIC is put back to "C".
  CKavApp(int& argc, char** argv);
  ~CKavApp() override;

  // Creates the model and the window and shows it; opens `inputFile` (if not
  // empty) once the event loop runs, as File > Open would. False when the
  // window could not be created (the message has been shown).
  bool InitInstance(const QString& inputFile);

  // Command line handling, InitInstance and the event loop; the process status.
  int Run();

  CModelDat& Model() { return *model_; }
  CKavDlg* MainWindow() { return window_.get(); }

 private:
  std::unique_ptr<CModelDat> model_;  // outlives the window, which reports into it
  std::unique_ptr<CKavDlg> window_;
};

}  // namespace kavrel
