// The About box and the program's icon, drawn in code (strata over a seam
// with a mined-out room) so that no image file has to travel with the
// program.
#include "shell/gui/about_dlg.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "shell/gui/dialog_units.h"

#ifndef KAVREL_VERSION
#error "KAVREL_VERSION must be defined by the build"
#endif

namespace kavrel {

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const double u = size / 32.0;
  auto band = [&](double top, double height, QColor colour) {
    painter.fillRect(QRectF(2 * u, top * u, 28 * u, height * u), colour);
  };
  band(2, 6, QColor(0xc8, 0xb0, 0x86));   // sandstone
  band(8, 6, QColor(0x9a, 0x8c, 0x78));   // shale
  band(14, 6, QColor(0xb5, 0x9a, 0x6e));  // siltstone
  band(20, 6, QColor(0x20, 0x20, 0x24));  // coal seam
  band(26, 4, QColor(0x7d, 0x72, 0x66));  // floor
  // A mined-out room in the seam, and the roof sagging into it.
  painter.fillRect(QRectF(12 * u, 21 * u, 8 * u, 4 * u), QColor(0xf0, 0xf0, 0xf0));
  painter.setPen(QPen(QColor(0xc0, 0x20, 0x20), 1.5 * u));
  painter.drawLine(QPointF(12 * u, 20 * u), QPointF(16 * u, 22 * u));
  painter.drawLine(QPointF(16 * u, 22 * u), QPointF(20 * u, 20 * u));
  painter.setPen(QPen(Qt::black, u));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(2 * u, 2 * u, 28 * u, 28 * u));
  return pixmap;
}

}  // namespace

QIcon KavrelIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addPixmap(DrawIcon(size));
  return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CAboutDlg"));
  setWindowTitle(QStringLiteral("About Kav"));
  setModal(true);
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  setFont(font);
  setFixedSize(DialogRectToPixels(0, 0, 235, 55, kAboutDialogUnits).size());

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("icon"));
  icon->setPixmap(KavrelIcon().pixmap(32, 32));
  const QRect iconPos = DialogRectToPixels(11, 17, 0, 0, kAboutDialogUnits);
  icon->setGeometry(iconPos.x(), iconPos.y(), 32, 32);

  auto* text = new QLabel(QStringLiteral("Kavrel Version " KAVREL_VERSION), this);
  text->setObjectName(QStringLiteral("version"));
  text->setGeometry(DialogRectToPixels(40, 10, 119, 8, kAboutDialogUnits));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setGeometry(DialogRectToPixels(178, 7, 50, 14, kAboutDialogUnits));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kavrel
