#include "ui/controls.h"

#include <QMouseEvent>

#include "platform/runtime_error.h"

namespace ui {

ScrollBar::ScrollBar(int min, int max, int smallChange, int largeChange, int value, QWidget* parent)
    : QScrollBar(Qt::Horizontal, parent)
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

CheckBox::CheckBox(const QString& caption, bool checked, QWidget* parent) : QCheckBox(caption, parent)
{
    setChecked(checked);
    connect(this, &QCheckBox::toggled, this, &CheckBox::Click);
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

Label::Label(const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setTextFormat(Qt::PlainText);
}

void Label::mousePressEvent(QMouseEvent* event) { event->accept(); }

}  // namespace ui
