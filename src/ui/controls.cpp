#include "ui/controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "platform/runtime_error.h"

namespace ui {

ScrollBar::ScrollBar(int min, int max, int smallChange, int largeChange, int value, QWidget* parent)
    : QScrollBar(Qt::Horizontal, parent), default_(value)
{
    setRange(min, max);
    setSingleStep(smallChange);
    setPageStep(largeChange);
    setValue(value);
    // While the thumb is dragged nothing is committed; the release is one change.
    setTracking(false);
    // A bar takes the focus like any control; the arrow keys then move it.
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QScrollBar::valueChanged, this, &ScrollBar::Change);
}

void ScrollBar::setValue16(int value)
{
    if (value < minimum() || value > maximum())
        platform::raiseInvalidPropertyValue("ScrollBar.Value");
    setValue(value);
}

void ScrollBar::keyPressEvent(QKeyEvent* event)
{
    // The scroll-bar keys of Windows, whichever way the bar lies.
    static constexpr struct {
        int key;
        SliderAction action;
    } kKeys[] = {{Qt::Key_Left, SliderSingleStepSub},  {Qt::Key_Up, SliderSingleStepSub},
                 {Qt::Key_Right, SliderSingleStepAdd}, {Qt::Key_Down, SliderSingleStepAdd},
                 {Qt::Key_PageUp, SliderPageStepSub},  {Qt::Key_PageDown, SliderPageStepAdd},
                 {Qt::Key_Home, SliderToMinimum},      {Qt::Key_End, SliderToMaximum}};
    for (const auto& binding : kKeys)
        if (event->key() == binding.key) {
            triggerAction(binding.action);
            event->accept();
            return;
        }
    QScrollBar::keyPressEvent(event);
}

void ScrollBar::paintEvent(QPaintEvent* event)
{
    QScrollBar::paintEvent(event);
    if (!hasFocus())
        return;
    QStyleOptionSlider slider;
    initStyleOption(&slider);
    const QRect thumb =
        style()->subControlRect(QStyle::CC_ScrollBar, &slider, QStyle::SC_ScrollBarSlider, this);
    // The style draws no focus frame on a scroll bar; a dotted one inside
    // the thumb marks it.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    painter.drawRect(thumb.adjusted(2, 2, -3, -3));
}

void PushButton::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

namespace {

// The style marks the focus only once a key has moved it; a control given
// the focus by a click or by its window opening is marked too.
void paintWithFocusMark(QWidget* control, QStyleOptionButton& option, QStyle::ControlElement element)
{
    if (control->hasFocus())
        option.state |= QStyle::State_KeyboardFocusChange;
    QStylePainter painter(control);
    painter.drawControl(element, option);
}

}  // namespace

void PushButton::paintEvent(QPaintEvent*)
{
    QStyleOptionButton option;
    initStyleOption(&option);
    paintWithFocusMark(this, option, QStyle::CE_PushButton);
}

namespace {

// The dots of the panel's focus mark over one side's rectangle `area` (panel
// coordinates, one pixel wide), painted at `origin` on `painter`. The dots
// follow the panel's coordinates, so the four sides meet as one dotted
// rectangle, drawn as the mark of the other controls is.
void paintMarkSide(QPainter& painter, const QRect& area, const QColor& background, const QColor& dots)
{
    painter.fillRect(QRect(QPoint(0, 0), area.size()), background);
    painter.setPen(dots);
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            if ((area.x() + x + area.y() + y) % 2 == 0)
                painter.drawPoint(x, y);
}

// One side of the mark as a control on the panel.
class MarkStrip : public QWidget {
public:
    explicit MarkStrip(QWidget* panel) : QWidget(panel)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paintMarkSide(painter, geometry(), palette().color(QPalette::Window),
                      palette().color(QPalette::WindowText));
    }
};

// One side of the mark as a window inside a device's own window, which
// covers the panel and everything painted on it.
class MarkWindow : public QRasterWindow {
public:
    MarkWindow(QWindow* device, const QPalette& palette) : palette_(palette)
    {
        setParent(device);
        setFlag(Qt::WindowTransparentForInput);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paintMarkSide(painter, geometry(), palette_.color(QPalette::Window),
                      palette_.color(QPalette::WindowText));
    }

private:
    QPalette palette_;
};

}  // namespace

Panel::Panel(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    for (QWidget*& strip : mark_)
        strip = new MarkStrip(this);
    placeMark();
}

Panel::~Panel() { dropMarkWindows(); }

void Panel::dropMarkWindows()
{
    // A device window that went first took its children along.
    for (const QPointer<QWindow>& strip : markWindows_)
        delete strip.data();
    markWindows_.clear();
}

