// The results view: selectors over the files a run wrote, the picture the
// plotting library draws from them, and the readout that names the element
// under the mouse. Each picture is drawn on a fresh QCustomPlot so that no
// layout element, axis or zoom of one picture survives into the next; result
// and code files are read once per Open or run and kept until the next.
#include "shell/gui/results_view.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <exception>
#include <qcustomplot.h>
#include <utility>

#include "plot/figures.h"

namespace kavrel {

namespace {

// Largest side of an exported picture, pixels or points.
constexpr int kMaxPictureSide = 20000;

// A press and release closer than this many pixels is a click, not a drag.
constexpr int kClickSlackPx = 3;

QString FromLocal(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }

std::string ToLocal(const QString& text) { return QFile::encodeName(text).toStdString(); }

QString Number(double value) { return QString::number(value, 'g', 6); }

// A picture's title, whose lines are the model's title and what is drawn, on
// the one line of the readout.
QString OneLine(const std::string& title) {
  QString text = FromLocal(title).trimmed();
  text.replace(QLatin1Char('\n'), QStringLiteral(" - "));
  return text;
}

// A plot that keeps its maps' axes equal when the window lays it out anew.
class MapPlot : public QCustomPlot {
 public:
  using QCustomPlot::QCustomPlot;
  std::function<void()> resized;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QCustomPlot::resizeEvent(event);
    if (resized) resized();
  }
};

bool DefaultChoosePicture(QWidget* parent, PictureChoice& choice) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Export Picture"));
  auto* path = new QLineEdit(choice.path, &dialog);
  path->setMinimumWidth(360);
  auto* browse = new QPushButton(QStringLiteral("Browse..."), &dialog);
  browse->setAutoDefault(false);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(path, 1);
  fileRow->addWidget(browse);
  auto* width = new QSpinBox(&dialog);
  width->setRange(16, kMaxPictureSide);
  width->setValue(choice.width);
  auto* height = new QSpinBox(&dialog);
  height->setRange(16, kMaxPictureSide);
  height->setValue(choice.height);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  auto* form = new QFormLayout(&dialog);
  form->addRow(QStringLiteral("File:"), fileRow);
  form->addRow(QStringLiteral("Width:"), width);
  form->addRow(QStringLiteral("Height:"), height);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(browse, &QPushButton::clicked, &dialog, [&dialog, path] {
    const QString chosen = QFileDialog::getSaveFileName(
        &dialog, QStringLiteral("Export Picture"), path->text(),
        QStringLiteral("PNG Picture (*.png);;PDF Document (*.pdf)"));
    if (!chosen.isEmpty()) path->setText(chosen);
  });
  if (dialog.exec() != QDialog::Accepted || path->text().trimmed().isEmpty()) return false;
  choice.path = path->text().trimmed();
  choice.width = width->value();
  choice.height = height->value();
  return true;
}

}  // namespace

QString ResultsView::MaterialCodes() { return QStringLiteral("Material codes"); }

ResultsView::ResultsView(QWidget* parent)
    : QWidget(parent), choosePicture(DefaultChoosePicture) {
  setObjectName(QStringLiteral("results"));
  CreateControls();
  Clear(QStringLiteral("Open a model to see its material codes; run it to see its results."));
}

ResultsView::~ResultsView() = default;

// ---------------------------------------------------------------------------
// Construction

