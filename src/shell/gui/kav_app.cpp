// The application object of kavrel-gui: command line options, the C numeric
// locale, and the one model and window of the process.
#include "shell/gui/kav_app.h"

#include <QMessageBox>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <new>

#include "model/model_dat.h"
#include "shell/gui/kav_dlg.h"

namespace kavrel {

namespace {

constexpr const char* kUsage =
    "usage: kavrel-gui [MODEL.inp]\n"
    "Opens the Kavrel window; with MODEL.inp the file is opened at start as File > Open would.\n";

}  // namespace

CKavApp::CKavApp(int& argc, char** argv) : QApplication(argc, argv) {
  std::setlocale(LC_NUMERIC, "C");
  setApplicationName(QStringLiteral("Kavrel"));
  setApplicationVersion(QStringLiteral(KAVREL_VERSION));
}

// The window goes first (members are destroyed in reverse order), as it
// reports into the model.
CKavApp::~CKavApp() = default;

bool CKavApp::InitInstance(const QString& inputFile) {
  model_ = std::make_unique<CModelDat>();
  try {
    window_ = std::make_unique<CKavDlg>(*model_);
  } catch (const std::bad_alloc&) {
    QMessageBox::warning(nullptr, QStringLiteral("Kavrel"),
                         QStringLiteral("Error Creating Dialog Box Object"));
    return false;
  }
  window_->show();
  if (!inputFile.isEmpty()) {
    QTimer::singleShot(0, window_.get(), [this, inputFile] { window_->OpenInputFile(inputFile); });
  }
  return true;
}

int CKavApp::Run() {
  QStringList args = arguments();
  args.removeFirst();
  QString inputFile;
  for (const QString& arg : args) {
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == QLatin1String("--version")) {
      std::printf("kavrel-gui %s\n", KAVREL_VERSION);
      return 0;
    }
    if (arg.startsWith(QLatin1Char('-')) || !inputFile.isEmpty()) {
      std::fputs(kUsage, stderr);
      return 64;
    }
    inputFile = arg;
  }
  if (!InitInstance(inputFile)) return 1;
  return exec();
}

}  // namespace kavrel
