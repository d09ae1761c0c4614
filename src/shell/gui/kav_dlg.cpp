// The main window: its controls laid out in dialog units, the progress and
// message reports of a run shown in them, the results view below them, and
// the File > Open, Run, About and close commands. A run executes inside OnRun
// on the window's thread; fatal errors of the core and a quit during a run
// end the process through the endProcess hook.
#include "shell/gui/kav_dlg.h"

#include <QInputDialog>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <new>
#include <utility>

#include "core/fatal_exit.h"
#include "core/text_files.h"
#include "model/model_dat.h"
#include "model/open_model.h"
#include "shell/gui/about_dlg.h"
#include "shell/gui/dialog_units.h"
#include "shell/gui/results_view.h"

namespace kavrel {

namespace {

// Client area of the window, dialog units.
constexpr int kClientWidthDlu = 373;
constexpr int kClientHeightDlu = 144;

// Height of the results view below the client area, pixels; it is as wide as
// the client area, so the window grows downwards only.
constexpr int kResultsHeightPx = 500;

// Process status for a failure that no message of the program covers.
constexpr int kInternalErrorStatus = 70;

// During a run the values reported per projected row, per 100 sweeps and per
// elapsed-time report reach the screen at most once in this many
// milliseconds; painting each of them at once made a small model's run many
// times slower than the computation itself.
constexpr int kLivePaintMs = 50;

// Field texts are formatted into a 20-character buffer: at most 19 characters.
constexpr std::size_t kFieldCapacity = 20;

QString FromLocal(const std::string& text) { return QString::fromLocal8Bit(text.c_str()); }

std::string ToLocal(const QString& text) { return QFile::encodeName(text).toStdString(); }

QString DefaultChooseInputFile(QWidget* parent) {
  QFileDialog dialog(parent, QStringLiteral("Open"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("Input Files (*.inp)"), QStringLiteral("All Files (*.*)")});
  dialog.setDefaultSuffix(QStringLiteral("inp"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

void DefaultShowMessageBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kavrel"), text, QMessageBox::Ok, parent);
  box.exec();
}

// Ends the process where it stands, as the quit of a run in progress must:
// what the run has written so far reaches its files (every stdio stream is
// flushed), but nothing is unwound or destroyed, not even the application
// object that is in the middle of delivering an event.
void DefaultEndProcess(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace

CKavDlg::CKavDlg(CModelDat& model, QWidget* parent)
    : QDialog(parent),
      chooseInputFile(DefaultChooseInputFile),
      showMessageBox(DefaultShowMessageBox),
      endProcess(DefaultEndProcess),
      model_(model) {
  CreateFont();
  CreateMenus();
  CreateOverallGroup();
  CreateSeamGroup();
  CreateSolverGroup();
  CreateProjectionGroup();
  CreateButtons();
  CreateResultsView();
  CreateIcon();
  InitialiseState();
}

CKavDlg::~CKavDlg() {
  if (qApp) qApp->removeEventFilter(this);
  model_.SetProgress(nullptr);
  model_.SetMessages(nullptr);
}

// ---------------------------------------------------------------------------
// Construction

void CKavDlg::CreateFont() {
  setObjectName(QStringLiteral("CKavDlg"));
  setWindowTitle(QStringLiteral("Kavrel4.0"));
  // A common sans-serif face of about the size the layout was drawn for (a
  // 10-point face, 8 x 16 base units); the layout does not depend on it
  // because the base units are fixed.
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(13);
  setFont(font);

  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  const QRect area = DialogRectToPixels(0, 0, kClientWidthDlu, kClientHeightDlu, kMainDialogUnits);
  client_->setFixedSize(area.size());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(client_);
  // The frame around the whole window lies under every other control.
  AddGroup("", "", 0, 0, 373, 143);
}

void CKavDlg::CreateMenus() {
  menuBar_ = new QMenuBar(this);
  layout()->setMenuBar(menuBar_);
  QMenu* fileMenu = menuBar_->addMenu(QStringLiteral("&File"));
  // The shortcut text is only a hint: no key is bound to it.
  openAction_ = fileMenu->addAction(QStringLiteral("Open\tCntrl+O"));
  openAction_->setObjectName(QStringLiteral("57601"));
  connect(openAction_, &QAction::triggered, this, &CKavDlg::OnFileOpen);
  // The results view is made after the menus; the action finds it when used.
  exportAction_ = fileMenu->addAction(QStringLiteral("Export Picture..."));
  exportAction_->setObjectName(QStringLiteral("exportPicture"));
  connect(exportAction_, &QAction::triggered, this, [this] {
    if (resultsView_) resultsView_->OnExportPicture();
  });
  // The threads a run may use, as `kavrel run --threads`; the results are
  // the same for any count.
  threadsAction_ = fileMenu->addAction(QStringLiteral("Threads..."));
  threadsAction_->setObjectName(QStringLiteral("threads"));
  connect(threadsAction_, &QAction::triggered, this, [this] {
    bool ok = false;
    const int threads = QInputDialog::getInt(
        this, QStringLiteral("Threads"), QStringLiteral("Threads for a run (0: every core):"),
        model_.threadCount, 0, 1024, 1, &ok);
    if (ok) model_.threadCount = threads;
  });

  // The desktop gives a program no system menu to extend: About goes into a
  // Help menu and the window's context menu.
  QMenu* helpMenu = menuBar_->addMenu(QStringLiteral("&Help"));
  aboutAction_ = helpMenu->addAction(QStringLiteral("&About Kav..."));
  aboutAction_->setObjectName(QStringLiteral("16"));
  connect(aboutAction_, &QAction::triggered, this, &CKavDlg::OnAbout);
  client_->setContextMenuPolicy(Qt::ActionsContextMenu);
  client_->addAction(aboutAction_);
}

void CKavDlg::CreateOverallGroup() {
  AddGroup("", "Overall Progress", 9, 7, 254, 52);
  AddLabel("", "Mining Step:", 12, 20, 55, 8);
  stepField_ = AddField("1001", 75, 17, 24, 14);
  AddLabel("", "Elapsed Time (sec):", 137, 20, 62, 8);
  elapsedField_ = AddField("1009", 209, 17, 49, 14);
  AddLabel("", "Calculation Phase:", 12, 41, 58, 8);
  phaseField_ = AddField("1000", 77, 38, 186, 14);
}

void CKavDlg::CreateSeamGroup() {
  QGroupBox* group = AddGroup("1012", "Seam Progress", 269, 7, 98, 65);
  QLabel* primaryLabel = AddLabel("1016", "Primary Seam:", 273, 20, 63, 8);
  primaryField_ = AddField("1002", 340, 17, 24, 14);
  secondaryLabel_ = AddLabel("1017", "Secondary Seam:", 273, 37, 67, 8);
  secondaryField_ = AddField("1003", 340, 34, 24, 14);
  QLabel* levelLabel = AddLabel("1018", "Detail Level:", 273, 55, 43, 8);
  levelField_ = AddField("1004", 340, 51, 24, 14);
  levelField_->setReadOnly(false);  // editable, but nothing reads it back
  seamPanel_ = {group,         primaryLabel,    secondaryLabel_, levelLabel,
                primaryField_, secondaryField_, levelField_};
}

void CKavDlg::CreateSolverGroup() {
  QGroupBox* group = AddGroup("1010", "SOR Iterations", 9, 75, 119, 52);
  QLabel* iterationLabel = AddLabel("1013", "Iteration Number:", 12, 89, 56, 8);
  iterationField_ = AddField("1005", 80, 86, 45, 14);
  QLabel* maxLabel = AddLabel("1014", "Maximum Displ.:", 13, 108, 59, 8);
  maxDisplField_ = AddField("1006", 80, 105, 45, 14);
  maxDisplField_->setAlignment(Qt::AlignRight);
  solverPanel_ = {group, iterationLabel, maxLabel, iterationField_, maxDisplField_};
}

void CKavDlg::CreateProjectionGroup() {
  projectionGroup_ = AddGroup("1011", "Stress Projection", 157, 75, 105, 52);
  QLabel* gridlineLabel = AddLabel("1015", "Gridline Number:", 165, 89, 51, 8);
  gridlineField_ = AddField("1007", 217, 86, 40, 14);
  progressBar_ = new QProgressBar(client_);
  progressBar_->setObjectName(QStringLiteral("1008"));
  progressBar_->setGeometry(DialogRectToPixels(165, 105, 92, 14, kMainDialogUnits));
  progressBar_->setTextVisible(false);
  progressBar_->setRange(0, 100);
  progressBar_->setValue(0);
  projectionPanel_ = {projectionGroup_, gridlineLabel, gridlineField_, progressBar_};
}

void CKavDlg::CreateButtons() {
  runButton_ = new QPushButton(QStringLiteral("Run"), client_);
  runButton_->setObjectName(QStringLiteral("1019"));
  runButton_->setGeometry(DialogRectToPixels(292, 92, 50, 14, kMainDialogUnits));
  runButton_->setDefault(true);
  connect(runButton_, &QPushButton::clicked, this, &CKavDlg::OnRun);

  exitButton_ = new QPushButton(QStringLiteral("Exit"), client_);
  exitButton_->setObjectName(QStringLiteral("2"));
  exitButton_->setGeometry(DialogRectToPixels(292, 113, 50, 14, kMainDialogUnits));
  exitButton_->setAutoDefault(false);
  connect(exitButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void CKavDlg::CreateResultsView() {
  resultsView_ = new ResultsView(this);
  resultsView_->setFixedSize(client_->width(), kResultsHeightPx);
  layout()->addWidget(resultsView_);
}

void CKavDlg::CreateIcon() { setWindowIcon(KavrelIcon()); }

void CKavDlg::InitialiseState() {
  liveFlushTimer_ = new QTimer(this);
  liveFlushTimer_->setSingleShot(true);
  liveFlushTimer_->setInterval(kLivePaintMs);
  connect(liveFlushTimer_, &QTimer::timeout, this, &CKavDlg::FlushLiveValues);
  EnablePanel(solverPanel_, false);
  EnablePanel(projectionPanel_, false);
  EnablePanel(seamPanel_, false);
  Refresh();
  SetPhase("Waiting for File->Open");
  model_.SetProgress(this);
  model_.SetMessages(this);
  // A quit event during a run must end the process; see EndIfQuitDuringRun.
  qApp->installEventFilter(this);
  UpdateActions();
}

QLabel* CKavDlg::AddLabel(const char* id, const char* caption, int x, int y, int w, int h) {
  auto* label = new QLabel(QString::fromLatin1(caption), client_);
  label->setObjectName(QString::fromLatin1(id));
  label->setGeometry(DialogRectToPixels(x, y, w, h, kMainDialogUnits));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QLineEdit* CKavDlg::AddField(const char* id, int x, int y, int w, int h) {
  auto* field = new QLineEdit(client_);
  field->setObjectName(QString::fromLatin1(id));
  field->setGeometry(DialogRectToPixels(x, y, w, h, kMainDialogUnits));
  field->setReadOnly(true);
  field->setTextMargins(0, 0, 0, 0);
  field->setFocusPolicy(Qt::ClickFocus);  // the buttons take the keyboard
  return field;
}

QGroupBox* CKavDlg::AddGroup(const char* id, const char* caption, int x, int y, int w, int h) {
  auto* group = new QGroupBox(QString::fromLatin1(caption), client_);
  group->setObjectName(QString::fromLatin1(id));
  group->setGeometry(DialogRectToPixels(x, y, w, h, kMainDialogUnits));
  return group;
}

// ---------------------------------------------------------------------------
// State

void CKavDlg::UpdateActions() {
  openAction_->setEnabled(!running_);
  exportAction_->setEnabled(!running_);
  threadsAction_->setEnabled(!running_);
  runButton_->setEnabled(!running_ && inputReady_);
}

void CKavDlg::EnablePanel(const std::vector<QWidget*>& panel, bool enable) {
  for (QWidget* w : panel) w->setEnabled(enable);
}

void CKavDlg::ShowField(QLineEdit* field, const std::string& text) {
  field->setText(FromLocal(text));
  PlaceCursor(field);
  field->repaint();
}

void CKavDlg::PlaceCursor(QLineEdit* field) const {
  // The maximum change is right-aligned in its format: keep its digits in view.
  field->setCursorPosition(field == maxDisplField_ ? field->text().size() : 0);
}

void CKavDlg::Refresh() {
  FlushLiveValues();
  const std::pair<QLineEdit*, QString> values[] = {
      {stepField_, QString::number(step_)},
      {elapsedField_, QString::number(elapsed_)},
      {phaseField_, FromLocal(phase_)},
      {primaryField_, QString::number(primarySeam_)},
      {secondaryField_, QString::number(secondarySeam_)},
      {levelField_, QString::number(level_)},
      {iterationField_, QString::number(iteration_)},
      {maxDisplField_, FromLocal(maxDisplacementText_)},
      {gridlineField_, QString::number(gridline_)}};
  for (const auto& [field, text] : values) {
    if (field->text() == text) continue;  // spare the repaint
    field->setText(text);
    PlaceCursor(field);
  }
}

void CKavDlg::RepaintWindow() {
  // A run handles events within a fraction of a second of opening a panel
  // (every projected row, every 100 sweeps): it paints then.
  if (running_) {
    update();
  } else {
    repaint();
  }
}

void CKavDlg::ShowLiveValue(unsigned what) {
  liveDirty_ |= what;
  if (!running_ || !livePaintClock_.isValid() || livePaintClock_.elapsed() >= kLivePaintMs) {
    FlushLiveValues();
  } else if (!liveFlushTimer_->isActive()) {
    liveFlushTimer_->start();
  }
}

void CKavDlg::FlushLiveValues() {
  liveFlushTimer_->stop();
  const unsigned dirty = liveDirty_;
  liveDirty_ = 0;
  if (dirty == 0) return;
  livePaintClock_.restart();
  if (dirty & kLiveElapsed) ShowField(elapsedField_, FormatText(kFieldCapacity, "%lli", elapsed_));
  if (dirty & kLiveIteration) {
    ShowField(iterationField_, FormatText(kFieldCapacity, " %i", iteration_));
    ShowField(maxDisplField_, maxDisplacementText_);
  }
  if (dirty & kLiveGridline) {
    ShowField(gridlineField_, FormatText(kFieldCapacity, "%i", gridline_));
    progressBar_->setValue(barPosition_);
    progressBar_->repaint();
  }
}

std::string CKavDlg::FormatMaxChange(double value) {
  constexpr std::size_t kCapacity = 64;
  const std::string fixed = FormatText(kCapacity, "%15.9f", value);
  return fixed.size() > 19 ? FormatText(kCapacity, "%15.9e", value) : fixed;
}

// ---------------------------------------------------------------------------
// ProgressSink

void CKavDlg::SetPhase(const std::string& text) {
  FlushLiveValues();
  phase_ = text;
  ShowField(phaseField_, phase_);
}

void CKavDlg::SetStep(int n) {
  FlushLiveValues();
  step_ = n;
  ShowField(stepField_, FormatText(kFieldCapacity, "%i", n));
}

void CKavDlg::SetPrimarySeam(int n) {
  FlushLiveValues();
  primarySeam_ = n;
  ShowField(primaryField_, FormatText(kFieldCapacity, "%i", n));
}

void CKavDlg::SetSecondarySeam(int n) {
  FlushLiveValues();
  secondarySeam_ = n;
  const bool active = n != 0;
  secondaryLabel_->setEnabled(active);
  secondaryLabel_->repaint();
  secondaryField_->setEnabled(active);
  ShowField(secondaryField_, FormatText(kFieldCapacity, "%i", n));
}

void CKavDlg::SetLevel(int n) {
  FlushLiveValues();
  level_ = n;
  ShowField(levelField_, FormatText(kFieldCapacity, "%i", n));
}

void CKavDlg::ShowElapsed(long long seconds) {
  elapsed_ = seconds;
  ShowLiveValue(kLiveElapsed);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  EndIfQuitDuringRun();
}

void CKavDlg::OpenSeamPanel() {
  primarySeam_ = 0;
  secondarySeam_ = 0;
  level_ = 3;
  EnablePanel(seamPanel_, true);
  Refresh();
  RepaintWindow();
}

void CKavDlg::CloseSeamPanel() {
  FlushLiveValues();
  EnablePanel(seamPanel_, false);
}

void CKavDlg::OpenSolverPanel() {
  FlushLiveValues();
  iteration_ = 1;
  maxDisplacementText_.assign(1, ' ');  // one blank
  maxDisplField_->clear();
  EnablePanel(solverPanel_, true);
  Refresh();
  RepaintWindow();
}

void CKavDlg::ShowIteration(int n, float maxChange) {
  iteration_ = n;
  maxDisplacementText_ = FormatMaxChange(static_cast<double>(maxChange));
  ShowLiveValue(kLiveIteration);
}

void CKavDlg::CloseSolverPanel() {
  FlushLiveValues();
  EnablePanel(solverPanel_, false);
}

void CKavDlg::OpenProjectionPanel() {
  FlushLiveValues();
  gridline_ = 0;
  barPosition_ = 10;
  progressBar_->setValue(barPosition_);
  EnablePanel(projectionPanel_, true);
  Refresh();
  RepaintWindow();
}

void CKavDlg::ShowGridline(int row, int percent) {
  gridline_ = row;
  barPosition_ = std::clamp(percent, progressBar_->minimum(), progressBar_->maximum());
  ShowLiveValue(kLiveGridline);
}

void CKavDlg::CloseProjectionPanel() {
  FlushLiveValues();
  EnablePanel(projectionPanel_, false);
}

void CKavDlg::SetProjectionCaption(ProjectionKind kind) {
  FlushLiveValues();
  projectionGroup_->setTitle(kind == ProjectionKind::Displacement
                                 ? QStringLiteral("Displacement Projection")
                                 : QStringLiteral("Stress Projection"));
}

// ---------------------------------------------------------------------------
// MessageSink

void CKavDlg::ShowMessage(const std::string& text) {
  // Texts may carry their own line end; a box shows none.
  showMessageBox(this, FromLocal(WithoutTrailingLineEnds(text)));
}

void CKavDlg::WriteDiagnostic(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

// ---------------------------------------------------------------------------
// Commands

void CKavDlg::OnFileOpen() {
  if (running_) return;
  const QString path = chooseInputFile(this);
  if (path.isEmpty()) return;
  OpenInputFile(path);
}

bool CKavDlg::OpenInputFile(const QString& path) {
  if (running_) return false;
  model_.SetProgress(this);
  const QFileInfo info(path);
  inputPathName_ = info.absoluteFilePath();
  inputFolder_ = info.absolutePath();
  if (!inputFolder_.endsWith(QLatin1Char('/'))) inputFolder_ += QLatin1Char('/');
  inputFileName_ = info.fileName();
  inputFileTitle_ = info.completeBaseName();
  const InputNames names{ToLocal(inputPathName_), ToLocal(inputFolder_), ToLocal(inputFileName_),
                         ToLocal(inputFileTitle_)};

  // Whatever happens below, the model no longer holds the input of an earlier
  // Open: Run stays off until this one succeeds.
  inputReady_ = false;
  resultsView_->Clear(QStringLiteral("No model: %1 could not be opened").arg(inputFileName_));
  try {
    if (OpenModel(model_, names, true) != 0) {
      UpdateActions();
      return false;
    }
  } catch (const FatalExit& fatal) {
    EndAfterFatal(fatal);
    UpdateActions();
    return false;
  } catch (const std::exception& error) {
    EndAfterInternalError(error);
    UpdateActions();
    return false;
  }
  SetPhase("Waiting for Run");
  inputReady_ = true;
  inputConsumed_ = false;
  UpdateActions();
  setWindowTitle(QStringLiteral("Kavrel - %1").arg(inputPathName_));
  resultsView_->ShowOpenedModel(inputPathName_);
  return true;
}

void CKavDlg::OnRun() {
  if (running_ || !inputReady_) return;
  running_ = true;
  quitDuringRun_ = false;
  UpdateActions();
  // The run rewrites the files the view reads; it handles events meanwhile.
  resultsView_->setEnabled(false);
  bool finished = false;
  try {
    // A finished run has released the code cube of its input: read it again.
    if (inputConsumed_ && ReadModel(model_) != 0) {
      running_ = false;
      inputReady_ = false;
      UpdateActions();
      resultsView_->setEnabled(true);
      resultsView_->Clear(QStringLiteral("No model: %1 could not be read again").arg(inputFileName_));
      return;
    }
    runStartTime_ = static_cast<long long>(std::time(nullptr));
    finished = model_.RunAnalysis() == 0;
  } catch (const FatalExit& fatal) {
    EndAfterFatal(fatal);
  } catch (const std::exception& error) {
    EndAfterInternalError(error);
  }
  running_ = false;
  inputConsumed_ = true;
  FlushLiveValues();
  UpdateActions();
  resultsView_->setEnabled(true);
  if (finished) resultsView_->ShowRunResults();
}

void CKavDlg::OnAbout() {
  CAboutDlg about(this);
  about.exec();
}

// ---------------------------------------------------------------------------
// Closing

void CKavDlg::done(int result) {
  if (running_) quitDuringRun_ = true;
  QDialog::done(result);
}

void CKavDlg::closeEvent(QCloseEvent* event) {
  if (running_) quitDuringRun_ = true;
  QDialog::closeEvent(event);
}

bool CKavDlg::eventFilter(QObject* watched, QEvent* event) {
  if (running_ && event->type() == QEvent::Quit) quitDuringRun_ = true;
  return QDialog::eventFilter(watched, event);
}

void CKavDlg::EndAfterFatal(const FatalExit& fatal) {
  // The core has shown its messages already.
  if (!fatal.consoleText().empty()) std::fputs(fatal.consoleText().c_str(), stderr);
  endProcess(fatal.exitCode());
}

void CKavDlg::EndAfterInternalError(const std::exception& error) {
  // Nothing of the program covers this (e.g. memory exhausted outside the
  // grids): say so and stop rather than carry on with a half-built model.
  const bool outOfMemory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
  const std::string text = outOfMemory ? std::string("kavrel-gui: out of memory")
                                       : std::string("kavrel-gui: internal error: ") + error.what();
  std::fprintf(stderr, "%s\n", text.c_str());
  showMessageBox(this, FromLocal(text));
  endProcess(kInternalErrorStatus);
}

void CKavDlg::EndIfQuitDuringRun() {
  if (!quitDuringRun_) return;
  quitDuringRun_ = false;
  endProcess(0);
}

}  // namespace kavrel
