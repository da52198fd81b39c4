// The two popup menus of the title bar (settings and presets): their items, numbers and texts per language.
#include "app/TopMenu.h"

#include "app/AppFont.h"

#include <QCoreApplication>

#include <array>

namespace {

constexpr char kContext[] = "CTopMenu";

constexpr std::array<TopMenuItem, 16> kSettings{{
    {32853, 32853, QT_TRANSLATE_NOOP("CTopMenu", "Undo"), TopCommand::Undo},
    {32854, 32854, QT_TRANSLATE_NOOP("CTopMenu", "Redo"), TopCommand::Redo},
    {32777, 32777, QT_TRANSLATE_NOOP("CTopMenu", "Firmware Update"), TopCommand::FirmwareUpdate, false, true},
    {32828, 32829, QT_TRANSLATE_NOOP("CTopMenu", "Rest Settings"), TopCommand::FactoryReset},
    // A backup file of the backups folder back onto the device; the switch of the automatic backups.
    {32850, 32850, QT_TRANSLATE_NOOP("CTopMenu", "Restore backup..."), TopCommand::RestoreBackup},
    {32851, 32851, QT_TRANSLATE_NOOP("CTopMenu", "Automatic backups"), TopCommand::AutoBackup, true},
    // The language item names the language it switches to.
    {32774, 32832, QT_TRANSLATE_NOOP("CTopMenu", "Chinese"), TopCommand::Language, false, true},
    {32833, 32834, QT_TRANSLATE_NOOP("CTopMenu", "SourceVolume"), TopCommand::SourceVolume},
    // The current channel's EQ as filter text.
    {32840, 32840, QT_TRANSLATE_NOOP("CTopMenu", "Copy EQ"), TopCommand::CopyEq, false, true},
    {32841, 32841, QT_TRANSLATE_NOOP("CTopMenu", "Paste EQ"), TopCommand::PasteEq},
    {32842, 32842, QT_TRANSLATE_NOOP("CTopMenu", "Import EQ from file..."), TopCommand::ImportEq},
    {32843, 32843, QT_TRANSLATE_NOOP("CTopMenu", "Export EQ to file..."), TopCommand::ExportEq},
    {32844, 32844, QT_TRANSLATE_NOOP("CTopMenu", "Time alignment..."), TopCommand::TimeAlignment},
    {32845, 32845, QT_TRANSLATE_NOOP("CTopMenu", "Export graph..."), TopCommand::ExportGraph},
    // The current channel's measured response on the graph.
    {32846, 32846, QT_TRANSLATE_NOOP("CTopMenu", "Measurement..."), TopCommand::Measurement},
    {32776, 32776, QT_TRANSLATE_NOOP("CTopMenu", "About"), TopCommand::About, false, true},
}};

constexpr std::array<TopMenuItem, 2> kPresets{{
    {32771, 32827, QT_TRANSLATE_NOOP("CTopMenu", "Open"), TopCommand::PresetRecall},
    {32772, 32826, QT_TRANSLATE_NOOP("CTopMenu", "Save"), TopCommand::PresetSave},
}};

} // namespace

std::span<const TopMenuItem> CTopMenu::Items(Which which) {
    if (which == Which::Settings)
        return kSettings;
    return kPresets;
}

int CTopMenu::IdOf(const TopMenuItem& item, int language) {
    return language == 1 ? item.chineseId : item.englishId;
}

CTopMenu::CTopMenu(Which which, QWidget* parent) : QMenu(parent), m_which(which) {
    setObjectName(which == Which::Settings ? QStringLiteral("settingsMenu") : QStringLiteral("presetMenu"));
    setFont(CAppFont::Pixels(CAppFont::kBody));
}

void CTopMenu::Open(int language, const QPoint& globalPosition,
                    const std::function<void(TopCommand, QAction*)>& decorate) {
    clear();
    for (const TopMenuItem& item : Items(m_which)) {
        if (item.startsGroup)
            addSeparator();
        QAction* action = addAction(QCoreApplication::translate(kContext, item.text));
        action->setObjectName(QString::number(IdOf(item, language)));
        if (item.checkable) {
            action->setCheckable(true);
            action->setChecked(m_checked && m_checked(item.command));
        }
        const TopCommand command = item.command;
        connect(action, &QAction::triggered, this, [this, command] { emit chosen(command); });
        if (decorate)
            decorate(command, action);
    }
    popup(globalPosition);
}
