// The two popup menus of the title bar (settings and presets): their items, numbers and texts per language.
#pragma once

#include <QMenu>

#include <functional>
#include <span>

// What an item does; the form runs it.
enum class TopCommand {
    FirmwareUpdate,
    FactoryReset,
    Language,
    SourceVolume,
    About,
    PresetRecall,
    PresetSave,
    CopyEq,
    PasteEq,
    ImportEq,
    ExportEq,
    TimeAlignment,
    ExportGraph,
    Undo,
    Redo,
    Measurement,
    RestoreBackup,
    AutoBackup,
};

// An item's command number differs between the Chinese and the English menu where the two menus were made
// apart; the text is the English one, translated like every other text of the window.
struct TopMenuItem {
    int chineseId;
    int englishId;
    const char* text;
    TopCommand command;
    bool checkable = false;   // shows a check mark: the state comes from the menu's owner (SetCheckedState)
    bool startsGroup = false; // a separator line comes before it
};

// Built afresh in the current language each time it opens, so it always matches the language flag. Opens
// with popup(): nothing waits for the choice, which arrives as `chosen`.
class CTopMenu : public QMenu {
    Q_OBJECT

public:
    enum class Which { Settings, Presets };

    static std::span<const TopMenuItem> Items(Which which);
    // Number of an item's action (its object name) in `language` (0 English, 1 Chinese).
    static int IdOf(const TopMenuItem& item, int language);

    CTopMenu(Which which, QWidget* parent);

    // `decorate` may change an item's text or state (the Undo item names what it undoes).
    void Open(int language, const QPoint& globalPosition,
              const std::function<void(TopCommand, QAction*)>& decorate = {});
    // Whether the checkable item of `command` is checked, asked each time the menu opens.
    void SetCheckedState(std::function<bool(TopCommand)> checked) { m_checked = std::move(checked); }

signals:
    void chosen(TopCommand command);

private:
    Which m_which;
    std::function<bool(TopCommand)> m_checked;
};
