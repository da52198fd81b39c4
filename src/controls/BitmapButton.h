// A skinned push, toggle or radio button whose text follows the interface language.
#pragma once

#include "controls/SkinPixmapCache.h"
#include "controls/SkinText.h"

#include <QAbstractButton>

// Push button by default; setCheckable(true) makes it a toggle; put several in a QButtonGroup (exclusive
// by default) or give siblings setAutoExclusive(true) for a radio group. Space, Enter and Return press it
// while it has the focus; a disabled button ignores mouse and keys. Looks: rest, hover, pressed, checked
// (accent face), disabled, and an accent focus ring while it has the focus. An icon (setIcon) is drawn
// before the text, or alone when there is no text. Fonts: CSkinFont::Pixel() unless setFont says otherwise.
class CBitmapButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit CBitmapButton(QWidget* parent = nullptr);
    explicit CBitmapButton(const SkinText& text, QWidget* parent = nullptr);

    // The caption in both languages; the current one becomes QAbstractButton::text().
    void SetText(const SkinText& text);
    const SkinText& Text() const { return m_text; }

    // The name a screen reader says, in both languages; without one it says the caption.
    void SetAccessibleText(const SkinText& name);
    const SkinText& AccessibleText() const { return m_accessibleText; }

    // 0 English, 1 Chinese. Qt's language-change event sets it from CSkinLanguage::Current().
    void SetLanguage(int language);
    int Language() const { return m_language; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ApplyLanguage();
    std::uint64_t Look() const;
    void DrawLook(QPainter& painter, QSize size, std::uint64_t look) const;

    SkinText m_text;
    SkinText m_accessibleText;
    int m_language = 0;
    bool m_hover = false;
    bool m_enterDown = false; // Enter or Return is held on the focused button

    CSkinPixmapCache m_cache;
    QString m_drawnText; // what the cached pictures show; a change from outside (setText, setIcon) redraws
    qint64 m_drawnIcon = 0;
};
