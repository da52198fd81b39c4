// A skinned label whose text follows the interface language.
#pragma once

#include "controls/SkinPixmapCache.h"
#include "controls/SkinText.h"

#include <QColor>
#include <QWidget>

// Text in both languages, its colour, pixel size, weight and alignment; long texts are cut with an
// ellipsis unless word wrap is on. It takes no focus: a screen reader reads it as static text.
class CSkinStatic : public QWidget {
    Q_OBJECT

public:
    explicit CSkinStatic(QWidget* parent = nullptr);
    explicit CSkinStatic(const SkinText& text, QWidget* parent = nullptr);

    void SetText(const SkinText& text);
    const SkinText& Text() const { return m_text; }
    QString CurrentText() const { return m_text.In(m_language); }

    void SetColour(const QColor& colour); // CSkinPalette::DimText() by default
    QColor Colour() const { return m_colour; }
    void SetPixelSize(int pixels, QFont::Weight weight = QFont::Normal);
    void SetAlignment(Qt::Alignment alignment); // left and vertically centred by default
    Qt::Alignment Alignment() const { return m_alignment; }
    void SetWordWrap(bool on);

    void SetAccessibleText(const SkinText& name); // without one a screen reader reads the text itself
    const SkinText& AccessibleText() const { return m_accessibleText; }
    void SetLanguage(int language); // 0 English, 1 Chinese; the language-change event reads CSkinLanguage
    int Language() const { return m_language; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ContentChanged();
    void DrawLook(QPainter& painter, QSize size, bool enabled) const;

    SkinText m_text;
    SkinText m_accessibleText;
    int m_language = 0;
    QColor m_colour;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool m_wordWrap = false;
    CSkinPixmapCache m_cache;
};
