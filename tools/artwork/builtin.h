#pragma once
// The pictures built into the program, stored as Qt resources in the form-description format:
// a 4-byte little-endian length followed by a one-frame GIF file.
#include <QByteArray>
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

// "handset.dat" and so on: the generated file and the resource share the name.
QString builtinFileName(Builtin picture);

// ":/artwork/handset.dat" and so on.
QString builtinPath(Builtin picture);

// The stored bytes. A missing resource is a build fault and throws ld::Error.
QByteArray builtinFormData(Builtin picture);

}  // namespace ld::artwork
