// A skinned drop-down list button: shows the chosen entry and opens the list of entries to choose from.
#pragma once

#include "controls/MessagePoster.h"
#include "controls/SkinPixmapCache.h"
#include "controls/SkinText.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QMenu;

// A click, Space, Enter, Return, Alt+Down or F4 opens the list below the button with the chosen entry
// marked and active. Choosing an entry (even the one already chosen) selects it, emits Selected and posts
// UM_LIST_SELECTED with wParam = the list id and lParam = the entry's index. Entries and the selection set
// from code report nothing. The selection is an index, so it survives a language switch and a refill.
class CListButton : public QWidget {
    Q_OBJECT

public:
    explicit CListButton(QWidget* parent = nullptr);

    // A refill keeps the selected index while it still names an entry; otherwise the first entry (or none
    // for an empty list) is selected, silently.
    void SetEntries(const QList<SkinText>& entries);
    const QList<SkinText>& Entries() const { return m_entries; }
    int Count() const { return static_cast<int>(m_entries.size()); }

    void SetCurrentIndex(int index); // from code: reports nothing; an index naming no entry selects none
    int CurrentIndex() const { return m_current; }
    QString CurrentText() const; // in the current language; empty when nothing is selected

    // wParam of UM_LIST_SELECTED: this id, or objectName read as a number.
    void SetListId(int id) { m_poster.SetId(id); }
    int ListId() const { return m_poster.Id(*this); }
    void SetMessageTarget(QObject* target) { m_poster.SetTarget(target); }
    QObject* MessageTarget() const { return m_poster.Target(); }

    void SetAccessibleText(const SkinText& name);
    const SkinText& AccessibleText() const { return m_accessibleText; }
    void SetLanguage(int language); // 0 English, 1 Chinese; the language-change event reads CSkinLanguage
    int Language() const { return m_language; }

    void ShowPopup();
    void HidePopup();
    QMenu* Popup() const; // while the list is open, else null

    // What the user does by choosing entry `index` from the open list (also a screen reader's way in).
    void Choose(int index);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void Selected(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::uint64_t Look() const;
    void DrawLook(QPainter& painter, QSize size, std::uint64_t look) const;
    void SelectionChanged();

    QList<SkinText> m_entries;
    int m_current = -1;
    SkinText m_accessibleText;
    int m_language = 0;
    bool m_hover = false;
    QPointer<QMenu> m_popup;
    CMessagePoster m_poster;
    CSkinPixmapCache m_cache;
};