void ResultsView::CreateControls() {
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(6, 4, 6, 4);
  layout_->setSpacing(4);

  auto* row = new QHBoxLayout;
  row->setSpacing(6);
  auto addBox = [this, row](const char* name, const char* caption, int minWidth) {
    auto* label = new QLabel(QString::fromLatin1(caption), this);
    auto* box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setMinimumWidth(minWidth);
    box->setFocusPolicy(Qt::ClickFocus);  // the window's buttons keep the keyboard
    label->setBuddy(box);
    row->addWidget(label);
    row->addWidget(box);
    return box;
  };
  seamBox_ = addBox("seam", "Seam", 48);
  stepBox_ = addBox("step", "Step", 48);
  quantityBox_ = addBox("quantity", "Quantity", 200);
  row->addStretch(1);

  profileButton_ = new QToolButton(this);
  profileButton_->setObjectName(QStringLiteral("profile"));
  profileButton_->setText(QStringLiteral("Profile"));
  profileButton_->setPopupMode(QToolButton::InstantPopup);
  profileButton_->setFocusPolicy(Qt::ClickFocus);
  auto* profileMenu = new QMenu(profileButton_);
  rowProfileAction_ = profileMenu->addAction(QString());
  rowProfileAction_->setObjectName(QStringLiteral("rowProfile"));
  columnProfileAction_ = profileMenu->addAction(QString());
  columnProfileAction_->setObjectName(QStringLiteral("columnProfile"));
  profileButton_->setMenu(profileMenu);
  connect(rowProfileAction_, &QAction::triggered, this, [this] { ShowProfile(false); });
  connect(columnProfileAction_, &QAction::triggered, this, [this] { ShowProfile(true); });
  row->addWidget(profileButton_);

  auto addButton = [this, row](const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), this);
    button->setObjectName(QString::fromLatin1(name));
    // Enter in the window stays with its default button.
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::ClickFocus);
    row->addWidget(button);
    return button;
  };
  mapButton_ = addButton("map", "Map");
  exportButton_ = addButton("exportPicture", "Export Picture...");
  connect(mapButton_, &QPushButton::clicked, this, &ResultsView::ShowMap);
  connect(exportButton_, &QPushButton::clicked, this, &ResultsView::OnExportPicture);
  layout_->addLayout(row);

  ReplacePlot();

  readout_ = new QLabel(this);
  readout_->setObjectName(QStringLiteral("readout"));
  readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  readout_->setMinimumHeight(readout_->fontMetrics().height());
  // However long a message, the view keeps its width.
  readout_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  layout_->addWidget(readout_);

  connect(seamBox_, &QComboBox::currentIndexChanged, this, [this] {
    FillQuantities(Quantity());
    Redraw();
  });
  connect(stepBox_, &QComboBox::currentIndexChanged, this, &ResultsView::Redraw);
  connect(quantityBox_, &QComboBox::currentIndexChanged, this, &ResultsView::Redraw);
}

void ResultsView::ReplacePlot() {
  auto* fresh = new MapPlot(this);
  fresh->setObjectName(QStringLiteral("plot"));
  fresh->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  // Equal axes are worked out from the ranges shown, so a map laid out anew
  // (drawn before the plot had its size) starts again from its whole grid.
  fresh->resized = [this, fresh] {
    if (plot_ != fresh || !colorMap_) return;
    FitWholeGrid();
    fresh->replot();
  };
  connect(fresh, &QCustomPlot::mouseMove, this, &ResultsView::OnMouseMove);
  connect(fresh, &QCustomPlot::mousePress, this, &ResultsView::OnMousePress);
  connect(fresh, &QCustomPlot::mouseRelease, this, &ResultsView::OnMouseRelease);
  connect(fresh, &QCustomPlot::mouseDoubleClick, this, &ResultsView::OnMouseDoubleClick);
  colorMap_ = nullptr;
  if (plot_) {
    // The picture is laid out for the size it will be shown at.
    fresh->setGeometry(plot_->geometry());
    // The old plot may be delivering the event that led here.
    delete layout_->replaceWidget(plot_, fresh);  // the old plot's layout item
    plot_->hide();
    plot_->disconnect(this);
    plot_->deleteLater();
  } else {
    layout_->addWidget(fresh, 1);
  }
  // A child made after its window is shown stays hidden unless told.
  fresh->show();
  plot_ = fresh;
}

// ---------------------------------------------------------------------------
// Model and results

void ResultsView::Clear(const QString& reason) {
  haveInfo_ = false;
  info_ = RunInfo();
  resultFiles_.clear();
  resultErrors_.clear();
  codeFiles_.clear();
  codeErrors_.clear();
  haveClick_ = false;
  FillSelectors(0, 0, QString());
  ClearPlot();
  SetStatus(reason);
}

void ResultsView::ShowOpenedModel(const QString& modelPath) {
  if (!LoadModel(modelPath)) return;
  FillSelectors(1, 1, MaterialCodes());
  Redraw();
}

