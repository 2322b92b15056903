// The main window as it opens: captions, places, defaults, ranges, tab order,
// colours, and the behaviour of its notifying controls.
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QtTest>

#include "form1_fixture.h"
#include "platform/application.h"
#include "render/status.h"
#include "ui/form2.h"
#include "ui/units.h"

using testing_support::Form1Fixture;

namespace {

// Whether `action` raises run-time error 380, "Invalid property value".
template <class F>
bool raises(F&& action)
{
    try {
        action();
    } catch (const platform::RuntimeError& error) {
        return error.code() == 380 &&
               QString::fromStdString(error.message()).startsWith(QStringLiteral("実行時エラー '380':"));
    }
    return false;
}

}  // namespace

class Form1Layout : public QObject {
    Q_OBJECT
private slots:
    void captions();
    void geometryInPixels();
    void scrollBarRangesAndDefaults();
    void checkBoxDefaults();
    void listsAndTextBoxes();
    void picture1ReportsInnerUnits();
    void opensCollapsedWithReadOuts();
    void colourAndFont();
    void tabOrderFollowsTabIndexes();
    void notificationsFireOncePerRealChange();
    void refusedValuesRaise();
    void readOutFormat();
    void twipsRoundEdges();
    void captionsFitTheirLabels();
    void listShowsWholeRows();
    void intensityBarsStayOperableBesideTheirReadOuts();
    void focusedControlsShowAFocusMark();
    void standardMenusAreJapanese();
};

void Form1Layout::captions()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvane"));
    QCOMPARE(w.Command1_->text(), QStringLiteral("実行(&S)"));
    QCOMPARE(w.Command2_->text(), QStringLiteral("終了(&E)"));
    QCOMPARE(w.Command3_->text(), QStringLiteral("ソフト情報(&H)"));
    QCOMPARE(w.Command4_->text(), QStringLiteral("設定リセット(&R)"));
    QCOMPARE(w.Command5_->text(), QStringLiteral("更新"));
    QCOMPARE(w.Label2_->text(), QStringLiteral("X ファイル名 直接入力"));
    QCOMPARE(w.Label4_->text(), QStringLiteral("既存データ"));
    QCOMPARE(w.Label5_->text(), QStringLiteral("既存データ"));
    QCOMPARE(w.Label7_->text(), QStringLiteral("面の数"));
    QCOMPARE(w.Label8_->text(), QStringLiteral("頂点の数"));
    QCOMPARE(w.Label11_->text(), QStringLiteral("回転"));
    QCOMPARE(w.Label10_->text(), QStringLiteral("視点"));
    QCOMPARE(w.Label13_->text(), QStringLiteral("マテリアル"));
    QCOMPARE(w.Label9_->text(), QStringLiteral("照明"));
    QCOMPARE(w.Label3_->text(), QStringLiteral("物体の色 (RGB)"));
    QCOMPARE(w.Check1_->text(), QStringLiteral("Y 回転速度  Default On"));
    QCOMPARE(w.Check2_->text(), QStringLiteral("X 回転速度"));
    QCOMPARE(w.Check3_->text(), QStringLiteral("テクスチャ"));
    QCOMPARE(w.Check7_->text(), QStringLiteral("ワイヤフレーム表示"));
    QCOMPARE(w.Check8_->text(), QStringLiteral("直接光"));
    QCOMPARE(w.Check9_->text(), QStringLiteral("環境光"));
    QCOMPARE(w.Check14_->text(), QStringLiteral("詳細設定 ⇒"));
    // Gaps of ideographic spaces, counted.
    QCOMPARE(w.Label1_->text(), QStringLiteral("狭い ") + QString(4, QChar(0x3000)) +
                                    QStringLiteral("視野の広さ (角度)") + QString(4, QChar(0x3000)) +
                                    QStringLiteral(" 広い"));
    QCOMPARE(w.Label6_->text(), QStringLiteral("下へ") + QString(5, QChar(0x3000)) +
                                    QStringLiteral("視野の上下調節") + QString(5, QChar(0x3000)) +
                                    QStringLiteral("上へ"));
    QCOMPARE(w.Label16_->text(), QStringLiteral("遠い") + QString(4, QChar(0x3000)) +
                                     QStringLiteral("カメラの位置 (Z軸)") + QString(4, QChar(0x3000)) +
                                     QStringLiteral("近い"));
    QCOMPARE(w.Label17_->text(), QStringLiteral("下へ") + QString(4, QChar(0x3000)) +
                                     QStringLiteral("カメラの位置 (Y軸)") + QString(4, QChar(0x3000)) +
                                     QStringLiteral("上へ"));
    QCOMPARE(w.Label14_->text(), QStringLiteral("透明度       1.00 (透明度なし)"));
    QCOMPARE(w.Label15_->text(), QStringLiteral("光沢          0.00 (光沢なし)"));
    for (int i = 0; i < 3; ++i) {
        const QString rgb = QString("RGB").mid(i, 1);
        QCOMPARE((*w.Check6_)[i]->text(), rgb);
        QCOMPARE((*w.Check10_)[i]->text(), rgb);
        QCOMPARE((*w.Check11_)[i]->text(), rgb);
    }
    QCOMPARE(w.mnuMenu_->title(), QStringLiteral("メニュー"));
    QCOMPARE(w.mnuStart_->text(), QStringLiteral("実行(&S)"));
    QCOMPARE(w.mnuEnd_->text(), QStringLiteral("終了(&E)"));
    QCOMPARE(w.mnuMenu_->actions().size(), 2);
    for (int size : {16, 32, 48})
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(size, size)));
}

