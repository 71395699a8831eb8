#pragma once
// Changes that belong together (a winner's record and its journal row) saved together or not at all.
namespace ld {

class Connection;

class Transaction {
 public:
  // Connects when needed and begins at once with the right to write (BEGIN IMMEDIATE), so a program that
  // holds the file shows here, after the connection's busy timeout, before anything is changed.
  // Throws DbError.
  explicit Transaction(Connection& connection);
  // Rolls back unless committed.
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // Throws DbError when the engine cannot save; the changes are then rolled back when this ends.
  void commit();
  bool active() const { return active_; }

 private:
  Connection& connection_;
  bool active_ = false;
};

}  // namespace ld