bool ResultsView::LoadModel(const QString& modelPath) {
  Clear(QString());
  std::string error;
  bool loaded = false;
  try {
    loaded = LoadRunInfo(ToLocal(modelPath), info_, error);
  } catch (const std::exception& failure) {
    // The reader reports through its messages; anything else it throws
    // leaves this view without a model, not the window without its run.
    error = *failure.what() ? failure.what() : "the model cannot be read";
  }
  if (!loaded) {
    Clear(QFileInfo(modelPath).fileName() + QStringLiteral(": ") + FromLocal(error));
    return false;
  }
  haveInfo_ = true;
  return true;
}

void ResultsView::ShowRunResults() {
  // The run may have read the model afresh; so does the view.
  if (!haveInfo_ || !LoadModel(FromLocal(info_.modelPath))) return;
  QString error;
  const results::ResultFile* file = ResultFileOf(1, error);
  const int step = file ? file->LastCompleteStep() : 0;
  if (file && step == 0) {
    error = FileLabel(info_.ResultFileName(1)) + QStringLiteral(": no step is complete");
    if (!file->incompleteReason.empty()) error += QStringLiteral(" (%1)").arg(FromLocal(file->incompleteReason));
  }
  if (!file || step == 0) {
    FillSelectors(1, info_.stepCount, MaterialCodes());
    ClearPlot();
    SetStatus(error);
    return;
  }
  const auto& columns = file->layout.columns;
  const int convergence = file->layout.FindColumn("convergence");
  QString quantity = MaterialCodes();
  if (convergence >= 0) {
    quantity = FromLocal(columns[convergence].name);
  } else if (!columns.empty()) {
    quantity = FromLocal(columns.front().name);
  }
  FillSelectors(1, step, quantity);
  Redraw();
}

const results::ResultFile* ResultsView::ResultFileOf(int seam, QString& error) {
  if (auto found = resultFiles_.find(seam); found != resultFiles_.end()) return &found->second;
  if (auto failed = resultErrors_.find(seam); failed != resultErrors_.end()) {
    error = failed->second;
    return nullptr;
  }
  const std::string path = info_.ResultFileName(seam);
  // Only the final block of a step carries every column; the LMS runs before
  // it are not shown.
  const int finalRun = results::BlocksPerStep(info_.lmsPillarCount) - 1;
  const results::BlockFilter finalBlocks = [finalRun](int, int lmsRun) { return lmsRun == finalRun; };
  results::ResultFile file;
  std::string reason;
  if (!results::ReadResultFile(path, info_.lmsPillarCount, finalBlocks, file, reason)) {
    error = FileLabel(path) + QStringLiteral(": ") + FromLocal(reason);
  } else if (file.layout.nx != info_.nx || file.layout.ny != info_.ny) {
    error = FileLabel(path) + QStringLiteral(": its grid of %1 x %2 elements is not the model's %3 x %4")
                                  .arg(file.layout.nx)
                                  .arg(file.layout.ny)
                                  .arg(info_.nx)
                                  .arg(info_.ny);
  } else {
    return &resultFiles_.emplace(seam, std::move(file)).first->second;
  }
  resultErrors_[seam] = error;
  return nullptr;
}

const std::vector<results::SeamCodes>* ResultsView::CodesOf(int step, QString& error) {
  if (auto found = codeFiles_.find(step); found != codeFiles_.end()) return &found->second;
  if (auto failed = codeErrors_.find(step); failed != codeErrors_.end()) {
    error = failed->second;
    return nullptr;
  }
  const std::string path = info_.CodeFileName(step);
  std::vector<results::SeamCodes> codes;
  std::string reason;
  if (results::ReadCodeFile(path, info_.seamCount, info_.nx, info_.ny, codes, reason) &&
      codes.size() == static_cast<std::size_t>(info_.seamCount)) {
    return &codeFiles_.emplace(step, std::move(codes)).first->second;
  }
  if (reason.empty()) reason = "it does not hold every seam";
  error = FileLabel(path) + QStringLiteral(": ") + FromLocal(reason);
  codeErrors_[step] = error;
  return nullptr;
}

QString ResultsView::FileLabel(const std::string& path) const {
  return QFileInfo(FromLocal(path)).fileName();
}

