// Checks of the main window on the offscreen platform: the layout taken from
// the dialog template, the commands and their message boxes, the state of
// Open and Run, and every progress report the computation makes.
#include <QAction>
#include <QDir>
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
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

#include "model/model_dat.h"
#include "shell/gui/about_dlg.h"
#include "shell/gui/dialog_units.h"
#include "shell/gui/kav_app.h"
#include "shell/gui/kav_dlg.h"
#include "shell/gui/gui_test_support.h"

using kavrel::CKavDlg;
using kavrel::CModelDat;
using kavrel::gui_testing::Window;
using kavrel::gui_testing::WhenModalAppears;

namespace {

QString FreshDir(const QString& name) {
  return kavrel::gui_testing::FreshDir(QStringLiteral("gui_dialog"), name);
}

void WriteText(const QString& path, const QByteArray& text) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(text);
}

const char* const kSeamPanel[] = {"1012", "1016", "1017", "1018", "1002", "1003", "1004"};
const char* const kSolverPanel[] = {"1010", "1013", "1014", "1005", "1006"};
const char* const kProjectionPanel[] = {"1011", "1015", "1007", "1008"};

template <std::size_t N>
void ExpectPanel(Window& w, const char* const (&ids)[N], bool enabled) {
  for (const char* id : ids) {
    QWidget* control = w.dlg.findChild<QWidget*>(QString::fromLatin1(id));
    QVERIFY2(control, id);
    QVERIFY2(control->isEnabled() == enabled, id);
  }
}

}  // namespace

class DialogTest : public QObject {
  Q_OBJECT

 private slots:
  // ---- layout -------------------------------------------------------------
  void dialogUnitsRoundHalfAwayFromZero() {
    using kavrel::MulDivRounded;
    QCOMPARE(MulDivRounded(235, 6, 4), 353);  // 352.5
    QCOMPARE(MulDivRounded(55, 13, 8), 89);   // 89.375
    QCOMPARE(MulDivRounded(3, 6, 4), 5);      // 4.5
    QCOMPARE(MulDivRounded(-3, 6, 4), -5);    // -4.5
    QCOMPARE(MulDivRounded(1, 13, 8), 2);     // 1.625
    QCOMPARE(MulDivRounded(7, 13, 8), 11);    // 11.375
    // Edges convert on their own: 178..228 units at 6/4 is 267..342 pixels.
    QCOMPARE(kavrel::DialogRectToPixels(178, 7, 50, 14, kavrel::kAboutDialogUnits),
             QRect(267, 11, 75, 23));
    QCOMPARE(kavrel::DialogRectToPixels(165, 105, 92, 14, kavrel::kMainDialogUnits),
             QRect(330, 210, 184, 28));
  }

