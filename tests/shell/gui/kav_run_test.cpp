// Whole runs through the window, under a desktop language that writes decimal
// commas: the log and result files must be those of the console front end,
// the window must end on "Finished", and closing the window during a run must
// end the process at once with status 0 (checked in child processes).
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "model/model_dat.h"
#include "shell/gui/kav_app.h"
#include "shell/gui/kav_dlg.h"
#include "shell/gui/gui_test_support.h"

using kavrel::CKavDlg;
using kavrel::CModelDat;
using kavrel::gui_testing::Window;
using kavrel::gui_testing::WhenModalAppears;

namespace {

// Set by main() before the application object exists.
bool g_decimalCommaLocale = false;
QString g_localeNote;

const char kDecimalCommaLocale[] = "de_DE.UTF-8";

// Makes the process environment name a decimal-comma locale, compiling it into
// the build tree when the machine has not installed it. True when the C
// library then really writes decimal commas.
bool UseDecimalCommaLocale() {
  qputenv("LC_ALL", kDecimalCommaLocale);
  qputenv("LANG", kDecimalCommaLocale);
  if (!std::setlocale(LC_ALL, "")) {
    const QByteArray dir = KAVREL_BINARY_DIR "/test-tmp/locales";
    QDir().mkpath(QString::fromLocal8Bit(dir));
    const QByteArray command = "localedef -i de_DE -f UTF-8 '" + dir + "/" + kDecimalCommaLocale +
                               "' >/dev/null 2>&1";
    if (std::system(command.constData()) != 0) g_localeNote = QStringLiteral("localedef failed");
    qputenv("LOCPATH", dir);
    if (!std::setlocale(LC_ALL, "")) {
      std::setlocale(LC_ALL, "C");
      g_localeNote += QStringLiteral(" de_DE.UTF-8 could not be set");
      return false;
    }
  }
  const bool comma = std::strcmp(std::localeconv()->decimal_point, ",") == 0;
  std::setlocale(LC_ALL, "C");
  return comma;
}

QString FreshDir(const QString& name) {
  return kavrel::gui_testing::FreshDir(QStringLiteral("gui_run"), name);
}

QString CopyExample(const QString& dir, const char* name) {
  const QString target = dir + "/" + QString::fromLatin1(name);
  if (!QFile::copy(QStringLiteral(KAVREL_SOURCE_DIR "/examples/") + name, target)) return {};
  return target;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// Times differ from run to run: the seconds of every "... N secs" line and the
// seconds columns of the profile tables become '#'.
QByteArray MaskTimes(const QByteArray& text) {
  static const QRegularExpression secs(QStringLiteral("-?\\d+(?= secs)"));
  static const QRegularExpression levelRow(
      QStringLiteral("^(\\|\\s+-?\\d+\\s+\\|\\s+-?\\d+\\s+\\|\\s+-?\\d+\\s+\\|).*$"));
  static const QRegularExpression summary(QStringLiteral("^(\\s+-?\\d+\\s+-?\\d+)(\\s+-?\\d+){4}\\s*$"));
  QStringList lines = QString::fromLatin1(text).split(QLatin1Char('\n'));
  for (QString& line : lines) {
    line.replace(secs, QStringLiteral("#"));
    QRegularExpressionMatch m = levelRow.match(line);
    if (m.hasMatch()) {
      line = m.captured(1) + QStringLiteral(" # | # | # | # |");
      continue;
    }
    m = summary.match(line);
    if (m.hasMatch()) line = m.captured(1) + QStringLiteral(" # # # #");
  }
  return lines.join(QLatin1Char('\n')).toLatin1();
}

QProcess* StartChild(const QStringList& args, const QString& program = QString()) {
  auto* child = new QProcess(qApp);
  child->setProgram(program.isEmpty() ? QCoreApplication::applicationFilePath() : program);
  child->setArguments(args);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  child->setProcessEnvironment(env);
  child->start();
  return child;
}

// ---- child process modes --------------------------------------------------------

// `--child-exit`: starts the program without a model and presses Exit.
// `--child-close HOW MODEL`: opens MODEL, starts a run and, at the first
// moment the run handles events, closes the window (HOW = close, exit or
// escape). `--child-run MODEL`: opens MODEL and runs it. Message boxes are
// written to standard output instead of being shown.
int ChildMain(kavrel::CKavApp& app, const QStringList& args) {
  if (args[1] == QLatin1String("--child-exit")) {
    // The program as kavrel-gui runs it, left through the Exit button.
    if (!app.InitInstance(QString())) return 5;
    QTimer::singleShot(200, &app, [&app] {
      QTest::mouseClick(app.MainWindow()->findChild<QPushButton*>(QStringLiteral("2")), Qt::LeftButton);
    });
    const int status = app.exec();
    std::printf("event loop ended with %d\n", status);
    return status;
  }
  CModelDat model;
  CKavDlg dlg(model);
  dlg.showMessageBox = [](QWidget*, const QString& text) {
    std::printf("message: %s\n", qPrintable(text));
    std::fflush(stdout);
  };
  dlg.show();
  if (!QTest::qWaitForWindowExposed(&dlg)) return 4;
  const QString modelPath = args.last();
  if (!dlg.OpenInputFile(modelPath)) return 2;
  if (args[1] == QLatin1String("--child-close")) {
    const QString how = args[2];
    QTimer::singleShot(0, &dlg, [&dlg, how] {
      if (how == QLatin1String("exit")) {
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("2")), Qt::LeftButton);
      } else if (how == QLatin1String("escape")) {
        QTest::keyClick(&dlg, Qt::Key_Escape);
      } else {
        dlg.close();
      }
    });
  }
  std::puts("run started");
  std::fflush(stdout);
  dlg.OnRun();
  std::puts("run returned");
  std::fflush(stdout);
  return 3;
}

}  // namespace

