// Form1's layout: every control at its designed place (twips), with its
// caption, default, range, tab index, colours and font.
#include "ui/form1.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/services.h"
#include "ui/app_icon.h"
#include "ui/units.h"

namespace ui {
namespace {

const QColor kBackground(217, 215, 232);

// Headings' rules: from the start x to x 11160, at the heading's top (twips).
struct Rule {
    int x0, y;
};
constexpr Rule kRules[] = {{8160, 240}, {8160, 1920}, {8640, 4800}, {8880, 6840}, {8160, 7680}};
constexpr int kRuleEnd = 11160;

}  // namespace

template <class W>
W* Form1::place(const char* name, W* widget, int left, int top, int width, int height, int tabIndex)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(ui::twipsToPixels(left, top, width, height, dpi_));
    tabOrder_.emplace_back(tabIndex, widget);
    return widget;
}

Form1::Form1(d3d::GraphicsRuntime& runtime, QWidget* parent)
    : QWidget(parent), dpi_(ui::logicalDpi()), module_(runtime), scene_(*this, module_)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvane"));
    setWindowIcon(appIcon());
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    pal.setColor(QPalette::Button, kBackground);
    setPalette(pal);
    setAutoFillBackground(true);

    setFixedSize(ui::twipsToPixels(kClientWidthTwips, dpi_), ui::twipsToPixels(kClientHeightTwips, dpi_));

    setAcceptDrops(true);
    platform::setMainWindow(this);
    buildControls();
    applyTabOrder();
    connectHandlers();
    Form_Load();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    using ui::CheckBox;
    using ui::Label;
    using ui::ScrollBar;

    // Render panel.
    picture1_ = place("Picture1", new ui::Panel(this), 0, 0, 7575, 7485, 1);

    // Model choice.
    Label2_ =
        place("Label2", new Label(QStringLiteral("X ファイル名 直接入力"), this), 240, 7560, 1740, 180, 14);
    Text1_ = place("Text1", new QLineEdit(QStringLiteral("X-File\\vorkan.x"), this), 120, 7800, 3495, 270, 2);
    Label4_ = place("Label4", new Label(QStringLiteral("既存データ"), this), 240, 8160, 855, 180, 21);
    List1_ = place("List1", new ui::ListBox(this), 120, 8400, 3495, 1320, 20);
    List1_->addItems({"beer",     "beer_",       "box2",        "box",         "box_2",  "circle",
                      "circle_2", "city02_01",   "haguruma",    "hedra",       "object", "panel",
                      "panel2",   "panel3",      "stars",       "teapot",      "tours",  "tube",
                      "vorkan",   "vorkan_mozi", "vorkan_logo", "vorkan_logo_"});
    List1_->setCurrentRow(-1);
    List1_->fitWholeRows();

    // Commands and statistics.
    Command1_ =
        place("Command1", new ui::PushButton(QStringLiteral("実行(&S)"), this), 3960, 7680, 1695, 735, 0);
    Label7_ = place("Label7", new Label(QStringLiteral("面の数"), this), 3960, 8640, 540, 180, 25);
    Label8_ = place("Label8", new Label(QStringLiteral("頂点の数"), this), 3960, 8880, 720, 180, 26);
    Check7_ = place("Check7", new CheckBox(QStringLiteral("ワイヤフレーム表示"), false, this), 3960, 9480,
                    1935, 225, 19);
    Command2_ =
        place("Command2", new ui::PushButton(QStringLiteral("終了(&E)"), this), 5760, 7680, 1695, 735, 52);
    Command4_ = place("Command4", new ui::PushButton(QStringLiteral("設定リセット(&R)"), this), 5760, 8520,
                      1695, 375, 55);
    Command3_ = place("Command3", new ui::PushButton(QStringLiteral("ソフト情報(&H)"), this), 5760, 9000,
                      1695, 375, 51);
    Check14_ =
        place("Check14", new CheckBox(QStringLiteral("詳細設定 ⇒"), false, this), 6120, 9480, 1335, 225, 44);
    Timer1_ = new QTimer(this);
    Timer1_->setInterval(30);

    // Settings column: headings.
    Label11_ = place("Label11", new Label(QStringLiteral("回転"), this), 7680, 240, 360, 180, 42);
    Label10_ = place("Label10", new Label(QStringLiteral("視点"), this), 7680, 1920, 360, 180, 41);
    Label13_ = place("Label13", new Label(QStringLiteral("マテリアル"), this), 7680, 4800, 810, 180, 43);
    Label9_ = place("Label9", new Label(QStringLiteral("照明"), this), 7680, 7680, 360, 180, 40);

    // Rotation.
    Check1_ = place("Check1", new CheckBox(QStringLiteral("Y 回転速度  Default On"), true, this), 7920, 600,
                    2535, 225, 5);
    HScroll1_ = place("HScroll1", new ScrollBar(1, 200, 1, 5, 100, this), 7800, 840, 3255, 255, 3);
    Check2_ =
        place("Check2", new CheckBox(QStringLiteral("X 回転速度"), false, this), 7920, 1200, 2295, 225, 6);
    HScroll2_ = place("HScroll2", new ScrollBar(1, 200, 1, 5, 100, this), 7800, 1440, 3255, 255, 4);

    // Viewpoint.
    Label1_ = place("Label1", new Label(QStringLiteral("狭い 　　　　視野の広さ (角度)　　　　 広い"), this),
                    7920, 2280, 3165, 180, 13);
    HScroll4_ = place("HScroll4", new ScrollBar(1, 50, 1, 5, 14, this), 7800, 2520, 3255, 255, 12);
    Label6_ = place("Label6", new Label(QStringLiteral("下へ　　　　　視野の上下調節　　　　　上へ"), this),
                    7920, 2880, 3180, 180, 24);
    HScroll5_ = place("HScroll5", new ScrollBar(0, 50, 1, 5, 25, this), 7800, 3120, 3255, 255, 23);
    Label16_ = place("Label16", new Label(QStringLiteral("遠い　　　　カメラの位置 (Z軸)　　　　近い"), this),
                     7920, 3480, 3090, 180, 50);
    HScroll10_ = place("HScroll10", new ScrollBar(0, 999, 1, 10, 990, this), 7800, 3720, 3255, 255, 49);
    Label17_ = place("Label17", new Label(QStringLiteral("下へ　　　　カメラの位置 (Y軸)　　　　上へ"), this),
                     7920, 4080, 3120, 180, 53);
    HScroll11_ = place("HScroll11", new ScrollBar(3, 203, 1, 10, 103, this), 7800, 4320, 3255, 255, 33);

    // Material.
    Label14_ = place("Label14", new Label(QStringLiteral("透明度       1.00 (透明度なし)"), this), 7800, 5160,
                     2280, 180, 46);
    HScroll8_ = place("HScroll8", new ScrollBar(0, 100, 1, 10, 100, this), 7800, 5400, 3255, 255, 45);
    Label15_ = place("Label15", new Label(QStringLiteral("光沢          0.00 (光沢なし)"), this), 7800, 5760,
                     2100, 180, 48);
    HScroll9_ = place("HScroll9", new ScrollBar(0, 100, 1, 10, 0, this), 7800, 6000, 3255, 255, 47);
    Label3_ = place("Label3", new Label(QStringLiteral("物体の色 (RGB)"), this), 7800, 6480, 1260, 180, 18);
    Check6_ = new ui::CheckArray(
        {place("Check6(0)", new CheckBox(QStringLiteral("R"), true, this), 9240, 6480, 495, 225, 15),
         place("Check6(1)", new CheckBox(QStringLiteral("G"), true, this), 9840, 6480, 495, 225, 16),
         place("Check6(2)", new CheckBox(QStringLiteral("B"), true, this), 10440, 6480, 495, 225, 17)},
        this);
    Check3_ =
        place("Check3", new CheckBox(QStringLiteral("テクスチャ"), false, this), 7800, 6885, 1095, 180, 7);
    Label5_ = place("Label5", new Label(QStringLiteral("既存データ"), this), 9480, 6960, 855, 180, 22);
    Text2_ = place("Text2", new QLineEdit(QStringLiteral("Texture\\1.bmp"), this), 7800, 7200, 1575, 270, 10);
    Combo1_ = place("Combo1", new QComboBox(this), 9480, 7200, 1215, 300, 56);
    Combo1_->setEditable(true);
    // A typed name goes to Text2 only; the list keeps its ten entries.
    Combo1_->setInsertPolicy(QComboBox::NoInsert);
    Combo1_->addItems({"1.bmp", "2.bmp", "City02_01.jpg", "earth1.jpg", "earth2.jpg", "earth3.jpg",
                       "mars1.jpg", "moon1.jpg", "sky1.jpg", "sky2.jpg"});
    Combo1_->setCurrentIndex(-1);
    Combo1_->setEditText(QStringLiteral("Texture"));
    Combo1_->setPalette(QApplication::palette(Combo1_));
    // The drop-down may be wider than the box, so that every entry shows whole.
    Combo1_->view()->setMinimumWidth(Combo1_->view()->sizeHintForColumn(0) +
                                     2 * Combo1_->view()->frameWidth() +
                                     style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
    Command5_ =
        place("Command5", new ui::PushButton(QStringLiteral("更新"), this), 10680, 7200, 495, 281, 57);

    // Lighting.
    Check8_ = place("Check8", new CheckBox(QStringLiteral("直接光"), true, this), 7800, 8040, 855, 180, 27);
    Check10_ = new ui::CheckArray(
        {place("Check10(0)", new CheckBox(QStringLiteral("R"), true, this), 9240, 8040, 495, 180, 29),
         place("Check10(1)", new CheckBox(QStringLiteral("G"), true, this), 9720, 8040, 495, 180, 30),
         place("Check10(2)", new CheckBox(QStringLiteral("B"), true, this), 10200, 8040, 495, 180, 31)},
        this);
    HScroll6_ = place("HScroll6", new ScrollBar(0, 200, 1, 10, 30, this), 7800, 8280, 3015, 255, 36);
    Check12_ = place("Check12", new CheckBox(QString(), false, this), 10560, 8280, 735, 300, 38);
    Check9_ = place("Check9", new CheckBox(QStringLiteral("環境光"), true, this), 7800, 8640, 975, 180, 28);
    Check11_ = new ui::CheckArray(
        {place("Check11(0)", new CheckBox(QStringLiteral("R"), true, this), 9240, 8640, 495, 180, 32),
         place("Check11(1)", new CheckBox(QStringLiteral("G"), true, this), 9720, 8640, 495, 180, 34),
         place("Check11(2)", new CheckBox(QStringLiteral("B"), true, this), 10200, 8640, 495, 180, 35)},
        this);
    HScroll7_ = place("HScroll7", new ScrollBar(0, 100, 1, 10, 10, this), 7800, 8880, 3015, 255, 37);
    Check13_ = place("Check13", new CheckBox(QString(), false, this), 10560, 8880, 735, 300, 39);
    // The read-outs overlap the right ends of their bars. The bars stay on
    // top, so that their right arrows work; the read-out text lies beyond.
    HScroll6_->raise();
    HScroll7_->raise();

    // The start values, like all text the program sets, show from their start.
    Text1_->setCursorPosition(0);
    Text2_->setCursorPosition(0);

    // Text boxes and the list have a white background.
    for (QWidget* w : std::initializer_list<QWidget*>{Text1_, Text2_, List1_}) {
        QPalette p = w->palette();
        p.setColor(QPalette::Base, Qt::white);
        w->setPalette(p);
    }

    // Captions stay whole in the font at hand.
    for (ui::Label* label : findChildren<ui::Label*>(QString(), Qt::FindDirectChildrenOnly))
        label->fitCaption();

    // The pop-up menu, never shown as a menu bar.
    mnuMenu_ = new QMenu(QStringLiteral("メニュー"), this);
    mnuStart_ = mnuMenu_->addAction(QStringLiteral("実行(&S)"));
    mnuEnd_ = mnuMenu_->addAction(QStringLiteral("終了(&E)"));
}

