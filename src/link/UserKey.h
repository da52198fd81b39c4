// Opens a per-user key of the program ("Software\<maker>\<product>") as QSettings.
#pragma once

#include <QSettings>
#include <QStringView>

#include <memory>

// QSettings treats '/' and '\' in a key as group separators, so the program's key path cannot be handed
// over whole. It maps instead onto QSettings' own (organisation, application) pair in the user scope and
// native format: "Software\SELVANO-PRO.exe\USB" becomes organisation "SELVANO-PRO.exe", application "USB".
// On Windows QSettings places that pair at exactly HKEY_CURRENT_USER\Software\SELVANO-PRO.exe\USB; on
// Linux it is the file $XDG_CONFIG_HOME/SELVANO-PRO.exe/USB.conf (~/.config/... by default). The key's
// values are top-level entries of that QSettings object (the [General] section of the file).
namespace UserKey {

// keyPath must have the form "Software\<maker>\<product>" with no further levels.
std::unique_ptr<QSettings> Open(QStringView keyPath);

// Whether the key holds anything: the file-based stores have no empty keys, so a key without values
// counts as missing.
bool Exists(const QSettings& key);

} // namespace UserKey