// ---------------------------------------------------------------------------
// Selection

void ResultsView::FillSelectors(int seam, int step, const QString& quantity) {
  const QSignalBlocker seamBlock(seamBox_);
  const QSignalBlocker stepBlock(stepBox_);
  seamBox_->clear();
  stepBox_->clear();
  if (haveInfo_) {
    for (int s = 1; s <= info_.seamCount; ++s) seamBox_->addItem(QString::number(s), s);
    for (int n = 1; n <= info_.stepCount; ++n) stepBox_->addItem(QString::number(n), n);
    seamBox_->setCurrentIndex(std::max(0, seamBox_->findData(seam)));
    stepBox_->setCurrentIndex(std::max(0, stepBox_->findData(step)));
  }
  FillQuantities(quantity);
}

void ResultsView::FillQuantities(const QString& keep) {
  const QSignalBlocker block(quantityBox_);
  quantityBox_->clear();
  if (!haveInfo_) return;
  QString ignored;
  // A seam without a result file offers its codes only; why the file is
  // missing shows when a result is asked for.
  if (const results::ResultFile* file = ResultFileOf(Seam(), ignored)) {
    const auto& columns = file->layout.columns;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      quantityBox_->addItem(FromLocal(columns[c].name), static_cast<int>(c));
      quantityBox_->setItemData(quantityBox_->count() - 1, FromLocal(columns[c].unit), Qt::ToolTipRole);
    }
  }
  quantityBox_->addItem(MaterialCodes(), -1);
  const int kept = quantityBox_->findText(keep);
  quantityBox_->setCurrentIndex(std::max(0, kept));
}

bool ResultsView::SelectSeam(int seam) {
  const int index = seamBox_->findData(seam);
  if (index < 0) return false;
  seamBox_->setCurrentIndex(index);
  return true;
}

bool ResultsView::SelectStep(int step) {
  const int index = stepBox_->findData(step);
  if (index < 0) return false;
  stepBox_->setCurrentIndex(index);
  return true;
}

bool ResultsView::SelectQuantity(const QString& quantity) {
  const std::string key = results::QuantityKey(ToLocal(quantity));
  for (int index = 0; index < quantityBox_->count(); ++index) {
    const QString text = quantityBox_->itemText(index);
    const bool isColumn = quantityBox_->itemData(index).toInt() >= 0;
    if (text.compare(quantity, Qt::CaseInsensitive) == 0 ||
        (isColumn && results::QuantityKey(ToLocal(text)) == key)) {
      quantityBox_->setCurrentIndex(index);
      return true;
    }
  }
  return false;
}

int ResultsView::Seam() const { return seamBox_->currentData().toInt(); }
int ResultsView::Step() const { return stepBox_->currentData().toInt(); }
QString ResultsView::Quantity() const { return quantityBox_->currentText(); }

QStringList ResultsView::Quantities() const {
  QStringList names;
  for (int index = 0; index < quantityBox_->count(); ++index) names << quantityBox_->itemText(index);
  return names;
}

int ResultsView::SelectedColumn() const {
  return quantityBox_->count() > 0 ? quantityBox_->currentData().toInt() : -1;
}

// ---------------------------------------------------------------------------
// Pictures

void ResultsView::ClearPlot() {
  ReplacePlot();
  plot_->xAxis->setVisible(false);
  plot_->yAxis->setVisible(false);
  plot_->replot();
  shown_ = Picture::None;
  map_ = plot::MapData();
  codeMap_ = plot::CodeMapData();
  profile_ = plot::ProfileData();
  UpdateButtons();
}

void ResultsView::Redraw() {
  if (!haveInfo_ || Seam() == 0 || Step() == 0) {
    ClearPlot();
    return;
  }
  const int column = SelectedColumn();
  if (column < 0) {
    DrawCodeMap(Seam(), Step());
  } else {
    DrawResultMap(Seam(), Step(), column);
  }
}

