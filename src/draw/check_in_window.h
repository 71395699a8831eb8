#pragma once
// The operator's check-in window: the phones' web server (which network, which port, on or off, and the
// links it serves), the count of people checked in, a check-in by hand for someone without a phone, and
// the refused check-ins (a second phone for someone already in) for the staff to look into.
#include <QHostAddress>
#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace ld {

class Query;
struct CheckInResult;
namespace web {
class CheckInSite;
}

// The addresses a server can listen on: every address a phone in the hall could reach, then all of them
// at once, then this computer only. Each with the text the list shows.
struct ListenChoice {
  QHostAddress address;
  QString text;
};
QList<ListenChoice> listenChoices();

class CheckInWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr quint16 kDefaultPort = 8080;

  CheckInWindow(web::CheckInSite& site, Query& query, QWidget* parent = nullptr);

  // Starts the server on the address and port chosen in the window; false, with the reason shown, when it
  // cannot.
  bool startServer();
  // Counts, refusals and the server's state read again.
  void refresh();
  // Asked before a check-in by hand; false calls it off.
  std::function<bool()> beforeChange;

 signals:
  // Someone was checked in here by hand.
  void checkedInByHand();

 private:
  void build();
  void toggleServer();
  void search();
  void checkInSelected();

  web::CheckInSite& site_;
  Query& query_;
  QComboBox* address_ = nullptr;
  QSpinBox* port_ = nullptr;
  QPushButton* serve_ = nullptr;
  QLabel* state_ = nullptr;
  QLabel* count_ = nullptr;
  QLineEdit* find_ = nullptr;
  QTreeWidget* found_ = nullptr;
  QPushButton* byHand_ = nullptr;
  QLabel* byHandResult_ = nullptr;
  QListWidget* refused_ = nullptr;
};

}  // namespace ld
