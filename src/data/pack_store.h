#pragma once
// What packing and unpacking an event read of it: the photo path of every participant, in roster order.
#include <QStringList>

namespace ld {

class Query;

class PackStore {
 public:
  explicit PackStore(Query& query) : q_(query) {}

  // One stored photo path per participant, in id order.
  QStringList photoPaths();

 private:
  Query& q_;
};

}  // namespace ld