void Form1::applyTabOrder()
{
    // Focus moves in the order of the tab indexes; labels never take it.
    std::stable_sort(tabOrder_.begin(), tabOrder_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QWidget* previous = nullptr;
    for (const auto& [index, widget] : tabOrder_) {
        if (qobject_cast<QLabel*>(widget))
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
        focusPolicies_.emplace_back(widget, widget->focusPolicy());
    }
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (const auto& [widget, policy] : focusPolicies_)
        widget->setFocusPolicy(rect().intersects(widget->geometry()) ? policy : Qt::NoFocus);
}

void Form1::connectHandlers()
{
    connect(Command1_, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2_, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3_, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4_, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5_, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Check3_, &ui::CheckBox::Click, this, &Form1::Check3_Click);
    connect(Check6_, &ui::CheckArray::Click, this, &Form1::Check6_Click);
    connect(Check7_, &ui::CheckBox::Click, this, &Form1::Check7_Click);
    connect(Check8_, &ui::CheckBox::Click, this, &Form1::Check8_Click);
    connect(Check9_, &ui::CheckBox::Click, this, &Form1::Check9_Click);
    connect(Check10_, &ui::CheckArray::Click, this, &Form1::Check10_Click);
    connect(Check11_, &ui::CheckArray::Click, this, &Form1::Check11_Click);
    connect(Check14_, &ui::CheckBox::Click, this, &Form1::Check14_Click);
    connect(HScroll4_, &ui::ScrollBar::Change, this, &Form1::HScroll4_Change);
    connect(HScroll5_, &ui::ScrollBar::Change, this, &Form1::HScroll5_Change);
    connect(HScroll6_, &ui::ScrollBar::Change, this, &Form1::HScroll6_Change);
    connect(HScroll7_, &ui::ScrollBar::Change, this, &Form1::HScroll7_Change);
    connect(HScroll8_, &ui::ScrollBar::Change, this, &Form1::HScroll8_Change);
    connect(HScroll9_, &ui::ScrollBar::Change, this, &Form1::HScroll9_Change);
    connect(HScroll10_, &ui::ScrollBar::Change, this, &Form1::HScroll10_Change);
    connect(HScroll11_, &ui::ScrollBar::Change, this, &Form1::HScroll11_Change);
    // Click comes when the chosen item changes, by the mouse or the arrow keys.
    connect(List1_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!List1_->selectedItems().isEmpty())
            List1_Click();
    });
    connect(Combo1_, &QComboBox::currentIndexChanged, this, &Form1::Combo1_Click);
    connect(Combo1_, &QComboBox::editTextChanged, this, &Form1::Combo1_Change);
    connect(mnuStart_, &QAction::triggered, this, &Form1::mnuStart_Click);
    connect(mnuEnd_, &QAction::triggered, this, &Form1::mnuEnd_Click);
    connect(Timer1_, &QTimer::timeout, this, &Form1::Timer1_Timer);
}

