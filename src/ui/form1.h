// Form1, the main window: the render panel, the model and texture choice, the
// command buttons, the statistics labels and the settings column. Every
// setting of the scene lives in one of its controls; the handlers keep the
// captions in step and rebuild the scene on each change.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "render/vb_direct3d8.h"
#include "ui/controls.h"
#include "viewer/scene.h"
#include "viewer/scene_controls.h"

namespace ui {

// The designed client area, in twips, and the inner coordinate scale that
// spans it (the units in which the toolkit reports control sizes).
constexpr int kClientWidthTwips = 11280;
constexpr int kClientHeightTwips = 9810;
constexpr float kScaleWidth = 0.99356f;
constexpr float kScaleHeight = 1.002f;

// Outer window widths of the settings toggle, and the narrowing at load.
constexpr int kExpandedWidthTwips = 11400;
constexpr int kCollapsedWidthTwips = 7665;
constexpr int kLoadNarrowingTwips = 3700;

class Form2;

class Form1 : public QWidget, public viewer::SceneControls {
    Q_OBJECT
public:
    explicit Form1(d3d::GraphicsRuntime& runtime, QWidget* parent = nullptr);
    ~Form1() override;

    // SceneControls
    d3d::HWND Picture1() override { return picture1_; }
    float Picture1Width() const override;
    float Picture1Height() const override;
    std::int16_t HScroll(int number) const override;
    std::int16_t Check(int number) const override;
    std::int16_t CheckArray(int number, int index) const override;
    // Text the program sets is shown from its start, as a Windows text box
    // shows it: a long path shows its folder, not only its file name.
    QString Text1() const override { return Text1_->text(); }
    void setText1(const QString& text) override { showFromStart(Text1_, text); }
    QString Text2() const override { return Text2_->text(); }
    void setText2(const QString& text) override { showFromStart(Text2_, text); }
    void setLabel7(const QString& caption) override;
    void setLabel8(const QString& caption) override;
    // Switching the timer on when it is already on changes nothing: the next
    // tick comes when it would have (QTimer::start() would restart the interval).
    void enableTimer1() override
    {
        if (!Timer1_->isActive())
            Timer1_->start();
    }

    // The window's outer width in twips, frame included.
    int WidthTwips() const;
    void setWidthTwips(int twips);

    viewer::Scene& scene() { return scene_; }
    d3d::VBDirect3D8& module() { return module_; }

    // Handlers.
    void Form_Load();
    void Form_KeyDown(int keyCode, int shift);
    void Form_MouseDown(int button, int shift, float x, float y);
    // Run and the frame timer, which a window of another look replaces.
    virtual void Command1_Click() { scene_.Command1_Click(); }
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Check3_Click() { Command1_Click(); }
    void Check6_Click(int) { Command1_Click(); }
    void Check7_Click() { Command1_Click(); }
    void Check8_Click();
    void Check9_Click();
    void Check10_Click(int) { Command1_Click(); }
    void Check11_Click(int) { Command1_Click(); }
    void Check14_Click();
    void HScroll4_Change() { Command1_Click(); }
    void HScroll5_Change() { Command1_Click(); }
    void HScroll6_Change();
    void HScroll7_Change();
    void HScroll8_Change();
    void HScroll9_Change();
    void HScroll10_Change() { Command1_Click(); }
    void HScroll11_Change() { Command1_Click(); }
    void List1_Click();
    void Combo1_Click();
    void Combo1_Change() { Combo1_Click(); }
    void mnuStart_Click() { Command1_Click(); }
    void mnuEnd_Click() { Command2_Click(); }
    virtual void Timer1_Timer() { scene_.Timer1_Timer(); }

    Form2* aboutDialog() const { return form2_; }

protected:
    // The controls, by their names on the form. They are the form's own: the
    // scene reads them through SceneControls, and widget tests reach them
    // through a subclass. What each numbered one holds:
    //   Picture1  the render panel
    //   Text1, List1     the model's file name, and the list of delivered models
    //   Text2, Combo1    the texture's file name, and the list of delivered textures
    //   Command1 Run (実行), Command2 exit, Command3 about, Command4 settings reset,
    //   Command5 texture update (更新)
    //   HScroll1, Check1  Y rotation speed and on/off; HScroll2, Check2 the same for X
    //   HScroll4   field of view (degrees)       HScroll5   look-at height
    //   HScroll10  camera position (Z)           HScroll11  camera position (Y)
    //   HScroll8   transparency (diffuse alpha)  HScroll9   gloss (specular)
    //   Check6(0..2)  material colour R, G, B;   Check3  texture on/off
    //   Check7     wireframe
    //   Check8, Check10(0..2), HScroll6, Check12  direct light: on/off, R G B,
    //              intensity, intensity read-out
    //   Check9, Check11(0..2), HScroll7, Check13  ambient light: the same
    //   Check14    settings column shown (window width)
    //   Label7, Label8  face and vertex counts; Label14, Label15 the
    //              transparency and gloss captions; the other labels are fixed
    //   Timer1     the frame timer (30 ms)
    QWidget* picture1_ = nullptr;
    ui::Label *Label1_, *Label2_, *Label3_, *Label4_, *Label5_, *Label6_, *Label7_, *Label8_, *Label9_,
        *Label10_, *Label11_, *Label13_, *Label14_, *Label15_, *Label16_, *Label17_;
    QLineEdit *Text1_, *Text2_;
    ui::ListBox* List1_;
    QComboBox* Combo1_;
    ui::PushButton *Command1_, *Command2_, *Command3_, *Command4_, *Command5_;
    ui::CheckBox *Check1_, *Check2_, *Check3_, *Check7_, *Check8_, *Check9_, *Check12_, *Check13_, *Check14_;
    ui::CheckArray *Check6_, *Check10_, *Check11_;
    ui::ScrollBar *HScroll1_, *HScroll2_, *HScroll4_, *HScroll5_, *HScroll6_, *HScroll7_, *HScroll8_,
        *HScroll9_, *HScroll10_, *HScroll11_;
    QTimer* Timer1_;
    QMenu* mnuMenu_;
    QAction *mnuStart_, *mnuEnd_;

    void paintEvent(QPaintEvent* event) override;
    // Controls the window's width hides (the settings column of the narrowed
    // window) take no focus until the window is wide enough to show them.
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Closing the main window ends the program, the about dialog with it.
    void closeEvent(QCloseEvent* event) override;
    // A model file dropped on the window is shown at once.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    void applyTabOrder();
    // Places a control at its designed rectangle (twips) and records its tab index.
    template <class W>
    W* place(const char* name, W* widget, int left, int top, int width, int height, int tabIndex);
    void showGroup(std::initializer_list<QWidget*> members, bool visible);
    static void showFromStart(QLineEdit* box, const QString& text);

    double dpi_;
    d3d::VBDirect3D8 module_;
    viewer::Scene scene_;
    std::vector<std::pair<int, QWidget*>> tabOrder_;
    // Each control's focus policy as made, for when the width shows it again.
    std::vector<std::pair<QWidget*, Qt::FocusPolicy>> focusPolicies_;
    Form2* form2_ = nullptr;
};

}  // namespace ui