void Form1Layout::geometryInPixels()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    if (qAbs(ui::logicalDpi() - 96.0) > 0.01)
        QSKIP("pixel sizes are checked at 96 dots per inch");
    // 15 twips to the pixel.
    QCOMPARE(w.picture1_->geometry(), QRect(0, 0, 505, 499));
    QCOMPARE(w.Command1_->geometry(), QRect(264, 512, 113, 49));
    QCOMPARE(w.Text1_->geometry(), QRect(8, 520, 233, 18));
    // The list keeps its place and width; its height holds whole rows.
    QCOMPARE(w.List1_->geometry().topLeft(), QPoint(8, 560));
    QCOMPARE(w.List1_->width(), 233);
    QVERIFY(w.List1_->height() <= 88 && w.List1_->height() > 88 - w.List1_->sizeHintForRow(0));
    QCOMPARE(w.HScroll1_->geometry(), QRect(520, 56, 217, 17));
    QCOMPARE(w.HScroll6_->geometry(), QRect(520, 552, 201, 17));
    QCOMPARE(w.Check12_->geometry(), QRect(704, 552, 49, 20));
    QCOMPARE(w.Combo1_->geometry(), QRect(632, 480, 81, 20));
    QCOMPARE(w.Command5_->geometry(), QRect(712, 480, 33, 19));  // 10680+495 = 11175 → 745
    QCOMPARE((*w.Check6_)[2]->geometry(), QRect(696, 432, 33, 15));
    QCOMPARE(w.height(), 654);
}

void Form1Layout::scrollBarRangesAndDefaults()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    struct Bar {
        ui::ScrollBar* bar;
        int min, max, large, value;
    };
    const Bar bars[] = {{w.HScroll1_, 1, 200, 5, 100},   {w.HScroll2_, 1, 200, 5, 100},
                        {w.HScroll4_, 1, 50, 5, 14},     {w.HScroll5_, 0, 50, 5, 25},
                        {w.HScroll10_, 0, 999, 10, 990}, {w.HScroll11_, 3, 203, 10, 103},
                        {w.HScroll8_, 0, 100, 10, 100},  {w.HScroll9_, 0, 100, 10, 0},
                        {w.HScroll6_, 0, 200, 10, 30},   {w.HScroll7_, 0, 100, 10, 10}};
    for (const Bar& b : bars) {
        QCOMPARE(b.bar->minimum(), b.min);
        QCOMPARE(b.bar->maximum(), b.max);
        QCOMPARE(b.bar->singleStep(), 1);
        QCOMPARE(b.bar->pageStep(), b.large);
        QCOMPARE(int(b.bar->Value()), b.value);
        QCOMPARE(b.bar->orientation(), Qt::Horizontal);
        QVERIFY(!b.bar->hasTracking());
    }
    QCOMPARE(w.Timer1_->interval(), 30);
    QVERIFY(!w.Timer1_->isActive());
}

void Form1Layout::checkBoxDefaults()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    QCOMPARE(w.Check(1), std::int16_t(1));
    QCOMPARE(w.Check(2), std::int16_t(0));
    QCOMPARE(w.Check(3), std::int16_t(0));
    QCOMPARE(w.Check(7), std::int16_t(0));
    QCOMPARE(w.Check(8), std::int16_t(1));
    QCOMPARE(w.Check(9), std::int16_t(1));
    QCOMPARE(w.Check(12), std::int16_t(0));
    QCOMPARE(w.Check(13), std::int16_t(0));
    QCOMPARE(w.Check(14), std::int16_t(0));
    for (int array : {6, 10, 11})
        for (int i = 0; i < 3; ++i)
            QCOMPARE(w.CheckArray(array, i), std::int16_t(1));
}

