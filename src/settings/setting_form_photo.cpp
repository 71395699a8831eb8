// Photo import into the settings window's photo box.
#include <QFileInfo>

#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "framework/text.h"
#include "settings/photo_file.h"
#include "settings/photo_import.h"
#include "settings/setting_form.h"

using namespace ld;

void TsettingForm::Button1Click() {
  const QString file = dialogs().openFile(
      // The file dialog matches these without regard to letter case ("IMG_0001.JPG" is listed).
      ld::Tr::tr("图片文件(*.jpg *.jpeg *.png *.bmp)"), lastPhotoFolder());
  if (file.isEmpty()) return;
  CompressMainFun(file, 100, 480, 360);
  Imagezp->loadFromFile(appPath(QStringLiteral("zp\\temp.jpg")));
  rememberPhotoFolder(QFileInfo(file).absolutePath());
}

QString TsettingForm::lastPhotoFolder() {
  QString folder;
  try {
    folder = eventInfo_.photoFolder();
  } catch (const std::exception& e) {
    qWarning("last photo folder not read: %s", e.what());
    return {};
  }
  // A folder gone since (a memory stick taken out) opens where the dialog opens by itself.
  return QFileInfo(folder).isDir() ? folder : QString();
}

void TsettingForm::rememberPhotoFolder(const QString& folder) {
  try {
    eventInfo_.savePhotoFolder(folder);
  } catch (const std::exception& e) {
    // Only a convenience: the import itself has succeeded.
    qWarning("photo folder %s not remembered: %s", qUtf8Printable(folder), e.what());
  }
}

bool TsettingForm::CompressMainFun(const QString& fileName, int quality, int width, int height) {
  // The source is read completely before temp.jpg is replaced, so temp.jpg itself can be imported.
  const PhotoPair pair = convertPhotoPair(fileName, quality, QSize(width, height));
  writeFileAtomically(appPath(QStringLiteral("zp\\temp.jpg")), pair.photo);
  // Held here until an add or update writes it beside the photo: only those write into zpgq/.
  keepSharpCopy(pair.sharp, pair.photo);
  return true;
}

QByteArray TsettingForm::sharpCopyOfBox() const {
  return !sharp_.isEmpty() && Imagezp->jpegData() == sharpOf_ ? sharp_ : QByteArray();
}

void TsettingForm::keepSharpCopy(const QByteArray& sharp, const QByteArray& of) {
  sharp_ = sharp;
  sharpOf_ = sharp.isEmpty() ? QByteArray() : of;
}
