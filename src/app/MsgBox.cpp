// The window's message boxes: system texts and yes-or-no questions, opened without a nested event loop.
#include "app/MsgBox.h"

#include "app/AppFont.h"

#include <algorithm>

CMsgBox::CMsgBox(QWidget* owner, const std::atomic<int>& language)
    : QObject(owner), m_owner(owner), m_language(language) {}

QList<QMessageBox*> CMsgBox::OpenBoxes() const {
    QList<QMessageBox*> boxes;
    for (const QPointer<QMessageBox>& box : m_boxes)
        if (box && box->isVisible())
            boxes << box.data();
    return boxes;
}

QMessageBox* CMsgBox::Make(QMessageBox::Icon icon, const QString& text,
                           QMessageBox::StandardButtons buttons) {
    auto* box = new QMessageBox(icon, QString::fromLatin1(kTitle), text, buttons, m_owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setFont(CAppFont::Pixels(CAppFont::kBody));
    return box;
}

void CMsgBox::Present(QMessageBox* box) {
    m_boxes.removeAll(nullptr);
    m_boxes << box;
    box->open();
    emit opened(box);
}

void CMsgBox::Show(const SysText& text) {
    ShowText(text.In(m_language.load()));
}

void CMsgBox::ShowText(const QString& shown) {
    const QList<QMessageBox*> boxes = OpenBoxes();
    if (std::any_of(boxes.begin(), boxes.end(), [&](const QMessageBox* b) { return b->text() == shown; }))
        return;
    Present(Make(QMessageBox::Information, shown, QMessageBox::Ok));
}

void CMsgBox::Ask(const QString& question, std::function<void(bool yes)> answer, Choice choice) {
    const bool okCancel = choice == Choice::OkCancel;
    const QMessageBox::StandardButton accept = okCancel ? QMessageBox::Ok : QMessageBox::Yes;
    const QMessageBox::StandardButton refuse = okCancel ? QMessageBox::Cancel : QMessageBox::No;
    QMessageBox* box = Make(QMessageBox::Question, question, accept | refuse);
    box->setDefaultButton(refuse);
    connect(box, &QMessageBox::finished, this, [box, accept, answer = std::move(answer)](int) {
        answer(box->clickedButton() == box->button(accept));
    });
    Present(box);
}