void Form1Layout::listsAndTextBoxes()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    QStringList models;
    for (int i = 0; i < w.List1_->count(); ++i)
        models << w.List1_->item(i)->text();
    QCOMPARE(models, QStringList({"beer",     "beer_",       "box2",        "box",         "box_2",  "circle",
                                  "circle_2", "city02_01",   "haguruma",    "hedra",       "object", "panel",
                                  "panel2",   "panel3",      "stars",       "teapot",      "tours",  "tube",
                                  "vorkan",   "vorkan_mozi", "vorkan_logo", "vorkan_logo_"}));
    QVERIFY(w.List1_->selectedItems().isEmpty());
    QStringList textures;
    for (int i = 0; i < w.Combo1_->count(); ++i)
        textures << w.Combo1_->itemText(i);
    QCOMPARE(textures, QStringList({"1.bmp", "2.bmp", "City02_01.jpg", "earth1.jpg", "earth2.jpg",
                                    "earth3.jpg", "mars1.jpg", "moon1.jpg", "sky1.jpg", "sky2.jpg"}));
    QCOMPARE(w.Combo1_->currentText(), QStringLiteral("Texture"));
    QVERIFY(w.Combo1_->isEditable());
    QCOMPARE(w.Text1(), QStringLiteral("X-File\\vorkan.x"));
    QCOMPARE(w.Text2(), QStringLiteral("Texture\\1.bmp"));
}

void Form1Layout::picture1ReportsInnerUnits()
{
    Form1Fixture f;
    QVERIFY(qAbs(f.form->Picture1Width() - 0.66722f) < 1e-5f);
    QVERIFY(qAbs(f.form->Picture1Height() - 0.76452f) < 1e-5f);
    QVERIFY(qAbs(f.form->Picture1Height() / f.form->Picture1Width() - 1.1458f) < 1e-4f);
}

void Form1Layout::opensCollapsedWithReadOuts()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Designed width less 3700 twips: about as wide as the render panel.
    const int frame = w.frameGeometry().width() - w.width();
    QVERIFY(qAbs(w.WidthTwips() - (ui::kClientWidthTwips - ui::kLoadNarrowingTwips) - frame * 15) <= 30);
    QCOMPARE(w.Check12_->text(), QStringLiteral("1.00"));
    QCOMPARE(w.Check13_->text(), QStringLiteral("0.10"));
    QCOMPARE(f.runtime.count("CreateDevice"), 0);  // nothing drawn at load
}