void ResultsView::DrawResultMap(int seam, int step, int column) {
  QString error;
  const results::ResultFile* file = ResultFileOf(seam, error);
  const int block = file ? file->FinalBlockOf(step) : -1;
  if (file && block < 0) {
    error = FileLabel(info_.ResultFileName(seam)) + QStringLiteral(": no results for step %1").arg(step);
    if (!file->complete) error += QStringLiteral(" (%1)").arg(FromLocal(file->incompleteReason));
  }
  if (block < 0) {
    ClearPlot();
    SetStatus(error);
    return;
  }
  // Without the step's codes the map still shows, only without its
  // mined-out outlines.
  QString ignored;
  const std::vector<results::SeamCodes>* codes = CodesOf(step, ignored);
  const results::SeamCodes* seamCodes = codes ? &(*codes)[static_cast<std::size_t>(seam - 1)] : nullptr;
  map_ = plot::SeamMap(info_, *file, static_cast<std::size_t>(block), column, seam, seamCodes);
  codeMap_ = plot::CodeMapData();
  profile_ = plot::ProfileData();
  ReplacePlot();
  colorMap_ = plot::DrawMap(*plot_, map_);
  plot_->replot();
  shown_ = Picture::ResultMap;
  QString status = OneLine(map_.title);
  if (!file->complete) status += QStringLiteral("  (incomplete file: %1)").arg(FromLocal(file->incompleteReason));
  SetStatus(status);
  UpdateButtons();
}

void ResultsView::DrawCodeMap(int seam, int step) {
  QString error;
  const std::vector<results::SeamCodes>* codes = CodesOf(step, error);
  if (!codes) {
    ClearPlot();
    SetStatus(error);
    return;
  }
  codeMap_ = plot::CodeMap(info_, (*codes)[static_cast<std::size_t>(seam - 1)], seam, step);
  map_ = plot::MapData();
  profile_ = plot::ProfileData();
  ReplacePlot();
  colorMap_ = plot::DrawCodeMap(*plot_, codeMap_);
  plot_->replot();
  shown_ = Picture::CodeMap;
  SetStatus(OneLine(codeMap_.title));
  UpdateButtons();
}

void ResultsView::ShowMap() { Redraw(); }

bool ResultsView::ShowProfile(bool alongY) {
  const int column = SelectedColumn();
  if (!haveInfo_ || column < 0) {
    readout_->setText(QStringLiteral("A profile needs a result quantity"));
    return false;
  }
  if (!haveClick_) {
    readout_->setText(QStringLiteral("Click an element of the map first: the profile runs through it"));
    return false;
  }
  QString error;
  const results::ResultFile* file = ResultFileOf(Seam(), error);
  if (!file) {
    readout_->setText(error);
    return false;
  }
  std::vector<int> steps;
  for (int step = 1; step <= info_.stepCount; ++step)
    if (file->FinalBlockOf(step) >= 0) steps.push_back(step);
  if (steps.empty()) {
    readout_->setText(FileLabel(info_.ResultFileName(Seam())) + QStringLiteral(": no step is complete"));
    return false;
  }
  plot::ProfileLine line;
  line.alongY = alongY;
  line.at = alongY ? clickX_ : clickY_;
  plot::ProfileData drawn;
  std::string reason;
  if (!plot::SeamProfile(info_, *file, Seam(), {column}, steps, line, drawn, reason)) {
    readout_->setText(FromLocal(reason));
    return false;
  }
  profile_ = std::move(drawn);
  map_ = plot::MapData();
  codeMap_ = plot::CodeMapData();
  ReplacePlot();
  plot::DrawProfile(*plot_, profile_);
  plot_->replot();
  shown_ = Picture::Profile;
  SetStatus(OneLine(profile_.title) + QStringLiteral(" - ") + Quantity());
  UpdateButtons();
  return true;
}

const plot::ProfileData* ResultsView::Profile() const {
  return shown_ == Picture::Profile ? &profile_ : nullptr;
}

QCPRange ResultsView::MapDataRange() const {
  return colorMap_ ? colorMap_->dataRange() : QCPRange();
}

