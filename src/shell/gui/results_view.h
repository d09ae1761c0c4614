// ResultsView shows what a model and its run left on disk, inside the window:
// the material-code map of a seam at a step once the model is opened, and
// after a run the map of any column of a seam's result file at any step, a
// profile along a row or column of elements through a clicked point, and the
// picture exported to PNG or PDF. It reads the files the run wrote (never the
// model object the window runs), so it shows exactly what `kavrel plot`
// would draw from them.
//
// Problems (a missing or cut-short result file, a model that no longer reads)
// are reported in the readout line under the plot; the view never opens a
// message box. The file dialog of Export Picture sits behind a replaceable
// hook, like the window's own file dialog, so that it can be driven without a
// person at the screen.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/result_reader.h"
#include "model/run_info.h"
#include "plot/plot_data.h"

class QAction;
class QComboBox;
class QCPColorMap;
class QCPRange;
class QCustomPlot;
class QLabel;
class QMouseEvent;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace kavrel {

// Where Export Picture writes and how large: the file's suffix (.png or .pdf,
// any case) chooses the format; the size is in pixels, points for a PDF.
struct PictureChoice {
  QString path;
  int width = 1000;
  int height = 800;
};

class ResultsView : public QWidget {
  Q_OBJECT

 public:
  explicit ResultsView(QWidget* parent = nullptr);
  ~ResultsView() override;

  // Asks where to export the picture and at what size; `choice` arrives with
  // a suggestion. Returns false when the user cancels.
  std::function<bool(QWidget* parent, PictureChoice& choice)> choosePicture;

  // The quantity entry that selects the material-code map.
  static QString MaterialCodes();

  // A model was opened at `modelPath` (its step code files written): forget
  // every earlier result and show the code map of seam 1 at step 1.
  void ShowOpenedModel(const QString& modelPath);
  // A run of the opened model has ended: read its results afresh and show
  // the convergence map of seam 1 at the last step the run completed.
  void ShowRunResults();
  // No model: an empty plot, `reason` in the readout.
  void Clear(const QString& reason);

  // ---- selection: false (nothing changed) when the value is not offered ----
  bool SelectSeam(int seam);
  bool SelectStep(int step);
  // A column name as the result file gives it ("Total Vertical Stress"), the
  // name a user types for it ("totalverticalstress"), or MaterialCodes().
  bool SelectQuantity(const QString& quantity);
  int Seam() const;      // 0 when no model is shown
  int Step() const;      // 0 when no model is shown
  QString Quantity() const;
  QStringList Quantities() const;

  // ---- what is shown -------------------------------------------------------
  enum class Picture { None, ResultMap, CodeMap, Profile };
  Picture Shown() const { return shown_; }
  // The colour map's data range; only meaningful with a map shown.
  QCPRange MapDataRange() const;
  // What the readout says with the mouse at (x, y), model coordinates in the
  // output length unit: the value, the element's indices and its centre, or
  // the view's state when no map element lies there.
  QString ReadoutAt(double x, double y) const;
  QString ReadoutText() const;
  // The profile shown, or null.
  const plot::ProfileData* Profile() const;
  QCustomPlot* Plot() const { return plot_; }

  // ---- commands ------------------------------------------------------------
  // A left click at (x, y), model coordinates: the readout pins that element
  // and the profile runs through it.
  void ClickAt(double x, double y);
  // The profile of the selected quantity over every step, along Y through
  // the clicked point's column of elements (`alongY`) or along X through its
  // row. False, with the reason in the readout, when there is none to show.
  bool ShowProfile(bool alongY);
  // Back from a profile to the map of the selection.
  void ShowMap();
  // Writes the picture shown to `path`; false with `error` set when it
  // cannot (nothing shown, an unknown suffix, a bad size, a write error).
  bool ExportPicture(const QString& path, int width, int height, QString& error);

 public slots:
  // Export Picture: asks through choosePicture, then writes; the outcome
  // goes to the readout.
  void OnExportPicture();

 private:
  void CreateControls();
  // Forgets everything shown and read, then reads the model at `modelPath`;
  // false, with the reason in the readout, when it cannot be read.
  bool LoadModel(const QString& modelPath);
  // A fresh plot in place of the current one: the pictures never inherit
  // anything (layout elements, axes, zoom) from one another.
  void ReplacePlot();
  void ClearPlot();
  void SetStatus(const QString& text);
  void UpdateButtons();

  // The selectors for the model shown; `quantity` is kept when offered.
  void FillSelectors(int seam, int step, const QString& quantity);
  void FillQuantities(const QString& keep);
  void Redraw();
  void DrawResultMap(int seam, int step, int column);
  void DrawCodeMap(int seam, int step);

  // The seam's result file (read once and kept), or null with the reason.
  const results::ResultFile* ResultFileOf(int seam, QString& error);
  // The step's code file (read once and kept), or null with the reason.
  const std::vector<results::SeamCodes>* CodesOf(int step, QString& error);
  // The result-file column of the selected quantity, -1 for the codes.
  int SelectedColumn() const;
  QString FileLabel(const std::string& path) const;
  QString SuggestedPictureName() const;

  void OnMouseMove(QMouseEvent* event);
  void OnMousePress(QMouseEvent* event);
  void OnMouseRelease(QMouseEvent* event);
  void OnMouseDoubleClick(QMouseEvent* event);
  void RestoreFullView();
  // The whole grid of the map shown, at equal scales.
  void FitWholeGrid();

  RunInfo info_;
  bool haveInfo_ = false;
  std::map<int, results::ResultFile> resultFiles_;  // by seam
  std::map<int, QString> resultErrors_;
  std::map<int, std::vector<results::SeamCodes>> codeFiles_;  // by step
  std::map<int, QString> codeErrors_;

  Picture shown_ = Picture::None;
  plot::MapData map_;
  plot::CodeMapData codeMap_;
  plot::ProfileData profile_;
  QCPColorMap* colorMap_ = nullptr;  // owned by plot_
  QString status_;  // the readout away from any element
  bool haveClick_ = false;
  double clickX_ = 0;
  double clickY_ = 0;
  QPoint pressPos_;

  QVBoxLayout* layout_ = nullptr;
  QComboBox* seamBox_ = nullptr;
  QComboBox* stepBox_ = nullptr;
  QComboBox* quantityBox_ = nullptr;
  QToolButton* profileButton_ = nullptr;
  QAction* rowProfileAction_ = nullptr;
  QAction* columnProfileAction_ = nullptr;
  QPushButton* mapButton_ = nullptr;
  QPushButton* exportButton_ = nullptr;
  QCustomPlot* plot_ = nullptr;
  QLabel* readout_ = nullptr;
};

}  // namespace kavrel