class RunTest : public QObject {
  Q_OBJECT

 private slots:
  void numbersStayInCConventions() {
    if (!g_decimalCommaLocale) {
      QSKIP(qPrintable(QStringLiteral("no decimal-comma locale available:") + g_localeNote));
    }
    // The desktop's language is kept for everything but numbers.
    QCOMPARE(QByteArray(std::setlocale(LC_NUMERIC, nullptr)), QByteArray("C"));
    QCOMPARE(QByteArray(std::setlocale(LC_MONETARY, nullptr)), QByteArray(kDecimalCommaLocale));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%15.9f", 0.5);
    QCOMPARE(QByteArray(buffer), QByteArray("    0.500000000"));
    Window w;
    w.dlg.ShowIteration(1200, 0.001f);
    QCOMPARE(w.Text("1006"), QStringLiteral("    0.001000000"));
  }

  void timeMaskingHidesSecondsOnly() {
    QCOMPARE(MaskTimes("Step 1, Seam 1, Level 3 - SOR took 185 iterations 12 secs to converge \n"),
             QByteArray("Step 1, Seam 1, Level 3 - SOR took 185 iterations # secs to converge \n"));
    QCOMPARE(MaskTimes("|    3    |      2  |     185 |       4 |       1 |       0 |       5 |"),
             QByteArray("|    3    |      2  |     185 | # | # | # | # |"));
    QCOMPARE(MaskTimes("                15        334         7         0         0         7  "),
             QByteArray("                15        334 # # # #"));
    QVERIFY(MaskTimes("|    3    |      2  |     185 |") != MaskTimes("|    3    |      2  |     186 |"));
  }

  void wholeRunMatchesTheConsole_data() {
    QTest::addColumn<QString>("model");
    QTest::newRow("one seam") << QStringLiteral("panel");
    QTest::newRow("two seams, surface effects") << QStringLiteral("two_seam");
  }

