// Program entry: the data module, then the main window, then the event loop.
#include <QApplication>

#include "app/startup.h"
#include "common/prompter.h"
#include "store/dmMain.h"
#include "ui/frmMain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(kairon::kAppTitle);
  QApplication::setApplicationDisplayName(kairon::kAppTitle);

  kairon::TDataModuleMain dataModuleMain;
  kairon::TformTMSTB formTMSTB(dataModuleMain);
  // A database that cannot be opened ends the program before the window shows.
  if (!formTMSTB.FormCreate(kairon::Startup::DatabasePathFor(QCoreApplication::applicationFilePath()))) return 1;
  formTMSTB.show();
  return app.exec();
}