void ResultsView::UpdateButtons() {
  const bool resultMap = shown_ == Picture::ResultMap;
  profileButton_->setEnabled(resultMap);
  mapButton_->setEnabled(shown_ == Picture::Profile);
  exportButton_->setEnabled(shown_ != Picture::None);
  const QString unit = FromLocal(info_.lengthUnit);
  if (haveClick_) {
    // Named by the element line the profile takes when the point is on it.
    const plot::FieldGrid& field = map_.field;
    const int i = resultMap ? field.ColumnAt(clickX_) : 0;
    const int j = resultMap ? field.RowAt(clickY_) : 0;
    rowProfileAction_->setText(
        j > 0 ? QStringLiteral("Along X, row j = %1 (y = %2 %3)").arg(j).arg(Number(field.CentreY(j)), unit)
              : QStringLiteral("Along X, the row at y = %1 %2").arg(Number(clickY_), unit));
    columnProfileAction_->setText(
        i > 0 ? QStringLiteral("Along Y, column i = %1 (x = %2 %3)").arg(i).arg(Number(field.CentreX(i)), unit)
              : QStringLiteral("Along Y, the column at x = %1 %2").arg(Number(clickX_), unit));
  } else {
    rowProfileAction_->setText(QStringLiteral("Along X (click the map first)"));
    columnProfileAction_->setText(QStringLiteral("Along Y (click the map first)"));
  }
  rowProfileAction_->setEnabled(resultMap && haveClick_);
  columnProfileAction_->setEnabled(resultMap && haveClick_);
}

// ---------------------------------------------------------------------------
// Readout and mouse

void ResultsView::SetStatus(const QString& text) {
  status_ = text;
  readout_->setText(text);
}

QString ResultsView::ReadoutText() const { return readout_->text(); }

QString ResultsView::ReadoutAt(double x, double y) const {
  const plot::FieldGrid* field = nullptr;
  if (shown_ == Picture::ResultMap) field = &map_.field;
  if (shown_ == Picture::CodeMap) field = &codeMap_.field;
  if (!field || field->nx <= 0 || field->ny <= 0) return status_;
  const int i = field->ColumnAt(x);
  const int j = field->RowAt(y);
  if (i < 1 || j < 1 || i > field->nx || j > field->ny) return status_;

  const double value = field->At(i, j);
  QString what;
  if (shown_ == Picture::CodeMap) {
    const auto entry = static_cast<std::size_t>(value);
    what = std::isfinite(value) && value >= 0 && entry < codeMap_.legend.size()
               ? FromLocal(codeMap_.legend[entry].label)
               : QStringLiteral("no code");
  } else {
    what = FromLocal(map_.quantity);
    if (!std::isfinite(value)) {
      what += QStringLiteral(": no value");
    } else {
      what += QStringLiteral(" = ") + Number(value);
      // A safety factor's unit label only repeats its name.
      if (map_.kind == plot::ScaleKind::Sequential && !map_.unit.empty())
        what += QLatin1Char(' ') + FromLocal(map_.unit);
    }
    const std::size_t index = field->Index(i, j);
    if (index < map_.minedOut.size() && map_.minedOut[index]) what += QStringLiteral(" (mined out)");
  }
  const QString unit = FromLocal(shown_ == Picture::CodeMap ? codeMap_.lengthUnit : map_.lengthUnit);
  return QStringLiteral("%1   element (%2, %3)   centre (%4, %5) %6")
      .arg(what)
      .arg(i)
      .arg(j)
      .arg(Number(field->CentreX(i)), Number(field->CentreY(j)), unit)
      .trimmed();
}

void ResultsView::ClickAt(double x, double y) {
  haveClick_ = true;
  clickX_ = x;
  clickY_ = y;
  readout_->setText(ReadoutAt(x, y));
  UpdateButtons();
}

void ResultsView::OnMouseMove(QMouseEvent* event) {
  if (!colorMap_) return;
  const QPointF pos = event->position();
  if (!colorMap_->keyAxis()->axisRect()->rect().contains(pos.toPoint())) {
    readout_->setText(haveClick_ ? ReadoutAt(clickX_, clickY_) : status_);
    return;
  }
  readout_->setText(ReadoutAt(colorMap_->keyAxis()->pixelToCoord(pos.x()),
                              colorMap_->valueAxis()->pixelToCoord(pos.y())));
}

void ResultsView::OnMousePress(QMouseEvent* event) { pressPos_ = event->position().toPoint(); }

