#include "draw/check_in_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "data/checkin_store.h"
#include "data/query.h"
#include "draw/draw_panel.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "web/checkin_site.h"
#include "web/listen_socket.h"

namespace ld {

namespace {

constexpr int IdRole = Qt::UserRole;

}  // namespace

QList<ListenChoice> listenChoices() {
  QList<ListenChoice> choices;
  for (const web::HallAddress& reachable : web::hallAddresses())
    choices.push_back(
        {reachable.ip, QStringLiteral("%1（%2）").arg(reachable.ip.toString(), reachable.interfaceName)});
  choices.push_back({QHostAddress(QHostAddress::AnyIPv4), Tr::tr("所有网络（0.0.0.0）")});
  choices.push_back({QHostAddress(QHostAddress::LocalHost), Tr::tr("仅本机（127.0.0.1）")});
  return choices;
}

CheckInWindow::CheckInWindow(web::CheckInSite& site, Query& query, QWidget* parent)
    : QWidget(parent, Qt::Window), site_(site), query_(query) {
  setObjectName(QStringLiteral("Formqd"));
  setWindowTitle(Tr::tr("手机签到"));
  build();
  connect(&site_, &web::CheckInSite::checkedIn, this, [this] { refresh(); });
  connect(&site_, &web::CheckInSite::checkInRefused, this, [this] { refresh(); });
  connect(&site_, &web::CheckInSite::checkInUrlChanged, this, [this] { refresh(); });
  refresh();
}

void CheckInWindow::build() {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading(Tr::tr("手机签到的网页服务"), this));
  auto* form = new QFormLayout;
  address_ = new QComboBox(this);
  address_->setObjectName(QStringLiteral("webAddress"));
  for (const ListenChoice& choice : listenChoices())
    address_->addItem(choice.text, choice.address.toString());
  form->addRow(Tr::tr("网络："), address_);
  port_ = new QSpinBox(this);
  port_->setObjectName(QStringLiteral("webPort"));
  port_->setRange(1, 65535);
  port_->setValue(kDefaultPort);
  form->addRow(Tr::tr("端口："), port_);
  layout->addLayout(form);
  auto* serveRow = new QHBoxLayout;
  serve_ = new QPushButton(this);
  serve_->setObjectName(QStringLiteral("webServe"));
  connect(serve_, &QPushButton::clicked, this, &CheckInWindow::toggleServer);
  serveRow->addWidget(serve_);
  serveRow->addStretch();
  layout->addLayout(serveRow);
  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("webState"));
  state_->setWordWrap(true);
  state_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(state_);

  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("checkInCount"));
  QFont big = count_->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  count_->setFont(big);
  layout->addWidget(count_);

  layout->addWidget(heading(Tr::tr("手工签到（工号或姓名）"), this));
  auto* findRow = new QHBoxLayout;
  find_ = new QLineEdit(this);
  find_->setObjectName(QStringLiteral("checkInFind"));
  connect(find_, &QLineEdit::returnPressed, this, &CheckInWindow::search);
  auto* findButton = new QPushButton(Tr::tr("查找"), this);
  connect(findButton, &QPushButton::clicked, this, &CheckInWindow::search);
  findRow->addWidget(find_);
  findRow->addWidget(findButton);
  layout->addLayout(findRow);
  found_ = new QTreeWidget(this);
  found_->setObjectName(QStringLiteral("checkInFound"));
  found_->setHeaderLabels({Tr::tr("工号"), Tr::tr("部门"), Tr::tr("姓名"), Tr::tr("签到时间")});
  found_->setRootIsDecorated(false);
  found_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  connect(found_, &QTreeWidget::itemSelectionChanged, this, [this] {
    const QTreeWidgetItem* item = found_->currentItem();
    byHand_->setEnabled(item && item->text(3).isEmpty());
  });
  layout->addWidget(found_, 2);
  auto* byHandRow = new QHBoxLayout;
  byHand_ = new QPushButton(Tr::tr("签到"), this);
  byHand_->setObjectName(QStringLiteral("checkInByHand"));
  byHand_->setEnabled(false);
  connect(byHand_, &QPushButton::clicked, this, &CheckInWindow::checkInSelected);
  byHandResult_ = new QLabel(this);
  byHandResult_->setObjectName(QStringLiteral("checkInByHandResult"));
  byHandRow->addWidget(byHand_);
  byHandRow->addWidget(byHandResult_, 1);
  layout->addLayout(byHandRow);

  layout->addWidget(heading(Tr::tr("被拒绝的签到（已从另一部手机签到）"), this));
  refused_ = new QListWidget(this);
  refused_->setObjectName(QStringLiteral("checkInRefused"));
  layout->addWidget(refused_, 1);
  resize(520, 640);
}

bool CheckInWindow::startServer() {
  const QHostAddress address(address_->currentData().toString());
  const QString failure = site_.start(address, quint16(port_->value()));
  refresh();
  if (!failure.isEmpty()) state_->setText(failure);
  return failure.isEmpty();
}

void CheckInWindow::toggleServer() {
  if (site_.running()) {
    site_.stop();
    refresh();
  } else {
    startServer();
  }
}

void CheckInWindow::refresh() {
  const bool on = site_.running();
  serve_->setText(on ? Tr::tr("停止") : Tr::tr("开启"));
  address_->setEnabled(!on);
  port_->setEnabled(!on);
  if (on) port_->setValue(site_.port());
  state_->setText(on ? Tr::tr("运行中。签到（舞台上的二维码，每分钟更换）：%1\n中奖名单：%2")
                           .arg(site_.checkInUrl().toString(), site_.winnersUrl().toString())
                     : Tr::tr("未开启。手机需与本机在同一网络（见说明）。"));
  silently("reading the check-in count", [&] {
    const CheckInCounts counts = CheckInStore(query_).counts();
    count_->setText(Tr::tr("已签到 %1 / %2").arg(counts.checkedIn).arg(counts.total));
  });
  silently("reading the refused check-ins", [&] {
    refused_->clear();
    for (const RefusedCheckIn& r : CheckInStore(query_).refused())
      refused_->addItem(
          QStringLiteral("%1  %2  %3  %4").arg(r.time.mid(11, 8), r.employeeId, r.department, r.name));
  });
}

void CheckInWindow::search() {
  found_->clear();
  byHand_->setEnabled(false);
  guarded([&] {
    for (const CheckInPerson& p : CheckInStore(query_).find(find_->text())) {
      auto* item = new QTreeWidgetItem(found_, {p.employeeId, p.department, p.name, p.checkedInAt});
      item->setData(0, IdRole, p.id);
    }
  });
}

void CheckInWindow::checkInSelected() {
  QTreeWidgetItem* item = found_->currentItem();
  if (!item || (beforeChange && !beforeChange())) return;
  guarded([&] {
    const CheckInResult r = CheckInStore(query_).checkInByHand(item->data(0, IdRole).toInt());
    if (r.outcome == CheckInOutcome::CheckedIn) {
      byHandResult_->setText(Tr::tr("%1 已签到").arg(r.name));
      item->setText(3, r.time);
      byHand_->setEnabled(false);
      emit checkedInByHand();
    } else if (r.outcome == CheckInOutcome::AlreadyCheckedIn) {
      byHandResult_->setText(Tr::tr("%1 此前已签到（%2）").arg(r.name, r.time));
    } else {
      byHandResult_->setText(Tr::tr("名单中已没有此人"));
    }
  });
  refresh();
}

}  // namespace ld
