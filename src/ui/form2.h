// Form2, the about dialog: title, version, a text on requirements and use, a
// banner and the copyright notice. Modeless; "了承" hides it, closing it
// through the frame unloads it.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/controls.h"

namespace ui {

// The about text: 35 lines, each ended by CR LF.
QString aboutText();

class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(const QIcon& icon, QWidget* parent = nullptr);

    QLabel* Label1_;
    QLabel* Label2_;
    QLabel* Label3_;
    QPlainTextEdit* Text1_;
    ui::PushButton* Command1_;
    QLabel* Image4_;

    void Form_Activate();
    void Command1_Click() { hide(); }

protected:
    bool event(QEvent* event) override;
};

}  // namespace ui