void Form1Layout::colourAndFont()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    const QColor lavender(217, 215, 232);
    QCOMPARE(w.palette().color(QPalette::Window), lavender);
    QCOMPARE(w.Check1_->palette().color(QPalette::Window), lavender);
    QCOMPARE(w.Command1_->palette().color(QPalette::Button), lavender);
    QCOMPARE(w.Text1_->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(w.List1_->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(w.Command1_->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(w.Command1_->font().pointSize(), 9);
    // The Japanese face resolves to a font that has the glyphs.
    QVERIFY(QFontInfo(w.Command1_->font()).family().contains("IPA") ||
            !QFont::substitutes(QStringLiteral("ＭＳ Ｐゴシック")).isEmpty());
}

void Form1Layout::tabOrderFollowsTabIndexes()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    QList<QWidget*> expected = {
        w.Command1_,      w.picture1_,      w.Text1_,        w.HScroll1_,      w.HScroll2_,
        w.Check1_,        w.Check2_,        w.Check3_,       w.Text2_,         w.HScroll4_,
        (*w.Check6_)[0],  (*w.Check6_)[1],  (*w.Check6_)[2], w.Check7_,        w.List1_,
        w.HScroll5_,      w.Check8_,        w.Check9_,       (*w.Check10_)[0], (*w.Check10_)[1],
        (*w.Check10_)[2], (*w.Check11_)[0], w.HScroll11_,    (*w.Check11_)[1], (*w.Check11_)[2],
        w.HScroll6_,      w.HScroll7_,      w.Check12_,      w.Check13_,       w.Check14_,
        w.HScroll8_,      w.HScroll9_,      w.HScroll10_,    w.Command3_,      w.Command2_,
        w.Command4_,      w.Combo1_,        w.Command5_};
    QList<QWidget*> chain;
    QWidget* current = w.Command1_;
    for (int i = 0; i < expected.size(); ++i) {
        chain << current;
        do
            current = current->nextInFocusChain();
        while (current->parentWidget() != &w || !(current->focusPolicy() & Qt::TabFocus));
    }
    QStringList actualNames, expectedNames;
    for (QWidget* c : chain)
        actualNames << c->objectName();
    for (QWidget* e : expected)
        expectedNames << e->objectName();
    QCOMPARE(actualNames, expectedNames);
}

void Form1Layout::notificationsFireOncePerRealChange()
{
    ui::ScrollBar bar(0, 100, 1, 10, 50, nullptr);
    QSignalSpy changes(&bar, &ui::ScrollBar::Change);
    bar.setValue16(50);
    QCOMPARE(changes.count(), 0);
    bar.setValue16(60);
    QCOMPARE(changes.count(), 1);
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(int(bar.Value()), 61);

    ui::CheckBox box(QStringLiteral("x"), true, nullptr);
    QSignalSpy clicks(&box, &ui::CheckBox::Click);
    box.setValue16(1);
    QCOMPARE(clicks.count(), 0);
    box.setValue16(0);
    QCOMPARE(clicks.count(), 1);
    box.click();
    QCOMPARE(clicks.count(), 2);

    std::array<ui::CheckBox*, 3> members = {new ui::CheckBox("R", true, nullptr),
                                            new ui::CheckBox("G", true, nullptr),
                                            new ui::CheckBox("B", true, nullptr)};
    ui::CheckArray array(members, nullptr);
    QSignalSpy arrayClicks(&array, &ui::CheckArray::Click);
    array[2]->setValue16(0);
    array[1]->setValue16(1);
    QCOMPARE(arrayClicks.count(), 1);
    QCOMPARE(arrayClicks.at(0).at(0).toInt(), 2);
    for (auto* m : members)
        delete m;
}

void Form1Layout::refusedValuesRaise()
{
    ui::ScrollBar bar(1, 50, 1, 5, 14, nullptr);
    QVERIFY(raises([&] { bar.setValue16(51); }));
    QVERIFY(raises([&] { bar.setValue16(0); }));
    ui::CheckBox box(QStringLiteral("x"), false, nullptr);
    QVERIFY(raises([&] { box.setValue16(2); }));
    QCOMPARE(int(bar.Value()), 14);
}

void Form1Layout::readOutFormat()
{
    QCOMPARE(ui::formatReadout(0), QStringLiteral("0.00"));
    QCOMPARE(ui::formatReadout(30 / 30.0), QStringLiteral("1.00"));
    QCOMPARE(ui::formatReadout(200 / 30.0), QStringLiteral("6.67"));
    QCOMPARE(ui::formatReadout(10 / 100.0), QStringLiteral("0.10"));
    QCOMPARE(ui::formatReadout(99 / 100.0), QStringLiteral("0.99"));
    QCOMPARE(ui::formatReadout(0.125), QStringLiteral("0.13"));
    QCOMPARE(ui::formatReadout(12.5), QStringLiteral("12.50"));
}

void Form1Layout::twipsRoundEdges()
{
    // At 96 dpi both edges round, so touching rectangles stay touching.
    QCOMPARE(ui::twipsToPixels(9240, 6480, 495, 225, 96), QRect(616, 432, 33, 15));
    const QRect left = ui::twipsToPixels(0, 0, 22, 22, 96), right = ui::twipsToPixels(22, 0, 22, 22, 96);
    QCOMPARE(left.right() + 1, right.left());
    QCOMPARE(ui::twipsToPixels(7575, 96), 505);
    QCOMPARE(ui::twipsToPixels(1440, 120), 120);
}

void Form1Layout::captionsFitTheirLabels()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    // The viewpoint captions run widest: their gaps are ideographic spaces.
    for (ui::Label* label :
         {w.Label1_, w.Label6_, w.Label16_, w.Label17_, w.Label14_, w.Label15_, w.Label2_}) {
        const int drawn = label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(drawn <= label->contentsRect().width(),
                 qPrintable(QStringLiteral("%1: %2 px of text in %3 px")
                                .arg(label->objectName())
                                .arg(drawn)
                                .arg(label->contentsRect().width())));
        // Still the face and size of the window.
        QCOMPARE(label->font().pointSize(), 9);
    }
    // And what is painted reaches the right-hand word: ink in the last eighth.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (ui::Label* label : {w.Label1_, w.Label6_, w.Label16_, w.Label17_}) {
        const QImage image = label->grab().toImage();
        const int lastWordStart =
            label->width() - label->fontMetrics().horizontalAdvance(label->text().right(2));
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = std::max(0, lastWordStart); x < image.width(); ++x)
                ink += qGray(image.pixel(x, y)) < 128;
        QVERIFY2(ink > 10, qPrintable(label->objectName()));
    }
}

