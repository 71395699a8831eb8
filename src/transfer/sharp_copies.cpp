#include "transfer/sharp_copies.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <utility>

#include "framework/scratch_files.h"
#include "settings/photo_file.h"

namespace ld {

namespace {

bool present(const QString& file) {
  const QFileInfo info(file);
  return info.exists() || info.isSymLink();
}

}  // namespace

SharpCopies::~SharpCopies() { rollback(); }

QString SharpCopies::copyOf(const QString& zpFile) const {
  return zpFile.isEmpty() ? QString() : sharpFolder() + QFileInfo(zpFile).fileName();
}

void SharpCopies::move(const QString& from, const QString& to) {
  const QString source = copyOf(from), target = copyOf(to);
  if (!source.isEmpty() && !target.isEmpty() && source != target) moves_.push_back({source, target, {}});
}

void SharpCopies::placeMoves() {
  for (Move& m : moves_) {
    const QFileInfo info(m.from);
    if (!info.isFile() || info.isSymLink()) continue;
    const QString aside = scratchName(sharpFolder(), scratch::kPhotoNew);
    if (::link(QFile::encodeName(m.from).constData(), QFile::encodeName(aside).constData()) == 0 ||
        QFile::copy(m.from, aside))
      m.aside = aside;
    else
      qWarning("sharper photo %s not moved", qUtf8Printable(m.from));
  }
  for (Move& m : moves_) {
    if (m.aside.isEmpty()) {
      stale_ << m.to;  // the new name's photo has no copy: nor may its name keep one
      continue;
    }
    placeAt(std::exchange(m.aside, QString()), m.to);
  }
  moves_.clear();
}

void SharpCopies::place(const QString& ready, const QString& to) {
  const QString target = copyOf(to);
  if (target.isEmpty()) {
    if (!ready.isEmpty()) QFile::remove(ready);
  } else if (ready.isEmpty()) {
    stale_ << target;
  } else {
    placeAt(ready, target);
  }
}

void SharpCopies::placeAt(const QString& ready, const QString& target) {
  placed_.emplace_back(target, scratch::kPhotoOld);
  if (const auto failure = placed_.back().place(ready)) {
    qWarning("sharper photo %s not placed: %s", qUtf8Printable(target), qUtf8Printable(failure->why));
    placed_.pop_back();
    QFile::remove(ready);
    stale_ << target;
  }
}

void SharpCopies::drop(const QString& file) {
  if (const QString copy = copyOf(file); !copy.isEmpty()) stale_ << copy;
}

void SharpCopies::rollback() {
  for (auto it = placed_.rbegin(); it != placed_.rend(); ++it) it->rollback();
  placed_.clear();
  for (const Move& m : moves_)
    if (!m.aside.isEmpty()) QFile::remove(m.aside);
  moves_.clear();
  stale_.clear();
}

void SharpCopies::commit() {
  QSet<QString> kept;
  for (FilePlacement& p : placed_) {
    p.commit();
    kept.insert(p.target());
  }
  for (const QString& copy : stale_)
    if (!kept.contains(copy) && present(copy)) removePhotoFile(copy);
  placed_.clear();
  stale_.clear();
  syncFolder(sharpFolder());
}

}  // namespace ld
