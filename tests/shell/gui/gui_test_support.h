// Shared pieces of the window tests: scratch folders, a model with its window
// whose file dialog, message boxes and process end are replaced by recorders,
// and a hook that inspects the next modal dialog.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "model/model_dat.h"
#include "shell/gui/kav_dlg.h"

namespace kavrel::gui_testing {

// A fresh, empty folder KAVREL_BINARY_DIR/test-tmp/<area>/<name>, as an
// absolute path.
inline QString FreshDir(const QString& area, const QString& name) {
  const QString path = QStringLiteral(KAVREL_BINARY_DIR "/test-tmp/") + area + "/" + name;
  QDir(path).removeRecursively();
  QDir().mkpath(path);
  return QFileInfo(path).absoluteFilePath();
}

// Calls `inspect` with the first modal widget that appears, once; polls so
// that it also works for dialogs opened later. A dialog that `inspect` left
// open is closed, so that a failed check cannot leave the test waiting.
inline void WhenModalAppears(std::function<void(QWidget*)> inspect) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, inspect] {
    QWidget* found = QApplication::activeModalWidget();
    if (!found) return;
    timer->stop();
    timer->deleteLater();
    const QPointer<QWidget> modal(found);
    inspect(modal);
    if (modal && modal->isVisible()) modal->close();
  });
  timer->start();
}

// A model and its window with the file dialog and the message boxes replaced:
// the messages are recorded, the "chosen" file is whatever the test says, and
// an end of the process is recorded instead of taking place.
struct Window {
  CModelDat model;
  CKavDlg dlg{model};
  QStringList messages;
  QString chosenFile;
  int chooserCalls = 0;
  QList<int> endStatuses;

  Window() {
    dlg.showMessageBox = [this](QWidget*, const QString& text) { messages << text; };
    dlg.chooseInputFile = [this](QWidget*) {
      ++chooserCalls;
      return chosenFile;
    };
    dlg.endProcess = [this](int status) { endStatuses << status; };
  }

  template <class T>
  T* Get(const char* id) {
    T* w = dlg.findChild<T*>(QString::fromLatin1(id));
    if (!w) qFatal("no control %s", id);
    return w;
  }
  QString Text(const char* id) { return Get<QLineEdit>(id)->text(); }
  bool RunEnabled() { return Get<QPushButton>("1019")->isEnabled(); }
  QString Phase() { return Text("1000"); }
  QPushButton* RunButton() { return Get<QPushButton>("1019"); }
  QAction* OpenAction() { return Get<QAction>("57601"); }
};

}  // namespace kavrel::gui_testing
