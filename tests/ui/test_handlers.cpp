// The main window's handlers and the settings reset, as a person meets them:
// which changes rebuild the scene, how often, and what the captions read.
#include <QtTest>

#include <QMessageBox>
#include <QRawFont>

#include "form1_fixture.h"
#include "platform/application.h"
#include "platform/runtime_error.h"
#include "render/d3d8_types.h"
#include "ui/form2.h"

using testing_support::Form1Fixture;
using testing_support::ProgramEnd;
using testing_support::runToTheEnd;

namespace {

int runs(const Form1Fixture& f) { return int(f.runtime.devices.size()); }

// Every caption the handlers can touch, to compare before and after.
QStringList captions(const testing_support::OpenForm1& w)
{
    return {w.Check12_->text(), w.Check13_->text(), w.Label14_->text(), w.Label15_->text(),
            w.Label7_->text(),  w.Label8_->text(),  w.Text1(),          w.Text2()};
}

}  // namespace

class Handlers : public QObject {
    Q_OBJECT
private slots:
    void resetAtTheDefaultsRunsNothing();
    void resetOfEveryHandledControlRunsTwentyOneTimes();
    void resetOfRotationOnlyRunsNothing();
    void resetShowsTheLightGroupsAgain();
    void intensityReadOuts();
    void materialCaptionsComeAfterTheRun();
    void widthToggle();
    void scrollBarsRunOncePerCommittedStep();
    void everyArrayMemberRuns();
    void arrowKeysInTheListLoadEachModel();
    void tabSkipsHiddenControls();
    void tabStaysInTheNarrowedWindow();
    void listShowsItsFocusMark();
    void popUpMenuOnlyForTheRightButton();
    void rightClicksOnControlsStayWithTheControl();
    void scrollBarKeysStepAsOnWindows();
    void enterPressesTheFocusedButton();
    void typedTextureNameLeavesTheListAlone();
    void textTheProgramSetsShowsFromItsStart();
    void messageBoxOverTheWindowInOneFace();
    void exitFromButtonAndMenu();
    void aboutDialogIsOneModelessInstance();
    void aboutDialogContent();
    void aboutDialogFocusAndLifecycle();
};

void Handlers::resetAtTheDefaultsRunsNothing()
{
    Form1Fixture f;
    const QStringList before = captions(*f.form);
    f.form->Command4_Click();
    QCOMPARE(runs(f), 0);
    QCOMPARE(captions(*f.form), before);
    QVERIFY(!f.form->Timer1_->isActive());
}

void Handlers::resetOfEveryHandledControlRunsTwentyOneTimes()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    const QStringList before = captions(w);
    w.HScroll4_->setValue16(20);
    w.HScroll5_->setValue16(10);
    w.HScroll6_->setValue16(200);
    w.HScroll7_->setValue16(0);
    w.HScroll8_->setValue16(50);
    w.HScroll9_->setValue16(60);
    w.HScroll10_->setValue16(500);
    w.HScroll11_->setValue16(50);
    w.Check3_->setValue16(1);
    w.Check7_->setValue16(1);
    w.Check8_->setValue16(0);
    w.Check9_->setValue16(0);
    for (ui::CheckArray* array : {w.Check6_, w.Check10_, w.Check11_})
        for (int i = 0; i < 3; ++i)
            (*array)[i]->setValue16(0);
    w.Check14_->setValue16(1);
    const int changed = runs(f);
    QCOMPARE(changed, 21);

    w.Command4_Click();
    QCOMPARE(runs(f) - changed, 21);
    QStringList after = captions(w);
    // The model's counts were written by the Runs; everything else is as at start.
    after[4] = before[4];
    after[5] = before[5];
    QCOMPARE(after, before);
    QCOMPARE(w.Check(14), std::int16_t(1));  // the reset leaves the settings column open
    QVERIFY(w.HScroll6_->isVisibleTo(&w));
    QVERIFY(w.HScroll7_->isVisibleTo(&w));
    // The last Run saw every value back at its default.
    const auto& device = *f.runtime.lastDevice();
    QCOMPARE(device.renderState(d3d::D3DRS_AMBIENT), 0xFF191919u);
    QCOMPARE(device.material().Diffuse.a, 1.0f);
    QVERIFY(!device.texture());
}

