#pragma once
// The pictures built into the program, stored as Qt resources in the form-description format:
// a 4-byte little-endian length followed by a one-frame GIF file.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <array>

namespace ld::artwork {

enum class Builtin {
  Handset,
  PowerKey,
  DrawIcon,
  MessagesIcon,
  ClockIcon,
  TelephoneIcon,
  MusicIcon,
  Fireworks
};

inline constexpr std::array kAllBuiltins = {Builtin::Handset,      Builtin::PowerKey,  Builtin::DrawIcon,
                                            Builtin::MessagesIcon, Builtin::ClockIcon, Builtin::TelephoneIcon,
                                            Builtin::MusicIcon,    Builtin::Fireworks};

// "handset.dat" and so on: the generated file and the resource share the name. Inline, so the generator
// that makes the files names them without linking the pictures it has not made yet.
inline QString builtinFileName(Builtin picture) {
  switch (picture) {
    case Builtin::Handset:
      return QStringLiteral("handset.dat");
    case Builtin::PowerKey:
      return QStringLiteral("power.dat");
    case Builtin::DrawIcon:
      return QStringLiteral("draw.dat");
    case Builtin::MessagesIcon:
      return QStringLiteral("messages.dat");
    case Builtin::ClockIcon:
      return QStringLiteral("clock.dat");
    case Builtin::TelephoneIcon:
      return QStringLiteral("telephone.dat");
    case Builtin::MusicIcon:
      return QStringLiteral("music.dat");
    case Builtin::Fireworks:
      return QStringLiteral("fireworks.dat");
  }
  return {};
}

// Every picture of the handset (not the fireworks) is also drawn at this many times its size, as PNG with
// its transparency, so that a draw window shown larger than life stays sharp.
inline constexpr int kSharpScale = 2;
inline bool hasSharpVersion(Builtin picture) { return picture != Builtin::Fireworks; }
// "handset@2x.png" and so on.
inline QString sharpFileName(Builtin picture) {
  return builtinFileName(picture).chopped(4) + QStringLiteral("@%1x.png").arg(kSharpScale);
}

// The audience screen's background for an event that has chosen none: a 16:9 JPEG, generated like the rest.
inline const QString kStageBackgroundFile = QStringLiteral("stage.jpg");
// Decoded; a missing resource is a build fault and throws ld::Error.
QImage stageBackground();

// ":/artwork/handset.dat" and so on.
QString builtinPath(Builtin picture);

// The stored bytes. A missing resource is a build fault and throws ld::Error.
QByteArray builtinFormData(Builtin picture);

// The picture at kSharpScale times its size, see-through where the picture is; null for the fireworks.
// A missing resource is a build fault and throws ld::Error.
QImage sharpPicture(Builtin picture);

}  // namespace ld::artwork
