#include "draw/picture_loading.h"

#include <QFile>
#include <QFileInfo>

#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "widgets/gif_animator.h"
#include "widgets/gif_image.h"
#include "widgets/picture_box.h"

namespace ld {

void loadBuiltinPicture(TGIFAnimator& control, artwork::Builtin picture) {
  control.loadFromFormData(artwork::builtinFormData(picture));
}

void loadGifFile(TGIFAnimator& control, const QString& path) {
  // Decoded aside first, so a damaged file cannot leave the control without a picture.
  TGIFImage picture;
  picture.loadFromFile(path);
  if (picture.frameCount() == 0 || picture.screenWidth() < 1 || picture.screenHeight() < 1)
    throw Error(Tr::tr("图片 %1 没有可显示的内容").arg(path));
  control.setImage(picture);
}

void loadLogo(TImage& image) { image.loadFromFile(systemPicture(QStringLiteral("logo.jpg"))); }

void loadPhotoOrLogo(TImage& image, const QString& storedPath) {
  QString file;
  // A stored path that would leave the application folder counts as a missing photo.
  silently("mapping a stored photo path", [&] { file = appPath(storedPath); });
  if (!storedPath.isEmpty() && !file.isEmpty() && QFileInfo(file).isFile())
    image.loadFromFile(file);
  else
    loadLogo(image);
}

}  // namespace ld