void Handlers::resetOfRotationOnlyRunsNothing()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.HScroll1_->setValue16(7);
    w.HScroll2_->setValue16(9);
    w.Check1_->setValue16(0);
    w.Check2_->setValue16(1);
    QCOMPARE(runs(f), 0);
    w.Command4_Click();
    QCOMPARE(runs(f), 0);
    QCOMPARE(int(w.HScroll1_->Value()), 100);
    QCOMPARE(w.Check(2), std::int16_t(0));
}

void Handlers::resetShowsTheLightGroupsAgain()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.Check9_->setValue16(0);
    for (QWidget* member : {static_cast<QWidget*>((*w.Check11_)[0]), static_cast<QWidget*>((*w.Check11_)[2]),
                            static_cast<QWidget*>(w.HScroll7_), static_cast<QWidget*>(w.Check13_)})
        QVERIFY(!member->isVisibleTo(&w));
    w.Command4_Click();
    QCOMPARE(runs(f), 2);
    for (QWidget* member : {static_cast<QWidget*>((*w.Check11_)[0]), static_cast<QWidget*>((*w.Check11_)[2]),
                            static_cast<QWidget*>(w.HScroll7_), static_cast<QWidget*>(w.Check13_)})
        QVERIFY(member->isVisibleTo(&w));
}

void Handlers::intensityReadOuts()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    QStringList direct, ambient;
    for (int v : {0, 30, 200}) {
        w.HScroll6_->setValue16(v);
        direct << w.Check12_->text();
    }
    for (int v : {0, 10, 100}) {
        w.HScroll7_->setValue16(v);
        ambient << w.Check13_->text();
    }
    QCOMPARE(direct, QStringList({"0.00", "1.00", "6.67"}));
    QCOMPARE(ambient, QStringList({"0.00", "0.10", "1.00"}));
}

void Handlers::materialCaptionsComeAfterTheRun()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    QStringList transparency, gloss;
    w.HScroll8_->setValue16(99);
    transparency << w.Label14_->text();
    w.HScroll8_->setValue16(0);
    transparency << w.Label14_->text();
    w.HScroll8_->setValue16(100);
    transparency << w.Label14_->text();
    w.HScroll9_->setValue16(1);
    gloss << w.Label15_->text();
    w.HScroll9_->setValue16(100);
    gloss << w.Label15_->text();
    w.HScroll9_->setValue16(0);
    gloss << w.Label15_->text();
    QCOMPARE(transparency,
             QStringList({QStringLiteral("透明度       0.99"), QStringLiteral("透明度       0.00"),
                          QStringLiteral("透明度       1.00 (透明度なし)")}));
    QCOMPARE(gloss, QStringList({QStringLiteral("光沢          0.01"), QStringLiteral("光沢          1.00"),
                                 QStringLiteral("光沢          0.00 (光沢なし)")}));

    // When Run cannot make a device, its message comes first and the caption
    // is still written after it.
    Form1Fixture g;
    g.runtime.createDeviceResults = {d3d::D3DERR_NOTAVAILABLE, d3d::D3DERR_NOTAVAILABLE};
    g.form->HScroll8_->setValue16(42);
    QCOMPARE(g.messages, QStringList{QStringLiteral("Direct3Dは使えません。")});
    QCOMPARE(g.form->Label14_->text(), QStringLiteral("透明度       0.42"));
}

void Handlers::widthToggle()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Check14_->setValue16(1);
    QVERIFY(qAbs(w.WidthTwips() - ui::kExpandedWidthTwips) <= 15);
    w.Check14_->setValue16(0);
    QVERIFY(qAbs(w.WidthTwips() - ui::kCollapsedWidthTwips) <= 15);
    QCOMPARE(runs(f), 0);
}

void Handlers::scrollBarsRunOncePerCommittedStep()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.HScroll10_->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(runs(f), 1);
    QCOMPARE(int(w.HScroll10_->Value()), 980);
    // Dragging the thumb commits once, when it is let go.
    w.HScroll10_->setSliderDown(true);
    for (int p = 970; p > 900; p -= 10)
        w.HScroll10_->setSliderPosition(p);
    QCOMPARE(runs(f), 1);
    w.HScroll10_->setSliderDown(false);
    QCOMPARE(runs(f), 2);
    QCOMPARE(int(w.HScroll10_->Value()), 910);
}

