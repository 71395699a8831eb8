#include "settings/setting_form.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QVBoxLayout>

#include "data/datamodule.h"
#include "framework/app_folder.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"

using namespace ld;

namespace {

// The window is laid out for an outer size of 826 x 530 with a sizeable frame (4 pixels each side) and
// a 19-pixel title bar; the client area is what lies inside them.
constexpr QSize kOuterSize(826, 530);
constexpr int kClientWidth = 826 - 2 * 4;
constexpr int kClientHeight = 530 - 2 * 4 - 19;
constexpr int kStatusBarHeight = 19;

QFont songFont() {
  QFont f(QStringLiteral("宋体"));
  f.setPixelSize(13);
  return f;
}

template <class W>
W* place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

// Labels size themselves to their text, as the window's labels do.
QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QLatin1String(name));
  l->move(left, top);
  l->adjustSize();
  return l;
}

QLineEdit* edit(QWidget* parent, const char* name, int left, int top, int width, int height,
                bool border = true) {
  auto* e = place(new QLineEdit(parent), name, left, top, width, height);
  e->setFrame(border);
  return e;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
                    int height) {
  auto* b = place(new QPushButton(text, parent), name, left, top, width, height);
  b->setAutoDefault(false);
  return b;
}

// Offers every department holding what was typed, in any letter case, in a popup. The filtering is done
// here rather than by QCompleter: the combo box takes a case-blind completer as leave to replace
// "sales asia" with an item "Sales Asia" when it loses focus, and what is stored must be what was typed.
class DepartmentOffers : public QCompleter {
 public:
  DepartmentOffers(QAbstractItemModel* departments, QObject* parent)
      : QCompleter(parent), matching_(new QSortFilterProxyModel(this)) {
    matching_->setSourceModel(departments);
    matching_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    setModel(matching_);
    setCompletionMode(QCompleter::PopupCompletion);
    setCaseSensitivity(Qt::CaseSensitive);
  }

  QStringList splitPath(const QString& typed) const override {
    matching_->setFilterFixedString(typed);
    return {QString()};  // every row left matches
  }

 private:
  QSortFilterProxyModel* matching_;
};

QGroupBox* groupBox(QWidget* parent, const char* name, const QString& title, int left, int top, int width,
                    int height) {
  return place(new QGroupBox(title, parent), name, left, top, width, height);
}

}  // namespace

