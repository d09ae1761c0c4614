// kavrel-gui: the Kavrel window.
#include "shell/gui/kav_app.h"

int main(int argc, char** argv) {
  kavrel::CKavApp app(argc, argv);
  return app.Run();
}