void Handlers::everyArrayMemberRuns()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    int expected = 0;
    for (ui::CheckArray* array : {w.Check6_, w.Check10_, w.Check11_})
        for (int i = 0; i < 3; ++i) {
            (*array)[i]->click();
            QCOMPARE(runs(f), ++expected);
        }
}

void Handlers::arrowKeysInTheListLoadEachModel()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    QVERIFY(f.showActive());
    w.List1_->setFocus();
    QTest::keyClick(w.List1_, Qt::Key_Down);
    QTest::keyClick(w.List1_, Qt::Key_Down);
    QTest::keyClick(w.List1_, Qt::Key_Down);
    w.Timer1_->stop();
    QCOMPARE(runs(f), 3);
    QCOMPARE(f.runtime.meshPaths,
             (std::vector<std::string>{"X-File\\beer.x", "X-File\\beer_.x", "X-File\\box2.x"}));
}

void Handlers::tabSkipsHiddenControls()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.Check14_->setValue16(1);
    QVERIFY(f.showActive());
    w.Check8_->setValue16(0);  // hides Check10(0..2), HScroll6 and Check12
    w.Timer1_->stop();
    w.Check9_->setFocus();
    QTest::keyClick(w.Check9_, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>((*w.Check11_)[0]));
    QTest::keyClick((*w.Check11_)[0], Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.HScroll11_));
}

void Handlers::tabStaysInTheNarrowedWindow()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    QVERIFY(f.showActive());
    // Every control Tab and Shift+Tab reach, round the whole order and more.
    auto reached = [&](Qt::KeyboardModifiers modifiers) {
        QList<QWidget*> seen;
        w.Command1_->setFocus();
        if (!QTest::qWaitFor([&] { return QApplication::focusWidget() == w.Command1_; }))
            return seen;
        for (int i = 0; i < 70; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
            QApplication::processEvents();
            seen << QApplication::focusWidget();
        }
        return seen;
    };
    auto inView = [&](QWidget* control) {
        return control && w.rect().intersects(QRect(control->mapTo(&w, QPoint(0, 0)), control->size()));
    };
    for (Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        const QList<QWidget*> seen = reached(modifiers);
        QCOMPARE(seen.size(), 70);
        for (QWidget* control : seen)
            QVERIFY2(inView(control), qPrintable(control ? control->objectName() : QStringLiteral("none")));
    }

    // Shift+Tab from 実行 and the space bar change nothing out of sight.
    w.Command1_->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Command1_));
    QTest::keyClick(w.Command1_, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    w.Timer1_->stop();
    QCOMPARE(w.Check(3), std::int16_t(0));
    QVERIFY(f.runtime.texturePaths.empty());

    // Widened, the settings column is in the order again; narrowed, out.
    w.Check14_->setValue16(1);
    QVERIFY(reached({}).contains(w.Command5_));
    QVERIFY(reached({}).contains(w.HScroll1_));
    w.Check14_->setValue16(0);
    QVERIFY(!reached({}).contains(w.HScroll1_));
}

void Handlers::listShowsItsFocusMark()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    QVERIFY(f.showActive());
    ui::ListBox* list = w.List1_;
    // Dots along the first row's top and bottom edges: neighbours that
    // differ (a solid line or the bare row has next to none).
    auto edgeMarks = [&] {
        const QImage shown = list->viewport()->grab().toImage();
        const QRect row = list->visualItemRect(list->item(0));
        int count = 0;
        for (int x = row.left() + 1; x < row.right() - 1; ++x)
            for (int y : {row.top(), row.bottom()})
                count += shown.pixel(x, y) != shown.pixel(x + 1, y);
        return count;
    };
    const int unfocused = edgeMarks();
    // Focused with nothing chosen: the mark lies on the first row.
    list->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(list));
    QVERIFY(list->selectedItems().isEmpty());
    QVERIFY2(edgeMarks() > unfocused + list->width() / 3,
             qPrintable(QStringLiteral("%1 -> %2").arg(unfocused).arg(edgeMarks())));
    // The chosen row shows it too, and plainly differs from the same row
    // without the focus.
    QTest::keyClick(list, Qt::Key_Down);
    w.Timer1_->stop();
    QCOMPARE(list->currentRow(), 0);
    const int chosenFocused = edgeMarks();
    w.Command1_->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Command1_));
    const int chosenUnfocused = edgeMarks();
    QVERIFY2(chosenFocused > chosenUnfocused + list->width() / 3,
             qPrintable(QStringLiteral("%1 focused, %2 not").arg(chosenFocused).arg(chosenUnfocused)));
}