float Form1::Picture1Width() const
{
    const double twips = picture1_->width() * double(ui::kTwipsPerInch) / dpi_;
    return float(twips * kScaleWidth / kClientWidthTwips);
}

float Form1::Picture1Height() const
{
    const double twips = picture1_->height() * double(ui::kTwipsPerInch) / dpi_;
    return float(twips * kScaleHeight / kClientHeightTwips);
}

std::int16_t Form1::HScroll(int number) const
{
    switch (number) {
    case 1:
        return HScroll1_->Value();
    case 2:
        return HScroll2_->Value();
    case 4:
        return HScroll4_->Value();
    case 5:
        return HScroll5_->Value();
    case 6:
        return HScroll6_->Value();
    case 7:
        return HScroll7_->Value();
    case 8:
        return HScroll8_->Value();
    case 9:
        return HScroll9_->Value();
    case 10:
        return HScroll10_->Value();
    case 11:
        return HScroll11_->Value();
    }
    throw std::invalid_argument("Form1 has no such control");
}

std::int16_t Form1::Check(int number) const
{
    switch (number) {
    case 1:
        return Check1_->Value();
    case 2:
        return Check2_->Value();
    case 3:
        return Check3_->Value();
    case 7:
        return Check7_->Value();
    case 8:
        return Check8_->Value();
    case 9:
        return Check9_->Value();
    case 12:
        return Check12_->Value();
    case 13:
        return Check13_->Value();
    case 14:
        return Check14_->Value();
    }
    throw std::invalid_argument("Form1 has no such control");
}

