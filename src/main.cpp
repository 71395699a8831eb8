#include <QList>
#include <QPointer>

#include "data/datamodule.h"
#include "draw/veltrax_form.h"
#include "framework/application.h"

int main(int argc, char* argv[]) {
  ld::Application app(argc, argv);
  // Its creation reports a connection failure itself; the program starts all the same.
  ld::TDataModule1 dataModule;

  int result = 0;
  {
    TVELTRAXForm form;
    // The draw window is the main window: closing it ends the program, whatever else is still open.
    QObject::connect(&form, &TVELTRAXForm::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    form.show();
    result = app.exec();

    // The settings and fireworks windows belong to the application and go with it.
    QList<QPointer<QWidget>> others;
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window != &form && !window->parentWidget()) others << window;
    for (const QPointer<QWidget>& window : others) delete window.data();
  }
  return result;
}
