// Every state of every skinned control has a look of its own, and a look drawn twice comes out the same.
// With SELVANO_CONTROL_SHOTS=<folder> the looks are also written there as one PNG sheet per control.
#include "controls/BitmapButton.h"
#include "controls/BitmapSlider.h"
#include "controls/ListButton.h"
#include "controls/SkinPalette.h"
#include "controls/SkinProgress.h"
#include "controls/SkinStatic.h"

#include <QDir>
#include <QMenu>
#include <QtTest>

#include <functional>
#include <vector>

namespace {

struct Look {
    const char* name;
    std::function<void()> set; // puts the control into the state, starting from the previous one
};

// The control as the form shows it: on the skin's background.
QImage Shot(QWidget& control) {
    QImage image(control.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(CSkinPalette::Background());
    QPainter painter(&image);
    painter.drawPixmap(0, 0, control.grab());
    return image;
}

void Hover(QWidget& control, bool on) {
    if (on) {
        const QPointF at = control.rect().center();
        QEnterEvent enter(at, at, control.mapToGlobal(at));
        QCoreApplication::sendEvent(&control, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&control, &leave);
    }
}

void WriteSheet(const QString& name, const std::vector<std::pair<QString, QImage>>& shots) {
    const QString folder = qEnvironmentVariable("SELVANO_CONTROL_SHOTS");
    if (folder.isEmpty())
        return;
    constexpr int kGap = 10;
    constexpr int kLabel = 16;
    int width = kGap;
    int height = 0;
    for (const auto& shot : shots) {
        width += std::max(shot.second.width(), 70) + kGap;
        height = std::max(height, shot.second.height());
    }
    QImage sheet(width, height + kLabel + 2 * kGap, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(CSkinPalette::Background());
    QPainter painter(&sheet);
    QFont font;
    font.setPixelSize(10);
    painter.setFont(font);
    painter.setPen(CSkinPalette::DimText());
    int x = kGap;
    for (const auto& [label, image] : shots) {
        painter.drawImage(x, kGap, image);
        painter.drawText(QRect(x, kGap + height + 2, 200, kLabel), Qt::AlignLeft | Qt::AlignTop, label);
        x += std::max(image.width(), 70) + kGap;
    }
    painter.end();
    QDir().mkpath(folder);
    QVERIFY(sheet.save(folder + "/" + name + ".png"));
    QVERIFY(sheet.scaled(sheet.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                .save(folder + "/" + name + "@3x.png"));
}

// Each look must differ from every other one and be drawn the same way again.
void CheckLooks(const QString& name, QWidget& control, const std::vector<Look>& looks) {
    std::vector<std::pair<QString, QImage>> shots;
    for (const Look& look : looks) {
        look.set();
        const QImage image = Shot(control);
        QCOMPARE(Shot(control), image);
        for (const auto& [other, seen] : shots)
            QVERIFY2(seen != image, qPrintable(QString("%1 looks like %2").arg(look.name, other)));
        shots.emplace_back(look.name, image);
    }
    WriteSheet(name, shots);
}

} // namespace

class TestSkinLooks : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_form.reset(); }

    void button();
    void slider();
    void listButton();
    void labelAndProgress();

private:
    template <typename Control> Control* Place(Control* control, QSize size) {
        control->setParent(m_form.get());
        control->resize(size);
        control->show();
        return control;
    }
    void Focus(QWidget* control, bool on);

    std::unique_ptr<QWidget> m_form;
};

void TestSkinLooks::init() {
    m_form = std::make_unique<QWidget>();
    m_form->resize(400, 300);
    m_form->move(0, 0);
    m_form->setPalette(CSkinPalette::Palette()); // as the window sets it
    QCursor::setPos(1000, 1000);                 // away from the form: only the looks ask for hover
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void TestSkinLooks::Focus(QWidget* control, bool on) {
    if (on)
        control->setFocus(Qt::TabFocusReason);
    else
        m_form->setFocus();
    QCOMPARE(control->hasFocus(), on);
}

void TestSkinLooks::button() {
    auto* button = Place(new CBitmapButton({"Connect", "连接"}), {84, 26});
    button->setCheckable(true);
    CheckLooks("button", *button,
               {{"rest", [] {}},
                {"hover", [=] { Hover(*button, true); }},
                {"pressed", [=] { button->setDown(true); }},
                {"checked",
                 [=] {
                     button->setDown(false);
                     Hover(*button, false);
                     button->setChecked(true);
                 }},
                {"checked hover", [=] { Hover(*button, true); }},
                {"checked focus",
                 [=, this] {
                     Hover(*button, false);
                     Focus(button, true);
                 }},
                {"focus", [=] { button->setChecked(false); }},
                {"chinese",
                 [=, this] {
                     Focus(button, false);
                     button->SetLanguage(1);
                 }},
                {"disabled",
                 [=] {
                     button->SetLanguage(0);
                     button->setEnabled(false);
                 }},
                {"disabled checked", [=] { button->setChecked(true); }}});
}

void TestSkinLooks::slider() {
    auto* slider = Place(new CBitmapSlider(Qt::Vertical), {28, 150});
    slider->SetRange(0, 240);
    slider->SetPosition(170);
    slider->SetTickInterval(40);
    CheckLooks(
        "slider", *slider,
        {{"rest", [] {}},
         {"hover", [=] { Hover(*slider, true); }},
         {"dragged", [=] { QTest::mousePress(slider, Qt::LeftButton, {}, slider->ThumbRect().center()); }},
         {"focus",
          [=, this] {
              QTest::mouseRelease(slider, Qt::LeftButton, {}, slider->ThumbRect().center());
              Hover(*slider, false);
              Focus(slider, true);
          }},
         {"cut and boost",
          [=, this] {
              Focus(slider, false);
              slider->SetFillOrigin(120);
              slider->SetPosition(70);
          }},
         {"disabled", [=] { slider->setEnabled(false); }}});

    auto* gain = Place(new CBitmapSlider(Qt::Horizontal), {120, 24});
    gain->SetRange(0, 60);
    gain->SetPosition(42);
    CheckLooks("slider-horizontal", *gain,
               {{"rest", [] {}}, {"hover", [=] { Hover(*gain, true); }}, {"focus", [=, this] {
                                                                              Focus(gain, true);
                                                                          }}});
}

void TestSkinLooks::listButton() {
    auto* list = Place(new CListButton, {104, 24});
    list->SetEntries({{"Link_Ril", "宁克"}, {"Bessel", "贝塞尔"}, {"Butter_W", "巴特沃斯"}});
    CheckLooks("list", *list,
               {{"rest", [] {}},
                {"hover", [=] { Hover(*list, true); }},
                {"open", [=] { list->ShowPopup(); }},
                {"focus",
                 [=, this] {
                     list->HidePopup();
                     Hover(*list, false);
                     Focus(list, true);
                 }},
                {"other entry",
                 [=, this] {
                     Focus(list, false);
                     list->SetCurrentIndex(2);
                 }},
                {"chinese", [=] { list->SetLanguage(1); }},
                {"disabled", [=] { list->setEnabled(false); }}});

    // The open list itself.
    list->setEnabled(true);
    list->SetLanguage(0);
    list->ShowPopup();
    QVERIFY(list->Popup() != nullptr);
    QTRY_VERIFY(list->Popup()->isVisible());
    WriteSheet("list-popup", {{"open list", Shot(*list->Popup())}});
    list->HidePopup();
}

void TestSkinLooks::labelAndProgress() {
    auto* label = Place(new CSkinStatic({"High-Pass", "高通"}), {90, 20});
    CheckLooks("static", *label,
               {{"rest", [] {}},
                {"chinese", [=] { label->SetLanguage(1); }},
                {"title",
                 [=] {
                     label->SetColour(CSkinPalette::Text());
                     label->SetPixelSize(14, QFont::DemiBold);
                 }},
                {"disabled", [=] { label->setEnabled(false); }}});

    auto* bar = Place(new CSkinProgress, {200, 10});
    bar->SetRange(0, 100);
    CheckLooks("progress", *bar,
               {{"empty", [] {}},
                {"40%", [=] { bar->SetPosition(40); }},
                {"full", [=] { bar->SetPosition(100); }},
                {"disabled", [=] {
                     bar->SetPosition(40);
                     bar->setEnabled(false);
                 }}});
}

QTEST_MAIN(TestSkinLooks)
#include "tst_SkinLooks.moc"
