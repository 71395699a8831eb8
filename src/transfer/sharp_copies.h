#pragma once
// The sharper copies (zpgq/) following their photos through a roster import: placed with them before the
// commit, taken back with them after a failure. Best effort: a copy that cannot follow is dropped, and no
// name keeps a copy of a picture that is no longer its photo.
#include <QString>
#include <QStringList>
#include <vector>

#include "framework/file_safety.h"

namespace ld {

class SharpCopies {
 public:
  SharpCopies() = default;
  ~SharpCopies();  // rolls back what was not committed
  SharpCopies(const SharpCopies&) = delete;
  SharpCopies& operator=(const SharpCopies&) = delete;

  // The copy of the photo at zp file FROM is to go to the name of zp file TO.
  void move(const QString& from, const QString& to);
  // Carries out the moves: every copy is linked aside before any is placed, so two people swapping names
  // keep their own.
  void placeMoves();
  // READY (a scratch file in zpgq/, or empty for none) becomes the copy of the new photo at zp file TO.
  void place(const QString& ready, const QString& to);
  // The copy of zp file FILE goes once committed (its photo is gone).
  void drop(const QString& file);

  void rollback();
  // Keeps what was placed and removes the copies whose photos went or changed.
  void commit();

 private:
  QString copyOf(const QString& zpFile) const;
  void placeAt(const QString& ready, const QString& target);
  struct Move {
    QString from, to, aside;
  };
  std::vector<Move> moves_;
  std::vector<FilePlacement> placed_;
  QStringList stale_;  // copies to remove at the commit
};

}  // namespace ld