std::int16_t Form1::CheckArray(int number, int index) const
{
    switch (number) {
    case 6:
        return (*Check6_)[index]->Value();
    case 10:
        return (*Check10_)[index]->Value();
    case 11:
        return (*Check11_)[index]->Value();
    }
    throw std::invalid_argument("Form1 has no such control");
}

void Form1::setLabel7(const QString& caption)
{
    // The count may be wider than the designed caption; let the label grow.
    Label7_->setText(caption);
    Label7_->resize(std::max(Label7_->width(), Label7_->sizeHint().width()), Label7_->height());
}

void Form1::setLabel8(const QString& caption)
{
    Label8_->setText(caption);
    Label8_->resize(std::max(Label8_->width(), Label8_->sizeHint().width()), Label8_->height());
}

int Form1::WidthTwips() const
{
    const int frameExtra = frameGeometry().width() - geometry().width();
    return int(std::lround((width() + frameExtra) * double(ui::kTwipsPerInch) / dpi_));
}

void Form1::setWidthTwips(int twips)
{
    const int frameExtra = frameGeometry().width() - geometry().width();
    const int client = std::max(1, ui::twipsToPixels(twips, dpi_) - frameExtra);
    setFixedSize(client, height());
}

void Form1::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    for (const Rule& rule : kRules) {
        const int y = ui::twipsToPixels(rule.y, dpi_);
        painter.drawLine(ui::twipsToPixels(rule.x0, dpi_), y, ui::twipsToPixels(kRuleEnd, dpi_), y);
    }
}

