#include "ui/controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QStylePainter>
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

Panel::Panel(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

void Panel::paintEvent(QPaintEvent*)
{
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}

void Panel::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void Panel::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
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
