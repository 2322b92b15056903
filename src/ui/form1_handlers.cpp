// Form1's handlers. A handler whose control carries a scene setting runs the
// whole Run again; a few first bring the panel itself up to date.
#include <QApplication>

#include "platform/services.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/units.h"

namespace ui {
namespace {

const QString kTransparencyPrefix = QStringLiteral("透明度       ");
const QString kNoTransparency = QStringLiteral(" (透明度なし)");
const QString kGlossPrefix = QStringLiteral("光沢          ");
const QString kNoGloss = QStringLiteral(" (光沢なし)");

}  // namespace

void Form1::Form_Load()
{
    setWidthTwips(WidthTwips() - kLoadNarrowingTwips);
    Check12_->setText(ui::formatReadout(HScroll6_->Value() / 30.0));
    Check13_->setText(ui::formatReadout(HScroll7_->Value() / 100.0));
    qApp->installEventFilter(this);  // key preview
}

void Form1::Form_KeyDown(int, int)
{
    // Keys are previewed but need no handling here; they go on to the control.
}

void Form1::Form_MouseDown(int button, int, float, float)
{
    if (button == 2)
        mnuMenu_->popup(QCursor::pos());
}

void Form1::closeEvent(QCloseEvent*) { platform::endProgram(0); }

void Form1::Command2_Click() { platform::endProgram(0); }

void Form1::Command3_Click()
{
    if (!form2_) {
        form2_ = new Form2(windowIcon(), this);  // ends with the main window
        connect(form2_, &QObject::destroyed, this, [this] { form2_ = nullptr; });
    }
    form2_->show();
    form2_->raise();
    form2_->activateWindow();
}

void Form1::Command5_Click()
{
    Check3_->setValue16(1);
    Command1_Click();
}

void Form1::showFromStart(QLineEdit* box, const QString& text)
{
    box->setText(text);
    box->setCursorPosition(0);
}

void Form1::showGroup(std::initializer_list<QWidget*> members, bool visible)
{
    for (QWidget* w : members)
        w->setVisible(visible);
}

void Form1::Check8_Click()
{
    showGroup({(*Check10_)[0], (*Check10_)[1], (*Check10_)[2], HScroll6_, Check12_}, Check8_->Value() == 1);
    Command1_Click();
}

void Form1::Check9_Click()
{
    showGroup({(*Check11_)[0], (*Check11_)[1], (*Check11_)[2], HScroll7_, Check13_}, Check9_->Value() == 1);
    Command1_Click();
}

void Form1::Check14_Click()
{
    setWidthTwips(Check14_->Value() == 0 ? kCollapsedWidthTwips : kExpandedWidthTwips);
}

void Form1::HScroll6_Change()
{
    Check12_->setText(ui::formatReadout(HScroll6_->Value() / 30.0));
    Command1_Click();
}

void Form1::HScroll7_Change()
{
    Check13_->setText(ui::formatReadout(HScroll7_->Value() / 100.0));
    Command1_Click();
}

void Form1::HScroll8_Change()
{
    Command1_Click();
    const std::int16_t v = HScroll8_->Value();
    Label14_->setText(kTransparencyPrefix + ui::formatReadout(v / 100.0));
    if (v == 100)
        Label14_->setText(Label14_->text() + kNoTransparency);
}

void Form1::HScroll9_Change()
{
    Command1_Click();
    const std::int16_t v = HScroll9_->Value();
    Label15_->setText(kGlossPrefix + ui::formatReadout(v / 100.0));
    if (v == 0)
        Label15_->setText(Label15_->text() + kNoGloss);
}

void Form1::List1_Click()
{
    setText1(QStringLiteral("X-File\\") + List1_->selectedItems().first()->text() + QStringLiteral(".x"));
    Command1_Click();
}

void Form1::Combo1_Click() { setText2(QStringLiteral("Texture\\") + Combo1_->currentText()); }

// The settings reset: every setting goes back to the value its control was
// made with. Each assignment that changes a value raises that control's own
// handler, so the scene follows as if the user had made it.
void Form1::Command4_Click()
{
    for (ui::ScrollBar* bar : {HScroll1_, HScroll2_, HScroll4_, HScroll5_, HScroll6_, HScroll7_, HScroll8_,
                               HScroll9_, HScroll10_, HScroll11_})
        bar->restoreDefault();
    for (ui::CheckBox* box : {Check1_, Check2_, Check3_, Check7_, Check8_, Check9_})
        box->restoreDefault();
    for (ui::CheckArray* array : {Check6_, Check10_, Check11_})
        for (int i = 0; i < 3; ++i)
            (*array)[i]->restoreDefault();
}

}  // namespace ui
