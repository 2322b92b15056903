#include "ui/form2.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "ui/units.h"

namespace ui {
namespace {

const QColor kBackground(217, 215, 232);

// The banner: the program's name over an evening sky, 200 × 40 pixels,
// drawn at `ratio` device pixels per pixel so that it stays sharp on a
// high-density screen.
QPixmap banner(qreal ratio)
{
    const QRect area(0, 0, 200, 40);
    QImage image(area.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 200, 40);
    sky.setColorAt(0, QColor(40, 40, 110));
    sky.setColorAt(1, QColor(240, 150, 90));
    p.fillRect(area, sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(255, 250, 230));
    QFont font(QStringLiteral("RocknRoll One"));
    font.setPixelSize(24);
    p.setFont(font);
    p.drawText(area, Qt::AlignCenter, QStringLiteral("Orvane"));
    return QPixmap::fromImage(image);
}

// The fonts at hand may run wider than the designed boxes; a label never
// cuts its own text short.
void fitWidth(QLabel* label)
{
    label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
}

}  // namespace

QString aboutText()
{
    static const char* const lines[] = {
        "■　動作環境",
        "",
        "Ｗｉｎｄｏｗｓ９８以降のＯＳで、",
        "ＤｉｒｅｃｔＸが動くパソコン。",
        "ＰＣの性能はあまり問いません。",
        "",
        "",
        "■　仕様",
        "",
        "Ｘファイルを見るためのソフトです。",
        "",
        "新しいデータを見る場合は、Ｘファイルをこのプログラ",
        "ムと同じファルダ、またはその下位フォルダに入れてフ",
        "ァイル名を指定してください。",
        "",
        "細かい使い方は割愛します。",
        "実際にいじってみれば分かるんで。",
        "",
        "ＤｉｒｅｃｔＸ９を使っていますので、動かない場合はマイク",
        "ロソフトの「ＤｉｒｅｃｔＸランタイム」の最新版をインストー",
        "ルしてください。",
        "",
        "",
        "■　その他",
        "",
        "このプログラムは、作者（vorkan） が、日常で使うた",
        "めに作ったものです。",
        "「 いらないんだよっ！　こんなもの！ 」という方はどう",
        "ぞゴミ箱へ。",
        "",
        "「動かねえぞゴルァ！！」という方は",
        "「 orvane@users.example.org 」まで連絡ください。",
        "",
        "あ、このソフトで生じたいかなる損害も作者は感知しま",
        "せんのでよろしくお願いします。",
    };
    QString text;
    for (const char* line : lines)
        text += QString::fromUtf8(line) + QStringLiteral("\r\n");
    return text;
}

Form2::Form2(const QIcon& icon, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);  // closing through the frame unloads
    setWindowTitle(QStringLiteral("バージョン情報 + α"));
    setWindowIcon(icon);
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    pal.setColor(QPalette::Button, kBackground);
    pal.setColor(QPalette::Base, kBackground);
    setPalette(pal);
    setAutoFillBackground(true);

    const double dpi = ui::logicalDpi();
    auto rect = [dpi](int l, int t, int w, int h) { return ui::twipsToPixels(l, t, w, h, dpi); };
    setFixedSize(ui::twipsToPixels(4680, dpi), ui::twipsToPixels(6300, dpi));

    Label1_ = new QLabel(QStringLiteral("Orvane"), this);
    Label1_->setGeometry(rect(240, 240, 3180, 405));
    // The title is set in a pop-style display face.
    QFont title(QStringLiteral("RocknRoll One"));
    title.setPointSizeF(20.25);
    title.setWeight(QFont::Normal);
    Label1_->setFont(title);

    Label3_ = new QLabel(QStringLiteral("Ver.2.10"), this);
    Label3_->setGeometry(rect(3720, 720, 600, 180));
    fitWidth(Label3_);

    Text1_ = new QPlainTextEdit(this);
    Text1_->setGeometry(rect(120, 1080, 4455, 2295));
    Text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The box shows lines; the text itself keeps its CR LF pairs.
    Text1_->setPlainText(aboutText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    Command1_ = new ui::PushButton(QStringLiteral("了承"), this);
    Command1_->setGeometry(rect(2640, 3600, 1935, 495));
    Command1_->setAutoDefault(false);
    connect(Command1_, &QPushButton::clicked, this, &Form2::Command1_Click);

    Image4_ = new QLabel(this);
    Image4_->setGeometry(rect(840, 5040, 3060, 660));
    Image4_->setScaledContents(true);
    Image4_->setPixmap(banner(devicePixelRatioF()));

    Label2_ = new QLabel(QStringLiteral("(C) 2026 Orvane developers\n"), this);
    Label2_->setGeometry(rect(600, 5760, 3495, 360));
    fitWidth(Label2_);

    setTabOrder(Label1_, Label2_);
    setTabOrder(Text1_, Command1_);
}

void Form2::Form_Activate() { Command1_->setFocus(Qt::ActiveWindowFocusReason); }

bool Form2::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return handled;
}

}  // namespace ui
