#include <QWidget>

#include "data/datamodule.h"
#include "framework/application.h"

int main(int argc, char* argv[]) {
  ld::Application app(argc, argv);
  ld::TDataModule1 dataModule;
  QWidget VELTRAXForm;
  VELTRAXForm.setObjectName(QStringLiteral("VELTRAXForm"));
  VELTRAXForm.show();
  return app.exec();
}