void Handlers::popUpMenuOnlyForTheRightButton()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPoint background(252, 600);  // between the model list and the buttons
    QVERIFY(w.childAt(background) == nullptr);
    QTest::mouseClick(&w, Qt::LeftButton, {}, background);
    QTest::mouseClick(&w, Qt::MiddleButton, {}, background);
    QVERIFY(!w.mnuMenu_->isVisible());
    // A press on a control goes to the control, not the window.
    QTest::mousePress(w.Label7_, Qt::RightButton);
    QVERIFY(!w.mnuMenu_->isVisible());
    QTest::mousePress(&w, Qt::RightButton, {}, background);
    QTRY_VERIFY(w.mnuMenu_->isVisible());
    w.mnuMenu_->hide();
    QCOMPARE(runs(f), 0);
}

void Handlers::rightClicksOnControlsStayWithTheControl()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.Check14_->setValue16(1);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Buttons, check boxes, bars and the panel (no Run yet) keep their presses.
    for (QWidget* control : std::initializer_list<QWidget*>{w.Command1_, w.Command4_, w.Check7_, w.Check14_,
                                                            w.HScroll10_, w.picture1_, (*w.Check6_)[0]}) {
        QTest::mousePress(control, Qt::RightButton);
        QTest::mouseRelease(control, Qt::RightButton);
        QVERIFY2(!w.mnuMenu_->isVisible(), qPrintable(control->objectName()));
    }
    // A right click on a row of the list neither chooses nor loads it.
    const QPoint row = w.List1_->visualItemRect(w.List1_->item(2)).center();
    QTest::mouseClick(w.List1_->viewport(), Qt::RightButton, {}, row);
    QVERIFY(w.List1_->selectedItems().isEmpty());
    QVERIFY(!w.mnuMenu_->isVisible());
    QCOMPARE(runs(f), 0);
    QVERIFY(f.runtime.meshPaths.empty());
    // The left button still chooses.
    QTest::mouseClick(w.List1_->viewport(), Qt::LeftButton, {}, row);
    w.Timer1_->stop();
    QCOMPARE(f.runtime.meshPaths, std::vector<std::string>{"X-File\\box2.x"});
}

void Handlers::scrollBarKeysStepAsOnWindows()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    ui::ScrollBar* bar = w.HScroll10_;  // 0..999, small step 1, large step 10, at 990
    struct Step {
        Qt::Key key;
        int value;
    };
    const Step steps[] = {{Qt::Key_Right, 991},    {Qt::Key_Left, 990},     {Qt::Key_Left, 989},
                          {Qt::Key_Down, 990},     {Qt::Key_Up, 989},       {Qt::Key_PageUp, 979},
                          {Qt::Key_PageDown, 989}, {Qt::Key_Home, 0},       {Qt::Key_Right, 1},
                          {Qt::Key_End, 999},      {Qt::Key_PageDown, 999}, {Qt::Key_Right, 999}};
    QStringList seen, expected;
    for (const Step& step : steps) {
        QTest::keyClick(bar, step.key);
        seen << QStringLiteral("%1 %2").arg(QKeySequence(step.key).toString()).arg(bar->Value());
        expected << QStringLiteral("%1 %2").arg(QKeySequence(step.key).toString()).arg(step.value);
    }
    QCOMPARE(seen, expected);
    // Each key that moved the bar ran the scene once.
    QCOMPARE(runs(f), 10);
}

void Handlers::enterPressesTheFocusedButton()
{
    for (Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        Form1Fixture f;
        testing_support::OpenForm1& w = *f.form;
        QTest::keyClick(w.Command1_, enter);  // 実行
        w.Timer1_->stop();
        QCOMPARE(runs(f), 1);
        w.Command3_Click();
        ui::Form2* dialog = w.aboutDialog();
        QVERIFY(dialog->isVisible());
        QTest::keyClick(dialog->Command1_, enter);  // 了承
        QVERIFY(!dialog->isVisible());
        delete dialog;
    }
}