void Form1Layout::listShowsWholeRows()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const int row = w.List1_->sizeHintForRow(0);
    QVERIFY(row > 0);
    QCOMPARE(w.List1_->viewport()->height() % row, 0);
    // Scrolled to the end, the last row lies whole inside the box.
    w.List1_->scrollToBottom();
    const QRect last = w.List1_->visualItemRect(w.List1_->item(w.List1_->count() - 1));
    QVERIFY(w.List1_->viewport()->rect().contains(last));
    for (int i = 0; i < w.List1_->count(); ++i) {
        const QRect rect = w.List1_->visualItemRect(w.List1_->item(i));
        const QRect shown = rect.intersected(w.List1_->viewport()->rect());
        QVERIFY2(shown.isEmpty() || shown == rect, qPrintable(w.List1_->item(i)->text()));
    }
}

void Form1Layout::intensityBarsStayOperableBesideTheirReadOuts()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.Check14_->setValue16(1);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const struct {
        ui::ScrollBar* bar;
        ui::CheckBox* readOut;
    } pairs[] = {{w.HScroll6_, w.Check12_}, {w.HScroll7_, w.Check13_}};
    for (const auto& pair : pairs) {
        const QRect bar = pair.bar->geometry();
        // The right arrow: the bar's last few pixels.
        const QPoint arrow(bar.right() - 4, bar.center().y());
        QCOMPARE(w.childAt(arrow), static_cast<QWidget*>(pair.bar));
        const int before = pair.bar->Value();
        QTest::mouseClick(pair.bar, Qt::LeftButton, {}, pair.bar->mapFrom(&w, arrow));
        QCOMPARE(int(pair.bar->Value()), before + 1);
        QCOMPARE(pair.readOut->Value(), std::int16_t(0));
        // The read-out's text lies beyond the bar and can be read.
        QStyleOptionButton option;
        option.initFrom(pair.readOut);
        option.text = pair.readOut->text();
        const QRect text = pair.readOut->style()
                               ->subElementRect(QStyle::SE_CheckBoxContents, &option, pair.readOut)
                               .translated(pair.readOut->pos());
        QVERIFY2(text.left() > bar.right(), qPrintable(pair.readOut->objectName()));
        QCOMPARE(w.childAt(text.center()), static_cast<QWidget*>(pair.readOut));
    }
}

void Form1Layout::focusedControlsShowAFocusMark()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    w.Check14_->setValue16(1);
    QVERIFY(f.showActive());
    // Each control painted with and without the focus: the two pictures differ.
    for (QWidget* control :
         std::initializer_list<QWidget*>{w.HScroll10_, w.picture1_, w.Command1_, w.Check7_}) {
        control->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(control->hasFocus());
        const QImage focused = control->grab().toImage();
        w.Text1_->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(!control->hasFocus());
        const QImage unfocused = control->grab().toImage();
        QVERIFY2(focused != unfocused, qPrintable(control->objectName()));
    }
    // 了承 has the focus when the dialog opens, and shows it.
    w.Command3_Click();
    ui::Form2* dialog = w.aboutDialog();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QTRY_VERIFY(dialog->Command1_->hasFocus());
    const QImage focused = dialog->Command1_->grab().toImage();
    dialog->Text1_->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(!dialog->Command1_->hasFocus());
    QVERIFY(focused != dialog->Command1_->grab().toImage());
    delete dialog;
}

void Form1Layout::standardMenusAreJapanese()
{
    Form1Fixture f;
    testing_support::OpenForm1& w = *f.form;
    std::unique_ptr<QMenu> menu(w.Text1_->createStandardContextMenu());
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    QVERIFY(!texts.isEmpty());
    for (const QString& text : texts) {
        QVERIFY2(!text.contains(QStringLiteral("Undo")) && !text.contains(QStringLiteral("Paste")),
                 qPrintable(text));
        QVERIFY2(std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3000; }),
                 qPrintable(text));
    }
    // The scroll bars' own menu, through the same translations.
    const QString scrollHere = QCoreApplication::translate("QScrollBar", "Scroll here");
    QVERIFY2(scrollHere != QStringLiteral("Scroll here"), qPrintable(scrollHere));
}

int main(int argc, char** argv)
{
    platform::Application app(argc, argv);
    Form1Layout test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_form1_layout.moc"