  void wholeRunMatchesTheConsole() {
    QFETCH(QString, model);
    const QString dir = FreshDir(QStringLiteral("whole_run_") + model);
    const QString input = CopyExample(dir, qPrintable(model + QStringLiteral(".inp")));
    QVERIFY(!input.isEmpty());

    Window w;
    QVERIFY(w.dlg.OpenInputFile(input));

    // At the first events the run handles, a second Open or Run is impossible.
    bool probed = false, runEnabled = true, openEnabled = true;
    QTimer::singleShot(0, &w.dlg, [&] {
      probed = true;
      runEnabled = w.RunButton()->isEnabled();
      openEnabled = w.OpenAction()->isEnabled();
      w.dlg.OnRun();       // ignored while running
      w.dlg.OnFileOpen();  // likewise
    });
    w.dlg.OnRun();
    QVERIFY(probed);
    QVERIFY(!runEnabled);
    QVERIFY(!openEnabled);

    QCOMPARE(w.Text("1000"), QStringLiteral("Finished"));
    QVERIFY(!w.dlg.findChild<QGroupBox*>(QStringLiteral("1012"))->isEnabled());
    QVERIFY(w.RunButton()->isEnabled());
    QVERIFY(w.OpenAction()->isEnabled());
    QCOMPARE(w.messages, QStringList{QStringLiteral("The Input File was Successfully Read")});
    QVERIFY(w.endStatuses.isEmpty());
    QVERIFY(w.dlg.RunStartTime() > 0);
    QCOMPARE(w.Text("1001"), QString::number(w.model.stepCount));
    QVERIFY(!w.Text("1006").contains(QLatin1Char(',')));

    // Keep the window's files, then let the console write its own in place.
    const QStringList produced = QDir(dir).entryList(QDir::Files);
    QVERIFY(produced.contains(model + QStringLiteral(".out")));
    QVERIFY(produced.contains(model + QStringLiteral(".f1")));
    QDir().mkpath(dir + "/gui");
    for (const QString& name : produced) {
      if (!name.endsWith(QLatin1String(".inp"))) QVERIFY(QFile::rename(dir + "/" + name, dir + "/gui/" + name));
    }
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(KAVREL_CLI), {QStringLiteral("run"), input});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
    QStringList cliFiles = QDir(dir).entryList(QDir::Files);
    const QStringList guiFiles = QDir(dir + "/gui").entryList(QDir::Files);
    cliFiles.removeAll(model + QStringLiteral(".inp"));
    QCOMPARE(guiFiles, cliFiles);
    for (const QString& name : guiFiles) {
      const QByteArray gui = MaskTimes(ReadAll(dir + "/gui/" + name));
      QVERIFY2(!gui.isEmpty(), qPrintable(name));
      QVERIFY2(gui == MaskTimes(ReadAll(dir + "/" + name)), qPrintable(name + QStringLiteral(" differs")));
    }
  }

  void secondRunReadsTheInputAgain() {
    const QString dir = FreshDir(QStringLiteral("second_run"));
    const QString input = CopyExample(dir, "panel.inp");
    Window w;
    QVERIFY(w.dlg.OpenInputFile(input));
    w.dlg.OnRun();
    QCOMPARE(w.Text("1000"), QStringLiteral("Finished"));
    const QByteArray firstResults = ReadAll(dir + "/panel.f1");
    QVERIFY(!firstResults.isEmpty());
    QVERIFY(QFile::remove(dir + "/panel.f1"));

    // The run released the input's code cube; Run reads the input again and
    // appends a second run to the same log, with the same results.
    QVERIFY(w.RunButton()->isEnabled());
    w.dlg.OnRun();
    QCOMPARE(w.Text("1000"), QStringLiteral("Finished"));
    QCOMPARE(MaskTimes(ReadAll(dir + "/panel.f1")), MaskTimes(firstResults));
    const QByteArray log = ReadAll(dir + "/panel.out");
    QCOMPARE(log.count("Total program running time was"), 2);
    // The last elapsed-time report of the run is on screen when it ends.
    const QRegularExpression total(QStringLiteral("Total program running time was (\\d+) secs\n\n$"));
    const QRegularExpressionMatch last = total.match(QString::fromLatin1(log));
    QVERIFY(last.hasMatch());
    QCOMPARE(w.Text("1009"), last.captured(1));
    QCOMPARE(w.messages, QStringList{QStringLiteral("The Input File was Successfully Read")});
    QVERIFY(w.endStatuses.isEmpty());
  }

  void modelNamedOnTheCommandLineOpensAtStart() {
    const QString dir = FreshDir(QStringLiteral("command_line"));
    const QString input = CopyExample(dir, "panel.inp");
    auto* app = static_cast<kavrel::CKavApp*>(qApp);
    app->setQuitOnLastWindowClosed(false);
    QString shown;
    WhenModalAppears([&shown](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      shown = box->text();
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    QVERIFY(app->InitInstance(input));
    CKavDlg* dlg = app->MainWindow();
    QVERIFY(dlg->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(dlg->windowTitle(), QStringLiteral("Kavrel - ") + input, 10000);
    QCOMPARE(shown, QStringLiteral("The Input File was Successfully Read"));
    QCOMPARE(dlg->findChild<QLineEdit*>(QStringLiteral("1000"))->text(),
             QStringLiteral("Waiting for Run"));
    QVERIFY(dlg->findChild<QPushButton*>(QStringLiteral("1019"))->isEnabled());
    dlg->hide();
  }

  void closingTheWindowDuringARunEndsWithStatusZero_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("close box") << QStringLiteral("close");
    QTest::newRow("Exit button") << QStringLiteral("exit");
    QTest::newRow("Escape key") << QStringLiteral("escape");
  }

  void closingTheWindowDuringARunEndsWithStatusZero() {
    QFETCH(QString, how);
    const QString dir = FreshDir(QStringLiteral("close_") + how);
    const QString input = CopyExample(dir, "panel.inp");
    QProcess* child = StartChild({QStringLiteral("--child-close"), how, input});
    QVERIFY(child->waitForFinished(60000));
    const QByteArray out = child->readAllStandardOutput();
    QCOMPARE(child->exitStatus(), QProcess::NormalExit);
    QCOMPARE(child->exitCode(), 0);
    QVERIFY2(out.contains("run started"), out.constData());
    QVERIFY2(!out.contains("run returned"), out.constData());
    // Ended before the first step: the log holds the echo only, no results.
    const QByteArray log = ReadAll(dir + "/panel.out");
    QVERIFY(!log.isEmpty());
    QVERIFY(!log.contains("Entering SOR"));
    QVERIFY(!log.contains("Total program running time"));
    QVERIFY(!QFile::exists(dir + "/panel.f1"));
  }

  void exitButtonEndsTheProgram() {
    QProcess* child = StartChild({QStringLiteral("--child-exit")});
    QVERIFY(child->waitForFinished(30000));
    QCOMPARE(child->exitStatus(), QProcess::NormalExit);
    QCOMPARE(child->exitCode(), 0);
    QVERIFY(child->readAllStandardOutput().contains("event loop ended with 0"));
  }

  void fatalErrorDuringARunEndsWithItsExitCode() {
    // One SOR sweep allowed: the first solve stops the run with SOR1, status 1.
    const QString dir = FreshDir(QStringLiteral("fatal"));
    const QString input = CopyExample(dir, "panel.inp");
    QByteArray text = ReadAll(input);
    QVERIFY(text.contains("\n1.7,0.001,2000,"));
    text.replace("\n1.7,0.001,2000,", "\n1.7,0.001,1,");
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    QProcess* child = StartChild({QStringLiteral("--child-run"), input});
    QVERIFY(child->waitForFinished(60000));
    const QByteArray out = child->readAllStandardOutput();
    QCOMPARE(child->exitStatus(), QProcess::NormalExit);
    QCOMPARE(child->exitCode(), 1);
    QVERIFY2(out.contains("message: Maximum Number of Iterations Reached - SOR1\n"), out.constData());
    QVERIFY2(!out.contains("run returned"), out.constData());
  }

  void programCommandLine() {
    QProcess* version = StartChild({QStringLiteral("--version")}, QStringLiteral(KAVREL_GUI_BIN));
    QVERIFY(version->waitForFinished(30000));
    QCOMPARE(version->exitCode(), 0);
    QVERIFY(version->readAllStandardOutput().startsWith("kavrel-gui "));
    QProcess* twoFiles = StartChild({QStringLiteral("a.inp"), QStringLiteral("b.inp")},
                                    QStringLiteral(KAVREL_GUI_BIN));
    QVERIFY(twoFiles->waitForFinished(30000));
    QCOMPARE(twoFiles->exitCode(), 64);
    QVERIFY(twoFiles->readAllStandardError().contains("usage: kavrel-gui"));
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const bool child = argc > 1 && std::strncmp(argv[1], "--child-", 8) == 0;
  if (!child) g_decimalCommaLocale = UseDecimalCommaLocale();
  kavrel::CKavApp app(argc, argv);
  if (child) return ChildMain(app, app.arguments());
  RunTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "kav_run_test.moc"
