#pragma once
// Sealing an event before its draw, taking the public entropy after the seal, breaking a seal, and the
// sealed pick a stop makes. Each change is one transaction with its journal row.
#include <QString>
#include <vector>

#include "framework/errors.h"

namespace ld {

class Query;
struct SealState;

// The event no longer is what was sealed: the stop cannot be the sealed pick.
class SealNoLongerHolds : public Error {
 public:
  using Error::Error;
};

// Seals the event as it stands with a new secret; returns the seal (64 hex digits). Throws Error while a
// seal holds or anybody has a result.
QString sealEvent(Query& query);
// Throws Error unless a seal holds, no entropy was given and no stop came after the seal.
void giveEntropy(Query& query, const QString& text);
// Throws Error without a seal that holds or without a reason.
void breakSeal(Query& query, const QString& why);

// Inside the stop's transaction, for a seal that holds with its entropy given: the sealed press of `count`
// from `pool` (ascending ids), the counter written back. Throws SealNoLongerHolds when the roster, the plan
// or a check-in changed since the seal.
std::vector<int> sealedPick(Query& query, const SealState& state, const std::vector<int>& pool, size_t count);

}  // namespace ld
