// Opens a per-user key of the program ("Software\<maker>\<product>") as QSettings.
#include "link/UserKey.h"

#include <QList>

namespace UserKey {

std::unique_ptr<QSettings> Open(QStringView keyPath) {
    const QList<QStringView> parts = keyPath.split(u'\\');
    Q_ASSERT(parts.size() == 3 && parts[0] == u"Software");
    const QString maker = parts.size() == 3 ? parts[1].toString() : keyPath.toString();
    const QString product = parts.size() == 3 ? parts[2].toString() : QString();
    auto key = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, maker, product);
    // The key is the user's own: no organisation-wide or system-wide file may show through it.
    key->setFallbacksEnabled(false);
    return key;
}

bool Exists(const QSettings& key) {
    return !key.allKeys().isEmpty();
}

} // namespace UserKey