void Handlers::typedTextureNameLeavesTheListAlone()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.Combo1_->lineEdit()->selectAll();
    QTest::keyClicks(w.Combo1_->lineEdit(), QStringLiteral("mine.png"));
    QTest::keyClick(w.Combo1_->lineEdit(), Qt::Key_Return);
    QCOMPARE(w.Combo1_->count(), 10);
    QCOMPARE(w.Text2(), QStringLiteral("Texture\\mine.png"));
    // The drop-down shows every entry whole.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Combo1_->showPopup();
    QAbstractItemView* view = w.Combo1_->view();
    QTRY_VERIFY(view->isVisible());
    for (int i = 0; i < w.Combo1_->count(); ++i) {
        const int needed = view->sizeHintForIndex(view->model()->index(i, 0)).width();
        QVERIFY2(needed <= view->viewport()->width(), qPrintable(QStringLiteral("%1 needs %2 px of %3")
                                                                     .arg(w.Combo1_->itemText(i))
                                                                     .arg(needed)
                                                                     .arg(view->viewport()->width())));
    }
    w.Combo1_->hidePopup();
}

void Handlers::textTheProgramSetsShowsFromItsStart()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    QVERIFY(f.showActive());
    // The box's first letter lies at its left edge: the start is in view.
    auto showsItsStart = [](QLineEdit* box) {
        return box->cursorPosition() == 0 &&
               box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < box->width() / 4;
    };
    QVERIFY(showsItsStart(w.Text1_));
    QVERIFY(showsItsStart(w.Text2_));
    // The texture list: "Texture\earth1.jpg" is wider than Text2.
    w.Combo1_->setCurrentIndex(3);
    QCOMPARE(w.Text2(), QStringLiteral("Texture\\earth1.jpg"));
    QVERIFY(w.Text2_->fontMetrics().horizontalAdvance(w.Text2()) > w.Text2_->width());
    QVERIFY(showsItsStart(w.Text2_));
    // A long path, as the command line and a dropped file set it.
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("X-File/vorkan_logo_.x"));
    w.setText1(path);
    QVERIFY(w.Text1_->fontMetrics().horizontalAdvance(path) > w.Text1_->width());
    QVERIFY(showsItsStart(w.Text1_));
    // A click on the list, after the user has left the caret at the end.
    w.Text1_->end(false);
    QTest::mouseClick(w.List1_->viewport(), Qt::LeftButton, {},
                      w.List1_->visualItemRect(w.List1_->item(21)).center());
    w.Timer1_->stop();
    QCOMPARE(w.Text1(), QStringLiteral("X-File\\vorkan_logo_.x"));
    QVERIFY(showsItsStart(w.Text1_));
}

void Handlers::messageBoxOverTheWindowInOneFace()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.move(40, 60);
    QVERIFY(f.showActive());
    platform::hooks().messageBox = {};  // the real box
    const QString text = QString::fromStdString(
        platform::RuntimeError(d3d::D3DXERR_INVALIDDATA,
                               "D3DXLoadMeshFromX に失敗しました (D3DXERR_INVALIDDATA)。")
            .message());
    QRect box, window;
    QFont font;
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(shown);
        QTRY_VERIFY(shown->isVisible());
        box = shown->frameGeometry();
        window = w.frameGeometry();
        font = shown->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->font();
        shown->accept();
    });
    platform::messageBox(text);
    QVERIFY(!box.isEmpty());
    QVERIFY2((box.center() - window.center()).manhattanLength() <= 2,
             qPrintable(QStringLiteral("box centre %1,%2; window centre %3,%4")
                            .arg(box.center().x())
                            .arg(box.center().y())
                            .arg(window.center().x())
                            .arg(window.center().y())));
    // The face the label's font resolves to draws every letter itself, the
    // code's digits and its hex letters as well as the Japanese.
    const QRawFont face = QRawFont::fromFont(font);
    for (const QChar letter : text)
        if (!letter.isSpace())
            QVERIFY2(face.supportsCharacter(letter),
                     qPrintable(QStringLiteral("%1 lacks %2").arg(face.familyName()).arg(letter)));
}

