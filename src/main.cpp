#include <QObject>

#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "framework/application.h"

int main(int argc, char* argv[]) {
  ld::Application app(argc, argv);
  // A connection failure is reported as the data module is made; the program starts all the same.
  ld::LuckyDraw program;
  TVELTRAXForm& form = program.drawWindow();
  // The draw window is the main window: closing it ends the program, whatever else is still open.
  QObject::connect(&form, &TVELTRAXForm::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  form.show();
  return app.exec();
}
