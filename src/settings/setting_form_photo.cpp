// Photo import into the settings window's photo box.
#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "settings/photo_file.h"
#include "settings/photo_import.h"
#include "settings/setting_form.h"

namespace ld {

void TsettingForm::Button1Click() {
  const QString file = dialogs().openFile(QStringLiteral("JEPG图像文件(*.jpg)"));
  if (file.isEmpty()) return;
  CompressMainFun(file, 100, 480, 360);
  Imagezp->loadFromFile(appPath(QStringLiteral("zp\\temp.jpg")));
}

bool TsettingForm::CompressMainFun(const QString& fileName, int quality, int width, int height) {
  // The source is read completely before temp.jpg is replaced, so temp.jpg itself can be imported.
  const QByteArray jpeg = convertPhoto(fileName, quality, QSize(width, height));
  writeFileAtomically(appPath(QStringLiteral("zp\\temp.jpg")), jpeg);
  return true;
}

}  // namespace ld