QPoint ld::settingFormPosition(QSize screen, QSize window) {
  // C++ integer division truncates toward zero, as the placement asks.
  return {(screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2 - 15};
}

TsettingForm::TsettingForm(TDataModule1& dataModule, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      query_(dataModule.ADOQuerysetting),
      roster_(dataModule.ADOQuerysetting),
      eventInfo_(dataModule.ADOQuerysetting),
      plans_(dataModule.ADOQuerysetting),
      gridQuery_(dataModule.ADOQuerysetting.connection()),
      gridRoster_(gridQuery_) {
  startProgram = [](const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
  };
  setObjectName(QStringLiteral("settingForm"));
  setWindowTitle(ld::Tr::tr("设置"));
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  setFont(font);
  resize(kClientWidth, kClientHeight);
  buildControls();
  Formwtwg = new QWidget(
      this, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  Formwtwg->setObjectName(QStringLiteral("Formwtwg"));
  Formwtwg->setWindowTitle(ld::Tr::tr("舞台外观"));
  GroupBoxwtwg = new ThemeGroup(dataModule.ADOQuerysetting, appFolder(), Formwtwg);
  (new QVBoxLayout(Formwtwg))->addWidget(GroupBoxwtwg);
  connectHandlers();
  guarded([this] { FormCreate(); });
}

TsettingForm::~TsettingForm() = default;

void TsettingForm::buildControls() {
  GroupBox1 = groupBox(this, "GroupBox1", ld::Tr::tr("基础设置"), 16, 8, 409, 121);
  Label1 = label(GroupBox1, "Label1", ld::Tr::tr("公司名称："), 8, 24);
  Editgsmc = edit(GroupBox1, "Editgsmc", 72, 20, 253, 18, false);
  Label3 = label(GroupBox1, "Label3", ld::Tr::tr("联系人员："), 8, 72);
  Editlxry = edit(GroupBox1, "Editlxry", 72, 68, 253, 18, false);
  Label12 = label(GroupBox1, "Label12", ld::Tr::tr("联系电话："), 8, 96);
  Editlxdh = edit(GroupBox1, "Editlxdh", 72, 92, 253, 18, false);
  // The free row between the company and the contact.
  Buttonsjqd = button(GroupBox1, "Buttonsjqd", ld::Tr::tr("手机签到…"), 72, 42, 121, 23);
  for (QLabel* l : {Label1, Label3, Label12}) {
    l->setFont(songFont());
    l->adjustSize();
  }
  Button2 = button(GroupBox1, "Button2", ld::Tr::tr("更新"), 336, 21, 65, 41);
  Buttonhyjcsz = button(GroupBox1, "Buttonhyjcsz", ld::Tr::tr("还原"), 336, 69, 65, 41);

  GroupBox2 = groupBox(this, "GroupBox2", ld::Tr::tr("奖项设置"), 440, 8, 361, 121);
  RadioButtonxz = place(new QRadioButton(ld::Tr::tr("限制"), GroupBox2), "RadioButtonxz", 16, 24, 49, 17);
  RadioButtonbx = place(new QRadioButton(ld::Tr::tr("不限"), GroupBox2), "RadioButtonbx", 16, 88, 57, 17);
  RadioButtonxz->setChecked(true);
  // Only a stored unlimited plan selects it; the operator cannot.
  RadioButtonbx->setEnabled(false);
  Label1dj = label(GroupBox2, "Label1dj", ld::Tr::tr("一等奖："), 67, 24);
  Edit1dj = edit(GroupBox2, "Edit1dj", 113, 21, 58, 18, false);
  Label2dj = label(GroupBox2, "Label2dj", ld::Tr::tr("二等奖："), 178, 24);
  Edit2dj = edit(GroupBox2, "Edit2dj", 224, 21, 58, 18, false);
  Label3dj = label(GroupBox2, "Label3dj", ld::Tr::tr("三等奖："), 67, 48);
  Edit3dj = edit(GroupBox2, "Edit3dj", 113, 45, 58, 18, false);
  Label4dj = label(GroupBox2, "Label4dj", ld::Tr::tr("幸运奖："), 178, 48);
  Edit4dj = edit(GroupBox2, "Edit4dj", 224, 45, 58, 18, false);
  Button6 = button(GroupBox2, "Button6", ld::Tr::tr("更新"), 290, 21, 65, 41);
  Buttonhyjxsz = button(GroupBox2, "Buttonhyjxsz", ld::Tr::tr("还原"), 290, 69, 65, 41);
  // The room under the quantities, beside "不限", is the group's only free place.
  Buttonjxgz = button(GroupBox2, "Buttonjxgz", ld::Tr::tr("奖项规则…"), 113, 76, 169, 25);

  GroupBox3 = groupBox(this, "GroupBox3", ld::Tr::tr("名单列表"), 8, 136, 785, 281);
  StringGridgy = place(new RosterGrid(GroupBox3), "StringGridgy", 2, 15, 403, 264);
  const int widths[] = {28, 79, 56, 131, 72, 0};
  for (int c = 0; c < 6; ++c) StringGridgy->setColumnWidth(c, widths[c]);
  StringGridgy->setColumnHidden(5, true);
  Label10 = label(GroupBox3, "Label10", ld::Tr::tr("部门："), 431, 20);
  ComboBoxbm = place(new QComboBox(GroupBox3), "ComboBoxbm", 466, 15, 140, 21);
  ComboBoxbm->setEditable(true);
  // The list shows what the database holds; typing a new department does not add to it.
  ComboBoxbm->setInsertPolicy(QComboBox::NoInsert);
  // Existing departments are offered in a popup and never written into the box unasked.
  ComboBoxbm->setCompleter(new DepartmentOffers(ComboBoxbm->model(), ComboBoxbm));
  Label9 = label(GroupBox3, "Label9", ld::Tr::tr("姓名："), 608, 16);
  Editxm = edit(GroupBox3, "Editxm", 649, 16, 121, 19);
  Label11 = label(GroupBox3, "Label11", ld::Tr::tr("照片："), 424, 48);
  Button1 = button(GroupBox3, "Button1", QStringLiteral("..."), 425, 65, 33, 17);
  Panel1 = place(new QFrame(GroupBox3), "Panel1", 466, 39, 303, 190);
  Panel1->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  Panel1->setAutoFillBackground(true);
  QPalette white = Panel1->palette();
  white.setColor(QPalette::Window, Qt::white);
  Panel1->setPalette(white);
  Imagezp = place(new TImage(Panel1), "Imagezp", 7, 7, 289, 176);
  Imagezp->setStretch(true);
  Label1zpsy = place(new QLabel(GroupBox3), "Label1zpsy", 414, 248, 104, 13);
  Labelid = place(new QLabel(GroupBox3), "Labelid", 408, 264, 102, 13);
  Label1zpsy->hide();
  Labelid->hide();
  Buttontjyg = button(GroupBox3, "Buttontjyg", ld::Tr::tr("添加员工"), 523, 240, 74, 31);
  Button3 = button(GroupBox3, "Button3", ld::Tr::tr("删除员工"), 603, 240, 74, 31);
  Button4 = button(GroupBox3, "Button4", ld::Tr::tr("更新员工"), 683, 240, 74, 30);
  Buttondrmd = button(GroupBox3, "Buttondrmd", ld::Tr::tr("导入名单…"), 431, 240, 84, 31);

  GroupBox4 = groupBox(this, "GroupBox4", ld::Tr::tr("清空历史"), 16, 424, 785, 49);
  Button5 = button(GroupBox4, "Button5", ld::Tr::tr("清空员工列表"), 24, 16, 121, 25);
  Button7 = button(GroupBox4, "Button7", ld::Tr::tr("清空中奖纪录"), 176, 16, 121, 25);
  Buttondczj = button(GroupBox4, "Buttondczj", ld::Tr::tr("导出中奖名单…"), 640, 16, 121, 25);
  // Beside the winners' export: the roster's own group has no free place without moving its controls.
  Buttondcmd = button(GroupBox4, "Buttondcmd", ld::Tr::tr("导出名单…"), 512, 16, 121, 25);
  Buttondcmd->setFont(songFont());
  // The free place between the clean-ups and the exports: it concerns the whole event, as they do.
  Buttoncp = button(GroupBox4, "Buttoncp", ld::Tr::tr("彩排…"), 305, 16, 96, 25);
  Buttoncp->setFont(songFont());
  Buttonwtwg = button(GroupBox4, "Buttonwtwg", ld::Tr::tr("舞台外观…"), 409, 16, 96, 25);
  Buttonwtwg->setFont(songFont());
  Button5->setFont(songFont());
  Button7->setFont(songFont());
  Buttondczj->setFont(songFont());

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  auto* version = new QLabel(ld::Tr::tr("版本号：20130129"), StatusBar1);
  StatusBar1->addWidget(version);
  StatusBar1->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);

  QWidget* order[] = {Editgsmc,      Editlxry,   Editlxdh,     Button2,    Buttonhyjcsz, RadioButtonbx,
                      RadioButtonxz, Edit1dj,    Edit2dj,      Edit3dj,    Edit4dj,      Button6,
                      Buttonhyjxsz,  Buttonjxgz, Editxm,       ComboBoxbm, Button1,      Buttontjyg,
                      Button3,       Button4,    StringGridgy, Button5,    Button7};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void TsettingForm::connectHandlers() {
  // Whatever a handler throws goes to the default error handler.
  const auto on = [this](auto* sender, auto signal, void (TsettingForm::*handler)()) {
    connect(sender, signal, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
  };
  // The same for a button that changes what a sealed draw fixed: the owner is asked first.
  const auto onChange = [this](auto* sender, auto signal, void (TsettingForm::*handler)()) {
    connect(sender, signal, this, [this, handler] {
      if (beforeChange && !beforeChange()) return;
      guarded([&] { (this->*handler)(); });
    });
  };
  on(Buttonhyjcsz, &QPushButton::clicked, &TsettingForm::ButtonhyjcszClick);
  onChange(Button2, &QPushButton::clicked, &TsettingForm::Button2Click);
  on(Buttonhyjxsz, &QPushButton::clicked, &TsettingForm::ButtonhyjxszClick);
  onChange(Button6, &QPushButton::clicked, &TsettingForm::Button6Click);
  on(Buttonjxgz, &QPushButton::clicked, &TsettingForm::ButtonjxgzClick);
  connect(Buttonsjqd, &QPushButton::clicked, this, &TsettingForm::checkInRequested);
  on(StringGridgy, &RosterGrid::rowChosen, &TsettingForm::StringGridgyClick);
  onChange(Buttontjyg, &QPushButton::clicked, &TsettingForm::ButtontjygClick);
  onChange(Button4, &QPushButton::clicked, &TsettingForm::Button4Click);
  onChange(Button3, &QPushButton::clicked, &TsettingForm::Button3Click);
  onChange(Button5, &QPushButton::clicked, &TsettingForm::Button5Click);
  onChange(Button7, &QPushButton::clicked, &TsettingForm::Button7Click);
  on(Button1, &QPushButton::clicked, &TsettingForm::Button1Click);
  connect(Buttondrmd, &QPushButton::clicked, this, [this] {
    if (!beforeChange || beforeChange()) emit rosterImportRequested();
  });
  connect(Buttondczj, &QPushButton::clicked, this, &TsettingForm::resultsExportRequested);
  connect(Buttondcmd, &QPushButton::clicked, this, &TsettingForm::rosterExportRequested);
  on(Buttoncp, &QPushButton::clicked, &TsettingForm::ButtoncpClick);
  on(Buttonwtwg, &QPushButton::clicked, &TsettingForm::ButtonwtwgClick);
  connect(GroupBoxwtwg, &ThemeGroup::saved, this, &TsettingForm::themeChanged);
  // Selection changes by the reload count as well, so the visibility rule always holds.
  connect(RadioButtonxz, &QRadioButton::toggled, this, [this](bool on) {
    if (on) guarded([this] { RadioButtonxzClick(); });
  });
  connect(RadioButtonbx, &QRadioButton::toggled, this, [this](bool on) {
    if (on) guarded([this] { RadioButtonbxClick(); });
  });
  StringGridgy->setCellPainter(
      [this](QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) {
        StringGridgyDrawCell(painter, index.column(), index.row() + 1, option.rect, option);
      });
}

void TsettingForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  StatusBar1->setGeometry(0, height() - kStatusBarHeight, width(), kStatusBarHeight);
}

void TsettingForm::FormCreate() {
  // The frame's corner goes where the outer size puts it.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(settingFormPosition(screen->geometry().size(), kOuterSize));
  ButtonhyjcszClick();
  ButtonhyjxszClick();
  showComboBoxbm();
  showStringGridgy();
}

void TsettingForm::ButtonhyjcszClick() {
  const EventInfo info = eventInfo_.eventInfo();
  // A missing row leaves its box as it is.
  if (info.companyName) Editgsmc->setText(*info.companyName);
  if (info.contactPerson) Editlxry->setText(*info.contactPerson);
  if (info.contactPhone) Editlxdh->setText(*info.contactPhone);
}

void TsettingForm::Button2Click() {
  eventInfo_.saveEventInfo(Editgsmc->text().trimmed(), Editlxry->text().trimmed(),
                           Editlxdh->text().trimmed());
  dialogs().info(ld::Tr::tr("更新完成"));
}

void TsettingForm::ButtoncpClick() {
  if (!dialogs().confirm(
          ld::Tr::tr("彩排在这个活动的副本上进行整场抽奖：抽奖窗口、声音和烟花都和正式抽奖一样，"
                     "但活动本身的名单、结果和照片都不会改变，彩排结束时副本即被删除。\n"
                     "现在开始彩排吗？")))
    return;
  const QString language =
      currentLanguage() == Language::English ? QStringLiteral("en") : QStringLiteral("zh");
  const QStringList arguments{QStringLiteral("--lang"), language, QStringLiteral("--rehearsal"),
                              QDir::cleanPath(appFolder())};
  if (!startProgram(QCoreApplication::applicationFilePath(), arguments))
    dialogs().info(ld::Tr::tr("无法启动彩排程序 %1").arg(QCoreApplication::applicationFilePath()));
}
