// Controls with the behaviour the forms rely on: a value that notifies once per
// real change, synchronously, whether the user or code changed it, and never
// when set to the value it already has.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <array>
#include <cstdint>

namespace ui {

// A horizontal scroll bar with a signed 16-bit value. Dragging the thumb
// commits one change when it is let go.
class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    ScrollBar(int min, int max, int smallChange, int largeChange, int value, QWidget* parent);

    std::int16_t Value() const { return static_cast<std::int16_t>(value()); }
    // A value outside Min..Max is refused with a run-time error.
    void setValue16(int value);

signals:
    void Change();
};

// A check box whose Value is 0 (off) or 1 (on).
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    CheckBox(const QString& caption, bool checked, QWidget* parent);

    std::int16_t Value() const { return isChecked() ? 1 : 0; }
    // Only 0 and 1 are accepted; anything else is a run-time error.
    void setValue16(int value);

signals:
    void Click();
};

// Three check boxes sharing one name and one handler, which receives the
// index of the member that changed.
class CheckArray : public QObject {
    Q_OBJECT
public:
    CheckArray(std::array<CheckBox*, 3> members, QObject* parent);

    CheckBox* operator[](int index) const { return members_.at(static_cast<std::size_t>(index)); }

signals:
    void Click(int index);

private:
    std::array<CheckBox*, 3> members_;
};

// A list box: taking the focus chooses nothing, so the first arrow key
// chooses the first item.
class ListBox : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

// A label that takes mouse presses itself, as a control does, instead of
// letting them fall through to the window beneath.
class Label : public QLabel {
public:
    Label(const QString& caption, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace ui
