// CKavDlg is the program's one window: the File menu with Open, the Run and
// Exit buttons, and the read-only fields in which a run shows its progress.
// It is the model's ProgressSink and MessageSink; the run executes inside the
// Run command on the window's thread, and ShowElapsed is the one place where
// the window handles pending events during a run.
//
// Below the progress fields the results view shows the opened model's
// material codes and, after a run, its results; the progress fields keep the
// places and sizes they have always had.
//
// Every control carries its numeric id as its objectName ("1000", "1019",
// ...). The file dialog and the message box sit behind two replaceable hooks
// so that the commands can be driven without a person at the screen.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "core/message_sink.h"
#include "core/progress_sink.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QProgressBar;
class QTimer;
class QPushButton;
class QWidget;

namespace kavrel {

class CModelDat;
class FatalExit;
class ResultsView;

class CKavDlg : public QDialog, public ProgressSink, public MessageSink {
  Q_OBJECT

 public:
  explicit CKavDlg(CModelDat& model, QWidget* parent = nullptr);
  ~CKavDlg() override;

  // Returns the chosen input file, or an empty string when the user cancels.
  std::function<QString(QWidget* parent)> chooseInputFile;
  // Shows one modal message with an OK button and returns when it is closed.
  std::function<void(QWidget* parent, const QString& text)> showMessageBox;
  // Ends the process with the given status (a close during a run, or a fatal
  // error of the core).
  std::function<void(int status)> endProcess;

  // File > Open without the file dialog: reads, checks and echoes `path`.
  // Returns true when the input was read and its echo written.
  bool OpenInputFile(const QString& path);

  bool IsRunning() const { return running_; }

  // The view of the opened model's codes and its run's results.
  ResultsView* Results() const { return resultsView_; }

  // ---- ProgressSink ----
  void SetPhase(const std::string& text) override;
  void SetStep(int n) override;
  void SetPrimarySeam(int n) override;
  void SetSecondarySeam(int n) override;
  void SetLevel(int n) override;
  void ShowElapsed(long long seconds) override;
  void OpenSeamPanel() override;
  void CloseSeamPanel() override;
  void OpenSolverPanel() override;
  void ShowIteration(int n, float maxChange) override;
  void CloseSolverPanel() override;
  void OpenProjectionPanel() override;
  void ShowGridline(int row, int percent) override;
  void CloseProjectionPanel() override;
  void SetProjectionCaption(ProjectionKind kind) override;
  long long RunStartTime() const override { return runStartTime_; }

  // ---- MessageSink ----
  void ShowMessage(const std::string& text) override;
  void WriteDiagnostic(const std::string& text) override;

  // Text of the maximum-change field for a widened single-precision value:
  // "%15.9f", or "%15.9e" when the fixed form would not fit in 19 characters.
  static std::string FormatMaxChange(double value);

 public slots:
  void OnFileOpen();
  void OnRun();
  void OnAbout();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 public:
  void done(int result) override;

 private:
  void CreateFont();
  void CreateMenus();
  void CreateOverallGroup();
  void CreateSeamGroup();
  void CreateSolverGroup();
  void CreateProjectionGroup();
  void CreateButtons();
  void CreateResultsView();
  void CreateIcon();
  void InitialiseState();

  QLabel* AddLabel(const char* id, const char* caption, int x, int y, int w, int h);
  QLineEdit* AddField(const char* id, int x, int y, int w, int h);
  QGroupBox* AddGroup(const char* id, const char* caption, int x, int y, int w, int h);

  // Enables Open and Run from the command state (running, input ready).
  void UpdateActions();
  static void EnablePanel(const std::vector<QWidget*>& panel, bool enable);
  void Refresh();
  void RepaintWindow();
  void ShowField(QLineEdit* field, const std::string& text);
  // Puts the cursor of a field where its text is best read: at the end of the
  // right-aligned maximum change, at the start of every other field.
  void PlaceCursor(QLineEdit* field) const;
  // Values reported many times a second: elapsed seconds, SOR iteration and
  // maximum change, projected row and bar. Outside a run they show at once;
  // during a run at most every few hundredths of a second, and always before
  // any other report changes the window.
  enum : unsigned { kLiveElapsed = 1, kLiveIteration = 2, kLiveGridline = 4 };
  void ShowLiveValue(unsigned what);
  void FlushLiveValues();
  void EndAfterFatal(const FatalExit& fatal);
  void EndAfterInternalError(const std::exception& error);
  // A close or quit arrived while a run was in progress: end the process.
  void EndIfQuitDuringRun();

  CModelDat& model_;

  // Values shown in the fields.
  long long runStartTime_ = 0;
  int step_ = 0;
  long long elapsed_ = 0;
  std::string phase_;
  int primarySeam_ = 0;
  int secondarySeam_ = 0;
  int level_ = 3;
  int iteration_ = 0;
  std::string maxDisplacementText_;
  int gridline_ = 0;
  int barPosition_ = 0;
  QString inputPathName_, inputFolder_, inputFileName_, inputFileTitle_;

  // Command state.
  bool running_ = false;
  bool inputReady_ = false;     // the last Open read and echoed its input
  bool inputConsumed_ = false;  // a run has released the input's code cube
  bool quitDuringRun_ = false;

  unsigned liveDirty_ = 0;
  QElapsedTimer livePaintClock_;
  QTimer* liveFlushTimer_ = nullptr;

  QWidget* client_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  QAction* openAction_ = nullptr;
  QAction* threadsAction_ = nullptr;  // File > Threads, the run's thread count
  QAction* exportAction_ = nullptr;  // File > Export Picture, the results view's picture
  QAction* aboutAction_ = nullptr;
  QLineEdit* phaseField_ = nullptr;      // 1000
  QLineEdit* stepField_ = nullptr;       // 1001
  QLineEdit* primaryField_ = nullptr;    // 1002
  QLineEdit* secondaryField_ = nullptr;  // 1003
  QLineEdit* levelField_ = nullptr;      // 1004
  QLineEdit* iterationField_ = nullptr;  // 1005
  QLineEdit* maxDisplField_ = nullptr;   // 1006
  QLineEdit* gridlineField_ = nullptr;   // 1007
  QProgressBar* progressBar_ = nullptr;  // 1008
  QLineEdit* elapsedField_ = nullptr;    // 1009
  QGroupBox* projectionGroup_ = nullptr;  // 1011
  QLabel* secondaryLabel_ = nullptr;      // 1017
  QPushButton* runButton_ = nullptr;      // 1019
  QPushButton* exitButton_ = nullptr;     // 2
  ResultsView* resultsView_ = nullptr;
  std::vector<QWidget*> seamPanel_, solverPanel_, projectionPanel_;
};

}  // namespace kavrel
