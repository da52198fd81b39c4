// The claim list: which HID device paths a running instance of the program has opened.
#include "link/ClaimList.h"

#include "link/UserKey.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

namespace {

// Fields of /proc/<pid>/stat counted from 1; the command name (field 2) is in parentheses and may itself
// hold spaces and parentheses, so counting starts after the last ')'.
constexpr int kStateField = 3;
constexpr int kStartTimeField = 22;

QString ReadBootId() {
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).trimmed();
}

const QString& BootId() {
    static const QString id = ReadBootId();
    return id;
}

} // namespace

ClaimOwner ClaimOwner::Current() {
    const qint64 pid = QCoreApplication::applicationPid();
    if (auto self = Running(pid))
        return *self;
    return {pid, 0, BootId()};
}

std::optional<ClaimOwner> ClaimOwner::Running(qint64 pid) {
    if (pid <= 0)
        return std::nullopt;
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray stat = file.readAll();
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    constexpr int kFirst = kStateField; // fields[0] is the state
    if (fields.size() <= kStartTimeField - kFirst)
        return std::nullopt;
    const QByteArray state = fields[0];
    if (state == "Z" || state == "X" || state == "x")
        return std::nullopt;
    bool ok = false;
    const quint64 startTime = fields[kStartTimeField - kFirst].toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return ClaimOwner{pid, startTime, BootId()};
}

bool ClaimOwner::IsRunning() const {
    const auto now = Running(pid);
    return now.has_value() && *now == *this;
}

QString ClaimOwner::ToText() const {
    return QStringLiteral("%1 %2 %3").arg(pid).arg(startTime).arg(bootId);
}

std::optional<ClaimOwner> ClaimOwner::FromText(const QString& text) {
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return std::nullopt;
    bool pidOk = false;
    bool startOk = false;
    ClaimOwner owner{parts[0].toLongLong(&pidOk), parts[1].toULongLong(&startOk), parts[2]};
    if (!pidOk || !startOk || owner.pid <= 0)
        return std::nullopt;
    return owner;
}

CClaimList::CClaimList() : m_self(ClaimOwner::Current()) {}

CClaimList::CClaimList(ClaimOwner self) : m_self(std::move(self)) {}

QString CClaimList::ValueName(const std::string& path) {
    // Byte-exact; every byte outside [A-Za-z0-9._~-] is encoded, slashes, backslashes and '%' included.
    return QString::fromLatin1(QByteArray::fromStdString(path).toPercentEncoding());
}

std::string CClaimList::PathOf(const QString& valueName) {
    return QByteArray::fromPercentEncoding(valueName.toLatin1()).toStdString();
}

std::optional<ClaimOwner> CClaimList::Holder(const std::string& path) const {
    if (path.empty())
        return std::nullopt;
    const auto key = UserKey::Open(QString::fromLatin1(kKey));
    const QVariant data = key->value(ValueName(path));
    if (!data.isValid())
        return std::nullopt;
    // A claim that names no holder (the old plain "0") cannot be shown to be alive and counts as stale.
    const auto owner = ClaimOwner::FromText(data.toString());
    if (!owner)
        return std::nullopt;
    if (*owner == m_self)
        return owner;
    if (!owner->IsRunning())
        return std::nullopt;
    return owner;
}

bool CClaimList::IsPathClaimed(const std::string& path) const {
    const auto holder = Holder(path);
    return holder.has_value() && *holder != m_self;
}

void CClaimList::ClaimPath(const std::string& path) const {
    if (path.empty())
        return;
    const auto key = UserKey::Open(QString::fromLatin1(kKey));
    key->setValue(ValueName(path), m_self.ToText());
    key->sync();
}

void CClaimList::ReleasePath(const std::string& path) const {
    if (path.empty() || IsPathClaimed(path))
        return;
    const auto key = UserKey::Open(QString::fromLatin1(kKey));
    key->remove(ValueName(path));
    key->sync();
}