void ResultsView::OnMouseRelease(QMouseEvent* event) {
  if (!colorMap_ || event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  if ((pos - pressPos_).manhattanLength() > kClickSlackPx) return;  // a pan
  if (!colorMap_->keyAxis()->axisRect()->rect().contains(pos)) return;
  ClickAt(colorMap_->keyAxis()->pixelToCoord(pos.x()), colorMap_->valueAxis()->pixelToCoord(pos.y()));
}

void ResultsView::OnMouseDoubleClick(QMouseEvent*) { RestoreFullView(); }

void ResultsView::RestoreFullView() {
  if (shown_ == Picture::None) return;
  if (colorMap_) {
    FitWholeGrid();
  } else {
    plot_->rescaleAxes();
  }
  plot_->replot();
}

void ResultsView::FitWholeGrid() {
  const plot::FieldGrid& field = shown_ == Picture::CodeMap ? codeMap_.field : map_.field;
  if (!colorMap_ || field.nx <= 0 || field.ny <= 0) return;
  // The outer edges of the grid, as the map was first drawn.
  colorMap_->keyAxis()->setRange(field.originX, field.originX + field.nx * field.width);
  colorMap_->valueAxis()->setRange(field.originY, field.originY + field.ny * field.width);
  plot::KeepEqualAxes(*plot_);
}

// ---------------------------------------------------------------------------
// Export

QString ResultsView::SuggestedPictureName() const {
  const QString folder = QFileInfo(FromLocal(info_.modelPath)).absolutePath();
  const QString stem = haveInfo_ ? FromLocal(info_.Stem()) : QStringLiteral("picture");
  const QString key = FromLocal(results::QuantityKey(ToLocal(Quantity())));
  QString name;
  switch (shown_) {
    case Picture::ResultMap:
      name = QStringLiteral("%1_seam%2_step%3_%4").arg(stem).arg(Seam()).arg(Step()).arg(key);
      break;
    case Picture::CodeMap:
      name = QStringLiteral("%1_seam%2_step%3_codes").arg(stem).arg(Seam()).arg(Step());
      break;
    case Picture::Profile:
      name = QStringLiteral("%1_seam%2_%3_profile").arg(stem).arg(Seam()).arg(key);
      break;
    case Picture::None:
      name = stem;
      break;
  }
  return folder + QLatin1Char('/') + name + QStringLiteral(".png");
}

bool ResultsView::ExportPicture(const QString& path, int width, int height, QString& error) {
  if (shown_ == Picture::None) {
    error = QStringLiteral("There is no picture to export");
    return false;
  }
  const QString suffix = QFileInfo(path).suffix().toLower();
  plot::PictureFormat format = plot::PictureFormat::Png;
  if (suffix == QLatin1String("pdf")) {
    format = plot::PictureFormat::Pdf;
  } else if (suffix != QLatin1String("png")) {
    error = QStringLiteral("%1: name the picture .png or .pdf").arg(QFileInfo(path).fileName());
    return false;
  }
  if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) {
    error = QStringLiteral("A picture must be 1 to %1 wide and high, not %2 x %3")
                .arg(kMaxPictureSide)
                .arg(width)
                .arg(height);
    return false;
  }
  std::string reason;
  const bool written = plot::SavePicture(*plot_, ToLocal(path), format, width, height, reason);
  // The picture was laid out for its own size; the screen gets its own back.
  if (colorMap_) plot::KeepEqualAxes(*plot_);
  plot_->replot();
  if (!written) {
    error = QFileInfo(path).fileName() + QStringLiteral(": ") + FromLocal(reason);
    return false;
  }
  return true;
}

void ResultsView::OnExportPicture() {
  if (shown_ == Picture::None) {
    readout_->setText(QStringLiteral("There is no picture to export"));
    return;
  }
  PictureChoice choice;
  choice.path = SuggestedPictureName();
  if (!choosePicture || !choosePicture(this, choice)) return;
  QString error;
  if (ExportPicture(choice.path, choice.width, choice.height, error)) {
    readout_->setText(QStringLiteral("Picture written to %1").arg(QDir::toNativeSeparators(choice.path)));
  } else {
    readout_->setText(error);
  }
}

}  // namespace kavrel