void Form1::mousePressEvent(QMouseEvent* event)
{
    // A press a control let pass (a button's right click, say) is the
    // control's own, not one on the window's surface.
    if (childAt(event->position().toPoint())) {
        event->accept();
        return;
    }
    int button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = 1;
        break;
    case Qt::RightButton:
        button = 2;
        break;
    case Qt::MiddleButton:
        button = 4;
        break;
    default:
        return;
    }
    int shift = 0;
    if (event->modifiers() & Qt::ShiftModifier)
        shift |= 1;
    if (event->modifiers() & Qt::ControlModifier)
        shift |= 2;
    if (event->modifiers() & Qt::AltModifier)
        shift |= 4;
    Form_MouseDown(button, shift, float(event->position().x()), float(event->position().y()));
}

namespace {

// The local .x file among dropped URLs, or empty.
QString droppedModel(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".x"), Qt::CaseInsensitive))
            return url.toLocalFile();
    return {};
}

}  // namespace

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedModel(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event)
{
    const QString model = droppedModel(event->mimeData());
    if (model.isEmpty())
        return;
    event->acceptProposedAction();
    setText1(model);
    Command1_Click();
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // Key preview: the window sees each key press before the focused control.
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            const auto* key = static_cast<QKeyEvent*>(event);
            int shift = 0;
            if (key->modifiers() & Qt::ShiftModifier)
                shift |= 1;
            if (key->modifiers() & Qt::ControlModifier)
                shift |= 2;
            if (key->modifiers() & Qt::AltModifier)
                shift |= 4;
            Form_KeyDown(key->key(), shift);
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace ui
