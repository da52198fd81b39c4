// The window's message boxes: system texts and yes-or-no questions, opened without a nested event loop.
#pragma once

#include "base/SysText.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>

// Every box is window-modal over the owner and opened with QMessageBox::open(), so a text that comes from
// inside a notification handler shows without running an event loop there; the box deletes itself when it
// is closed. A text already on screen is not opened a second time (a link that fails repeatedly says so
// once).
class CMsgBox : public QObject {
    Q_OBJECT

public:
    static constexpr char kTitle[] = "TALMO-QR-PRO";

    // `language` is the language flag, read each time a system text is shown.
    CMsgBox(QWidget* owner, const std::atomic<int>& language);

    // A system text in the current language, with an OK button.
    void Show(const SysText& text);
    // A text already in the current language (a report put together from system texts), with an OK button.
    void ShowText(const QString& text);
    enum class Choice { YesNo, OkCancel };
    // Asks with Yes and No (or OK and Cancel); `answer` gets true for Yes (OK), false for No (Cancel) or a
    // box closed without a choice. The refusing button is the default: Enter alone changes nothing.
    void Ask(const QString& question, std::function<void(bool yes)> answer, Choice choice = Choice::YesNo);

    // The boxes on screen, oldest first.
    QList<QMessageBox*> OpenBoxes() const;

signals:
    // A box was opened (tests and the screenshot wait on it).
    void opened(QMessageBox* box);

private:
    QMessageBox* Make(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons);
    void Present(QMessageBox* box);

    QWidget* m_owner;
    const std::atomic<int>& m_language;
    QList<QPointer<QMessageBox>> m_boxes;
};
