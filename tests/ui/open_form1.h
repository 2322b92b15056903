// The main window with its controls in reach. The form keeps its controls to
// itself; widget tests and benchmarks drive and inspect the real controls by
// their names on the form, through this subclass.
#pragma once

#include "ui/form1.h"

namespace testing_support {

class OpenForm1 : public ui::Form1 {
public:
    using ui::Form1::Form1;

    using ui::Form1::Check1_, ui::Form1::Check2_, ui::Form1::Check3_, ui::Form1::Check6_, ui::Form1::Check7_,
        ui::Form1::Check8_, ui::Form1::Check9_, ui::Form1::Check10_, ui::Form1::Check11_, ui::Form1::Check12_,
        ui::Form1::Check13_, ui::Form1::Check14_;
    using ui::Form1::Command1_, ui::Form1::Command2_, ui::Form1::Command3_, ui::Form1::Command4_,
        ui::Form1::Command5_;
    using ui::Form1::HScroll1_, ui::Form1::HScroll2_, ui::Form1::HScroll4_, ui::Form1::HScroll5_,
        ui::Form1::HScroll6_, ui::Form1::HScroll7_, ui::Form1::HScroll8_, ui::Form1::HScroll9_,
        ui::Form1::HScroll10_, ui::Form1::HScroll11_;
    using ui::Form1::Label1_, ui::Form1::Label2_, ui::Form1::Label3_, ui::Form1::Label4_, ui::Form1::Label5_,
        ui::Form1::Label6_, ui::Form1::Label7_, ui::Form1::Label8_, ui::Form1::Label9_, ui::Form1::Label10_,
        ui::Form1::Label11_, ui::Form1::Label13_, ui::Form1::Label14_, ui::Form1::Label15_,
        ui::Form1::Label16_, ui::Form1::Label17_;
    using ui::Form1::picture1_;
    using ui::Form1::Text1_, ui::Form1::Text2_, ui::Form1::List1_, ui::Form1::Combo1_;
    using ui::Form1::Timer1_, ui::Form1::mnuMenu_, ui::Form1::mnuStart_, ui::Form1::mnuEnd_;
};

}  // namespace testing_support
