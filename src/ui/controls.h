// Controls with the behaviour the forms rely on: a value that notifies once per
// real change, synchronously, whether the user or code changed it, and never
// when set to the value it already has.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QWindow>

#include <array>
#include <cstdint>
#include <vector>

namespace ui {

// A horizontal scroll bar with a signed 16-bit value. Dragging the thumb
// commits one change when it is let go. The keyboard works as on Windows:
// Left and Up lower the value by the small step, Right and Down raise it,
// Page Up and Page Down by the large step, Home and End go to Min and Max.
// With the focus, the thumb carries a focus mark.
class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    ScrollBar(int min, int max, int smallChange, int largeChange, int value, QWidget* parent);

    std::int16_t Value() const { return static_cast<std::int16_t>(value()); }
    // A value outside Min..Max is refused with a run-time error.
    void setValue16(int value);
    // The value the bar was made with, and going back to it (which notifies
    // as any change does).
    int defaultValue() const { return default_; }
    void restoreDefault() { setValue16(default_); }

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int default_;
};

// A command button that Enter presses as well as the space bar, and that
// shows its focus mark whenever it has the focus.
class PushButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// A picture box: a plain surface that takes the focus and shows a focus mark
// while it has it, over whatever a device draws there. The mark is four thin
// strips above the panel's children; where a device shows its frames in a
// window of its own that covers the panel, nothing painted on the panel
// shows through, and the strips are windows inside that one as well.
class Panel : public QWidget {
public:
    explicit Panel(QWidget* parent);
    ~Panel() override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void placeMark();
    // A window of a device's own that covers the panel, or null.
    QWindow* deviceWindow() const;
    std::array<QWidget*, 4> mark_{};
    void dropMarkWindows();
    std::vector<QPointer<QWindow>> markWindows_;
};

// A check box whose Value is 0 (off) or 1 (on).
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    CheckBox(const QString& caption, bool checked, QWidget* parent);

    std::int16_t Value() const { return isChecked() ? 1 : 0; }
    // Only 0 and 1 are accepted; anything else is a run-time error.
    void setValue16(int value);
    // The state the box was made with, and going back to it.
    bool defaultChecked() const { return default_; }
    void restoreDefault() { setValue16(default_ ? 1 : 0); }

signals:
    void Click();

protected:
    // Shows the focus mark whenever the box has the focus.
    void paintEvent(QPaintEvent* event) override;

private:
    bool default_;
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
// chooses the first item. Only the left button chooses; other presses stay
// with the list. Its height holds whole rows only.
// With the focus it shows a dotted mark on the current row, or on the first
// when none is current.
class ListBox : public QListWidget {
public:
    using QListWidget::QListWidget;

    // Shortens the box to the largest whole number of rows that fits its
    // current height, as a list box with an integral height does.
    void fitWholeRows();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// A label that takes mouse presses itself, as a control does, instead of
// letting them fall through to the window beneath.
class Label : public QLabel {
public:
    Label(const QString& caption, QWidget* parent);

    // Where the caption in the font at hand runs wider than the label, the
    // letters close up until it fits: the text stays as written and whole.
    void fitCaption();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace ui
