// CAboutDlg, the modal About box (icon, version text, OK), and the
// application icon that the window, the taskbar and the About box show.
#pragma once

#include <QDialog>
#include <QIcon>

namespace kavrel {

// The program's icon, drawn in code: three rock strata over a dark coal seam
// with one mined-out opening.
QIcon KavrelIcon();

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace kavrel