QWindow* Panel::deviceWindow() const
{
    const QWindow* top = window()->windowHandle();
    if (!top)
        return nullptr;
    const QRect area(mapTo(window(), QPoint(0, 0)), size());
    for (QWindow* child : top->findChildren<QWindow*>(Qt::FindDirectChildrenOnly))
        if (child->geometry() == area && child->isVisible())
            return child;
    return nullptr;
}

void Panel::placeMark()
{
    if (!mark_[3])
        return;  // still being made
    const QRect inner = rect().adjusted(1, 1, -2, -2);
    const std::array<QRect, 4> sides = {QRect(inner.left(), inner.top(), inner.width(), 1),
                                        QRect(inner.left(), inner.bottom(), inner.width(), 1),
                                        QRect(inner.left(), inner.top(), 1, inner.height()),
                                        QRect(inner.right(), inner.top(), 1, inner.height())};
    for (std::size_t i = 0; i < sides.size(); ++i) {
        mark_[i]->setGeometry(sides[i]);
        mark_[i]->raise();
        mark_[i]->setVisible(hasFocus());
    }
    QWindow* device = deviceWindow();
    if (!device && markWindows_.empty())
        return;
    if (markWindows_.empty() || !markWindows_.front() || markWindows_.front()->parent() != device) {
        dropMarkWindows();
        if (device)
            for (std::size_t i = 0; i < sides.size(); ++i)
                markWindows_.push_back(new MarkWindow(device, palette()));
    }
    for (std::size_t i = 0; i < markWindows_.size(); ++i) {
        if (!markWindows_[i])
            continue;
        markWindows_[i]->setGeometry(sides[i]);
        markWindows_[i]->setVisible(hasFocus());
        markWindows_[i]->raise();
    }
}

void Panel::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    placeMark();
}

void Panel::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    placeMark();
}

void Panel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeMark();
}

void Panel::childEvent(QChildEvent* event)
{
    QWidget::childEvent(event);
    // A device's window comes in on top; the mark goes back above it once
    // the window is set up.
    if (event->added() && mark_[3])
        QTimer::singleShot(0, this, [this] { placeMark(); });
}

CheckBox::CheckBox(const QString& caption, bool checked, QWidget* parent)
    : QCheckBox(caption, parent), default_(checked)
{
    setChecked(checked);
    connect(this, &QCheckBox::toggled, this, &CheckBox::Click);
}

void CheckBox::paintEvent(QPaintEvent*)
{
    QStyleOptionButton option;
    initStyleOption(&option);
    paintWithFocusMark(this, option, QStyle::CE_CheckBox);
}

void CheckBox::setValue16(int value)
{
    if (value != 0 && value != 1)
        platform::raiseInvalidPropertyValue("CheckBox.Value");
    setChecked(value == 1);
}

CheckArray::CheckArray(std::array<CheckBox*, 3> members, QObject* parent) : QObject(parent), members_(members)
{
    for (int i = 0; i < 3; ++i)
        connect(members_[static_cast<std::size_t>(i)], &CheckBox::Click, this, [this, i] { emit Click(i); });
}

void ListBox::focusInEvent(QFocusEvent* event)
{
    QListWidget::focusInEvent(event);
    if (selectedItems().isEmpty())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    viewport()->update();
}

void ListBox::focusOutEvent(QFocusEvent* event)
{
    QListWidget::focusOutEvent(event);
    viewport()->update();
}

void ListBox::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    if (!hasFocus() || count() == 0)
        return;
    const QModelIndex current = currentIndex().isValid() ? currentIndex() : model()->index(0, 0);
    const bool selected = selectionModel()->isSelected(current);
    QPainter painter(viewport());
    painter.setPen(
        QPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine));
    painter.drawRect(visualRect(current).adjusted(0, 0, -1, -1));
}

void ListBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void ListBox::fitWholeRows()
{
    const int row = sizeHintForRow(0) > 0 ? sizeHintForRow(0) : fontMetrics().height();
    const int frame = 2 * frameWidth();
    const int rows = std::max(1, (height() - frame) / row);
    setUniformItemSizes(true);
    resize(width(), rows * row + frame);
}

Label::Label(const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setTextFormat(Qt::PlainText);
}

void Label::fitCaption()
{
    QFont font = this->font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    const int room = contentsRect().width();
    const int gaps = int(text().size()) - 1;
    qreal spacing = 0;
    if (gaps > 0) {
        const int natural = QFontMetrics(font).horizontalAdvance(text());
        if (natural > room)
            spacing = -qreal(natural - room) / gaps;
        // Rounding in the metrics can leave a pixel over; close up a little more.
        for (int tries = 0; tries < 8; ++tries) {
            font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
            if (QFontMetrics(font).horizontalAdvance(text()) <= room)
                break;
            spacing -= 0.25;
        }
    }
    setFont(font);
}

void Label::mousePressEvent(QMouseEvent* event) { event->accept(); }

}  // namespace ui
