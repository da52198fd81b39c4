// A skinned progress bar: an accent fill growing along a dark groove.
#pragma once

#include "controls/SkinPixmapCache.h"
#include "controls/SkinText.h"

#include <QWidget>

// Horizontal, filled from the left in proportion to the position within the range. Takes no focus; a
// screen reader reads its value (read-only) and its name.
class CSkinProgress : public QWidget {
    Q_OBJECT

public:
    explicit CSkinProgress(QWidget* parent = nullptr);

    // maximum below minimum is taken as equal to it; the position is clamped.
    void SetRange(int minimum, int maximum);
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    void SetPosition(int position);
    int Position() const { return m_position; }
    int Percent() const; // 0..100, rounded down; 0 for an empty range

    void SetAccessibleText(const SkinText& name);
    const SkinText& AccessibleText() const { return m_accessibleText; }
    void SetLanguage(int language); // 0 English, 1 Chinese; the language-change event reads CSkinLanguage
    int Language() const { return m_language; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int FillWidth() const;
    void DrawLook(QPainter& painter, QSize size, bool enabled, bool filled) const;

    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    SkinText m_accessibleText;
    int m_language = 0;
    CSkinPixmapCache m_cache; // the empty and the full bar, per enabled state
};