  void layoutFollowsTheTemplate_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("dlu");
    // Controls without an id are found by their caption.
    auto row = [](const char* id, const char* caption, int x, int y, int w, int h) {
      QTest::newRow((QByteArray(id) + " " + caption).constData())
          << QString::fromLatin1(id) << QString::fromLatin1(caption) << QRect(x, y, w, h);
    };
    row("", "Overall Progress", 9, 7, 254, 52);
    row("", "Mining Step:", 12, 20, 55, 8);
    row("1001", "", 75, 17, 24, 14);
    row("", "Elapsed Time (sec):", 137, 20, 62, 8);
    row("1009", "", 209, 17, 49, 14);
    row("", "Calculation Phase:", 12, 41, 58, 8);
    row("1000", "", 77, 38, 186, 14);
    row("1012", "Seam Progress", 269, 7, 98, 65);
    row("1016", "Primary Seam:", 273, 20, 63, 8);
    row("1002", "", 340, 17, 24, 14);
    row("1017", "Secondary Seam:", 273, 37, 67, 8);
    row("1003", "", 340, 34, 24, 14);
    row("1018", "Detail Level:", 273, 55, 43, 8);
    row("1004", "", 340, 51, 24, 14);
    row("1010", "SOR Iterations", 9, 75, 119, 52);
    row("1013", "Iteration Number:", 12, 89, 56, 8);
    row("1005", "", 80, 86, 45, 14);
    row("1014", "Maximum Displ.:", 13, 108, 59, 8);
    row("1006", "", 80, 105, 45, 14);
    row("1011", "Stress Projection", 157, 75, 105, 52);
    row("1015", "Gridline Number:", 165, 89, 51, 8);
    row("1007", "", 217, 86, 40, 14);
    row("1008", "", 165, 105, 92, 14);
    row("1019", "Run", 292, 92, 50, 14);
    row("2", "Exit", 292, 113, 50, 14);
  }

  void layoutFollowsTheTemplate() {
    QFETCH(QString, id);
    QFETCH(QString, caption);
    QFETCH(QRect, dlu);
    Window w;
    QWidget* control = nullptr;
    for (QWidget* c : w.dlg.findChildren<QWidget*>()) {
      const bool idMatches = !id.isEmpty() && c->objectName() == id;
      bool captionMatches = false;
      if (auto* label = qobject_cast<QLabel*>(c)) captionMatches = label->text() == caption;
      if (auto* group = qobject_cast<QGroupBox*>(c)) captionMatches = group->title() == caption;
      if (auto* button = qobject_cast<QPushButton*>(c)) captionMatches = button->text() == caption;
      if (idMatches || (id.isEmpty() && captionMatches)) {
        QVERIFY2(!control, "two controls match");
        control = c;
        if (!caption.isEmpty()) QVERIFY(captionMatches);
      }
    }
    QVERIFY(control);
    // Base units 8 x 16: one dialog unit is two pixels either way.
    QCOMPARE(control->geometry(), QRect(dlu.x() * 2, dlu.y() * 2, dlu.width() * 2, dlu.height() * 2));
    if (auto* field = qobject_cast<QLineEdit*>(control)) {
      QCOMPARE(field->isReadOnly(), id != QLatin1String("1004"));
    }
  }

  void windowSizeTitleAndMenus() {
    Window w;
    QCOMPARE(w.dlg.findChild<QWidget*>(QStringLiteral("client"))->size(), QSize(746, 288));
    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("Kavrel4.0"));
    QVERIFY(!w.dlg.windowIcon().isNull());

    auto* menuBar = w.dlg.findChild<QMenuBar*>();
    QVERIFY(menuBar);
    const QList<QAction*> menus = menuBar->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
    const QList<QAction*> fileItems = menus[0]->menu()->actions();
    QCOMPARE(fileItems.size(), 3);  // Open, Export Picture of the results view, Threads
    QCOMPARE(fileItems[1]->text(), QStringLiteral("Export Picture..."));
    QCOMPARE(fileItems[2]->objectName(), QStringLiteral("threads"));
    QCOMPARE(fileItems[0]->objectName(), QStringLiteral("57601"));
    QCOMPARE(fileItems[0]->text(), QStringLiteral("Open\tCntrl+O"));
    QVERIFY(fileItems[0]->shortcut().isEmpty());  // the hint binds no key

    const QList<QAction*> helpItems = menus[1]->menu()->actions();
    QCOMPARE(helpItems.size(), 1);
    QCOMPARE(helpItems[0]->objectName(), QStringLiteral("16"));
    QCOMPARE(helpItems[0]->text(), QStringLiteral("&About Kav..."));
    // The same item is in the window's context menu.
    QWidget* client = w.dlg.findChild<QWidget*>(QStringLiteral("client"));
    QCOMPARE(client->contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(client->actions().contains(helpItems[0]));
  }

  void aboutBox() {
    Window w;
    bool seen = false;
    WhenModalAppears([&seen](QWidget* modal) {
      seen = true;
      QCOMPARE(modal->objectName(), QStringLiteral("CAboutDlg"));
      QCOMPARE(modal->windowTitle(), QStringLiteral("About Kav"));
      QCOMPARE(modal->size(), QSize(353, 89));  // 235 x 55 units at base 6 x 13
      QCOMPARE(modal->findChild<QLabel*>(QStringLiteral("version"))->text(),
               QStringLiteral("Kavrel Version 4.0.1"));
      QCOMPARE(modal->findChild<QLabel*>(QStringLiteral("version"))->pos(), QPoint(60, 16));
      auto* ok = modal->findChild<QPushButton*>(QStringLiteral("1"));
      QCOMPARE(ok->text(), QStringLiteral("OK"));
      QTest::mouseClick(ok, Qt::LeftButton);
    });
    w.dlg.findChild<QAction*>(QStringLiteral("16"))->trigger();
    QVERIFY(seen);
  }

  // ---- state before and after Open ------------------------------------------
  void beforeAnyOpenRunIsDisabled() {
    Window w;
    QCOMPARE(w.Phase(), QStringLiteral("Waiting for File->Open"));
    QVERIFY(!w.RunEnabled());
    QVERIFY(w.Get<QPushButton>("1019")->isDefault());
    QVERIFY(w.dlg.findChild<QAction*>(QStringLiteral("57601"))->isEnabled());
    ExpectPanel(w, kSeamPanel, false);
    ExpectPanel(w, kSolverPanel, false);
    ExpectPanel(w, kProjectionPanel, false);
    auto* bar = w.Get<QProgressBar>("1008");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(w.Text("1001"), QStringLiteral("0"));
    QCOMPARE(w.Text("1009"), QStringLiteral("0"));
    QCOMPARE(w.Text("1004"), QStringLiteral("3"));
    QCOMPARE(w.Get<QGroupBox>("1011")->title(), QStringLiteral("Stress Projection"));
    QCOMPARE(w.dlg.RunStartTime(), 0LL);
    // Run does nothing while there is no input.
    w.dlg.OnRun();
    QCOMPARE(w.Phase(), QStringLiteral("Waiting for File->Open"));
    QVERIFY(w.messages.isEmpty());
  }

  void cancelledFileDialogChangesNothing() {
    Window w;
    w.chosenFile.clear();
    w.dlg.findChild<QAction*>(QStringLiteral("57601"))->trigger();
    QCOMPARE(w.chooserCalls, 1);
    QCOMPARE(w.Phase(), QStringLiteral("Waiting for File->Open"));
    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("Kavrel4.0"));
    QVERIFY(!w.RunEnabled());
    QVERIFY(w.messages.isEmpty());
    QVERIFY(w.model.inputPathName.empty());
  }

  void fileDialogOffersInputFiles() {
    CModelDat model;
    CKavDlg dlg(model);  // the real file dialog
    bool seen = false;
    WhenModalAppears([&seen](QWidget* modal) {
      auto* fileDialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(fileDialog);
      seen = true;
      QCOMPARE(fileDialog->nameFilters(),
               QStringList({QStringLiteral("Input Files (*.inp)"), QStringLiteral("All Files (*.*)")}));
      QCOMPARE(fileDialog->defaultSuffix(), QStringLiteral("inp"));
      QCOMPARE(fileDialog->fileMode(), QFileDialog::ExistingFile);
      fileDialog->reject();
    });
    dlg.OnFileOpen();
    QVERIFY(seen);
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("1000"))->text(),
             QStringLiteral("Waiting for File->Open"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Kavrel4.0"));
  }

  void failedOpenLeavesPhaseTitleAndRun() {
    const QString dir = FreshDir(QStringLiteral("failed_open"));
    WriteText(dir + "/garbage.inp", "this is not a model\n");
    Window w;
    w.chosenFile = dir + "/garbage.inp";
    w.dlg.OnFileOpen();
    QVERIFY(!w.messages.isEmpty());
    QCOMPARE(w.messages.last(), QStringLiteral("The Input File was not the Correct Format - OFO1"));
    QVERIFY(!w.messages.contains(QStringLiteral("The Input File was Successfully Read")));
    QCOMPARE(w.Phase(), QStringLiteral("Waiting for File->Open"));
    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("Kavrel4.0"));
    QVERIFY(!w.RunEnabled());
    QVERIFY(w.endStatuses.isEmpty());
  }

  void openReadsEchoesAndEnablesRun() {
    const QString dir = FreshDir(QStringLiteral("open"));
    QVERIFY(QFile::copy(QStringLiteral(KAVREL_SOURCE_DIR "/examples/panel.inp"), dir + "/panel.inp"));
    WriteText(dir + "/garbage.inp", "this is not a model\n");
    Window w;
    w.chosenFile = dir + "/panel.inp";
    w.dlg.OnFileOpen();
    QCOMPARE(w.messages, QStringList{QStringLiteral("The Input File was Successfully Read")});
    QCOMPARE(w.Phase(), QStringLiteral("Waiting for Run"));
    QVERIFY(w.RunEnabled());
    const QString full = QFileInfo(dir + "/panel.inp").absoluteFilePath();
    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("Kavrel - ") + full);
    QCOMPARE(QString::fromStdString(w.model.inputPathName), full);
    QCOMPARE(QString::fromStdString(w.model.inputFolder), QFileInfo(full).absolutePath() + "/");
    QCOMPARE(w.model.inputFileName, std::string("panel.inp"));
    QCOMPARE(w.model.inputFileTitle, std::string("panel"));
    QVERIFY(QFileInfo(dir + "/panel.out").size() > 0);  // the echo starts the log

    // A later Open that fails keeps the phase and the title, and Run stays off
    // until an Open succeeds: the model now holds a partly read input.
    w.messages.clear();
    w.chosenFile = dir + "/garbage.inp";
    w.dlg.OnFileOpen();
    QCOMPARE(w.messages.last(), QStringLiteral("The Input File was not the Correct Format - OFO1"));
    QCOMPARE(w.Phase(), QStringLiteral("Waiting for Run"));
    QCOMPARE(w.dlg.windowTitle(), QStringLiteral("Kavrel - ") + full);
    QVERIFY(!w.RunEnabled());

    w.chosenFile = dir + "/panel.inp";
    w.dlg.OnFileOpen();
    QVERIFY(w.RunEnabled());
  }

  void realMessageBoxHasOnlyOk() {
    CModelDat model;
    CKavDlg dlg(model);
    QString shown;
    QMessageBox::StandardButtons buttons;
    WhenModalAppears([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      shown = box->text();
      buttons = box->standardButtons();
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    dlg.ShowMessage("Error in Opening Output File - M1\n");
    QCOMPARE(shown, QStringLiteral("Error in Opening Output File - M1"));
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  }

  void diagnosticsGoToStandardOutput() {
    const QString dir = FreshDir(QStringLiteral("diagnostic"));
    const QByteArray path = QFile::encodeName(dir + "/stdout.txt");
    Window w;
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int file = open(path.constData(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    dup2(file, STDOUT_FILENO);
    w.dlg.WriteDiagnostic("i = 3, j = 4, integer code = 53\n");
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(file);
    close(saved);
    QFile out(QString::fromLocal8Bit(path));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll(), QByteArray("i = 3, j = 4, integer code = 53\n"));
    QVERIFY(w.messages.isEmpty());
  }

  // ---- progress reports -------------------------------------------------------
  void phaseStepAndElapsed() {
    Window w;
    w.dlg.SetPhase("Calculating Seam 2 Displacements");
    QCOMPARE(w.Phase(), QStringLiteral("Calculating Seam 2 Displacements"));
    w.dlg.SetStep(7);
    QCOMPARE(w.Text("1001"), QStringLiteral("7"));
    w.dlg.ShowElapsed(12345678901LL);  // beyond 32 bits
    QCOMPARE(w.Text("1009"), QStringLiteral("12345678901"));
  }

  void secondarySeamZeroGreysLabelAndField() {
    Window w;
    w.dlg.OpenSeamPanel();
    ExpectPanel(w, kSeamPanel, true);
    w.dlg.SetPrimarySeam(2);
    w.dlg.SetSecondarySeam(0);
    QVERIFY(!w.Get<QLabel>("1017")->isEnabled());
    QVERIFY(!w.Get<QLineEdit>("1003")->isEnabled());
    QCOMPARE(w.Text("1003"), QStringLiteral("0"));
    QVERIFY(w.Get<QLabel>("1016")->isEnabled());
    QVERIFY(w.Get<QLineEdit>("1002")->isEnabled());
    QCOMPARE(w.Text("1002"), QStringLiteral("2"));

    w.dlg.SetSecondarySeam(3);
    QVERIFY(w.Get<QLabel>("1017")->isEnabled());
    QVERIFY(w.Get<QLineEdit>("1003")->isEnabled());
    QCOMPARE(w.Text("1003"), QStringLiteral("3"));
  }

  void seamPanelOpensAtLevelThree() {
    Window w;
    w.dlg.SetPrimarySeam(4);
    w.dlg.SetSecondarySeam(5);
    w.dlg.SetLevel(1);
    QCOMPARE(w.Text("1004"), QStringLiteral("1"));
    w.dlg.OpenSeamPanel();
    QCOMPARE(w.Text("1002"), QStringLiteral("0"));
    QCOMPARE(w.Text("1003"), QStringLiteral("0"));
    QCOMPARE(w.Text("1004"), QStringLiteral("3"));
    ExpectPanel(w, kSeamPanel, true);
    w.dlg.CloseSeamPanel();
    ExpectPanel(w, kSeamPanel, false);
  }

  void showIterationFormats() {
    Window w;
    w.dlg.OpenSolverPanel();
    ExpectPanel(w, kSolverPanel, true);
    QCOMPARE(w.Text("1005"), QStringLiteral("1"));
    QCOMPARE(w.Text("1006"), QStringLiteral(" "));

    w.dlg.ShowIteration(1200, 0.001f);
    QCOMPARE(w.Text("1005"), QStringLiteral(" 1200"));
    QCOMPARE(w.Text("1006"), QStringLiteral("    0.001000000"));
    w.dlg.ShowIteration(100, -0.25f);
    QCOMPARE(w.Text("1006"), QStringLiteral("   -0.250000000"));
    // Too large for the field in fixed form: exponent form instead.
    w.dlg.ShowIteration(300, 3.0e9f);
    QCOMPARE(w.Text("1006"), QStringLiteral("3.000000000e+09"));
    w.dlg.CloseSolverPanel();
    ExpectPanel(w, kSolverPanel, false);
  }

  void maximumChangeFitsNineteenCharacters() {
    // 19 characters still fit in fixed form; 20 do not.
    QCOMPARE(CKavDlg::FormatMaxChange(999999999.5), std::string("999999999.500000000"));
    QCOMPARE(CKavDlg::FormatMaxChange(-99999999.5), std::string("-99999999.500000000"));
    QCOMPARE(CKavDlg::FormatMaxChange(1.0e9), std::string("1.000000000e+09"));
    QCOMPARE(CKavDlg::FormatMaxChange(-1.5e30), std::string("-1.500000000e+30"));
    QCOMPARE(CKavDlg::FormatMaxChange(0.0), std::string("    0.000000000"));
  }

  void projectionPanelStartsTheBarAtTen() {
    Window w;
    auto* bar = w.Get<QProgressBar>("1008");
    w.dlg.ShowGridline(30, 55);
    QCOMPARE(bar->value(), 55);
    w.dlg.OpenProjectionPanel();
    QCOMPARE(bar->value(), 10);
    QCOMPARE(w.Text("1007"), QStringLiteral("0"));
    ExpectPanel(w, kProjectionPanel, true);
    w.dlg.ShowGridline(12, 40);
    QCOMPARE(w.Text("1007"), QStringLiteral("12"));
    QCOMPARE(bar->value(), 40);
    w.dlg.ShowGridline(13, 140);  // held to the bar's range
    QCOMPARE(bar->value(), 100);

    w.dlg.SetProjectionCaption(kavrel::ProjectionKind::Displacement);
    QCOMPARE(w.Get<QGroupBox>("1011")->title(), QStringLiteral("Displacement Projection"));
    w.dlg.SetProjectionCaption(kavrel::ProjectionKind::Stress);
    QCOMPARE(w.Get<QGroupBox>("1011")->title(), QStringLiteral("Stress Projection"));
    w.dlg.CloseProjectionPanel();
    ExpectPanel(w, kProjectionPanel, false);
  }

  void showElapsedHandlesPendingEvents() {
    Window w;
    bool delivered = false;
    QTimer::singleShot(0, &w.dlg, [&delivered] { delivered = true; });
    w.dlg.ShowElapsed(5);
    QVERIFY(delivered);
    QCOMPARE(w.Text("1009"), QStringLiteral("5"));
    // No run in progress: nothing ends the process.
    QVERIFY(w.endStatuses.isEmpty());
  }

  // ---- leaving -------------------------------------------------------------------
  void exitButtonAndEscapeCloseTheWindow() {
    qApp->setQuitOnLastWindowClosed(false);  // the test process goes on
    {
      Window w;
      w.dlg.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
      QTest::mouseClick(w.Get<QPushButton>("2"), Qt::LeftButton);
      QVERIFY(!w.dlg.isVisible());
    }
    {
      Window w;
      w.dlg.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w.dlg));
      QTest::keyClick(&w.dlg, Qt::Key_Escape);
      QVERIFY(!w.dlg.isVisible());
      QVERIFY(w.endStatuses.isEmpty());
    }
    qApp->setQuitOnLastWindowClosed(true);
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  kavrel::CKavApp app(argc, argv);
  DialogTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "kav_dlg_test.moc"