void Handlers::exitFromButtonAndMenu()
{
    for (int viaMenu = 0; viaMenu < 2; ++viaMenu) {
        Form1Fixture f;
        f.form->Command3_Click();  // also while the about dialog is open
        const ProgramEnd end = runToTheEnd([&] {
            if (viaMenu)
                f.form->mnuEnd_->trigger();
            else
                QTest::mouseClick(f.form->Command2_, Qt::LeftButton);
        });
        QCOMPARE(end.status, 0);
        QVERIFY(end.messages.isEmpty());
        delete f.form->aboutDialog();
    }
}

void Handlers::aboutDialogIsOneModelessInstance()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.show();
    w.Command3_Click();
    ui::Form2* dialog = w.aboutDialog();
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(!dialog->isModal());
    w.Command3_Click();
    QCOMPARE(w.aboutDialog(), dialog);
    const QWidgetList tops = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(tops.begin(), tops.end(),
                           [](QWidget* top) { return top->objectName() == QLatin1String("Form2"); }),
             1);
    delete dialog;
}

void Handlers::aboutDialogContent()
{
    const QString text = ui::aboutText();
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 36);  // 35 lines, each ended by CR LF
    QVERIFY(lines.last().isEmpty());
    QCOMPARE(lines[0], QStringLiteral("■") + QChar(0x3000) + QStringLiteral("動作環境"));
    QCOMPARE(lines[7], QStringLiteral("■") + QChar(0x3000) + QStringLiteral("仕様"));
    QCOMPARE(lines[23], QStringLiteral("■") + QChar(0x3000) + QStringLiteral("その他"));
    QCOMPARE(lines[27], QStringLiteral("「 いらないんだよっ！") + QChar(0x3000) +
                            QStringLiteral("こんなもの！ 」という方はどう"));
    QCOMPARE(lines[11], QStringLiteral("新しいデータを見る場合は、Ｘファイルをこのプログラ"));
    QCOMPARE(lines[34], QStringLiteral("せんのでよろしくお願いします。"));
    QVERIFY(lines[31].startsWith(QStringLiteral("「 ")) &&
            lines[31].endsWith(QStringLiteral(" 」まで連絡ください。")));
    QVERIFY(!text.contains(QStringLiteral("\n\n")));

    ui::Form2 dialog{QIcon()};
    QCOMPARE(dialog.windowTitle(), QStringLiteral("バージョン情報 + α"));
    QCOMPARE(dialog.Label1_->text(), QStringLiteral("Orvane"));
    QCOMPARE(dialog.Label1_->font().family(), QStringLiteral("RocknRoll One"));
    QVERIFY(!dialog.Label1_->font().bold());
    QCOMPARE(dialog.Label3_->text(), QStringLiteral("Ver.2.10"));
    QCOMPARE(dialog.Command1_->text(), QStringLiteral("了承"));
    QVERIFY(!dialog.Command1_->isDefault());
    QCOMPARE(dialog.Image4_->pixmap().size(), QSize(200, 40));
    QVERIFY(dialog.Label2_->text().endsWith(QLatin1Char('\n')));
    QCOMPARE(dialog.Text1_->toPlainText().split(QLatin1Char('\n')).size(), 36);
    if (qAbs(dialog.logicalDpiX() - 96) < 1)
        QCOMPARE(dialog.size(), QSize(312, 420));
}

void Handlers::aboutDialogFocusAndLifecycle()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.show();
    w.Command3_Click();
    QPointer<ui::Form2> dialog = w.aboutDialog();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->Command1_));

    // Back from the main window: the focus returns to 了承.
    dialog->Text1_->setFocus();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->Command1_));

    // 了承 hides; the same instance comes back with its edits.
    dialog->Text1_->appendPlainText(QStringLiteral("edit"));
    QTest::mouseClick(dialog->Command1_, Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    w.Command3_Click();
    QCOMPARE(w.aboutDialog(), dialog.data());
    QVERIFY(dialog->Text1_->toPlainText().contains(QStringLiteral("edit")));

    // Closing through the frame unloads it: the next one starts afresh.
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
    w.Command3_Click();
    QVERIFY(!w.aboutDialog()->Text1_->toPlainText().contains(QStringLiteral("edit")));
    delete w.aboutDialog();
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    Handlers test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_handlers.moc"
