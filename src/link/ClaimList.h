// The claim list: which HID device paths a running instance of the program has opened.
#pragma once

#include <QString>

#include <optional>
#include <string>

// The process that holds a claim. A pid alone is reused by the system; with the process's start time
// (clock ticks after boot) and the boot's random id it names one process for good, so a claim whose
// holder has ended, crashed or belongs to an earlier boot is seen to be stale.
struct ClaimOwner {
    qint64 pid = 0;
    quint64 startTime = 0;
    QString bootId;

    bool operator==(const ClaimOwner&) const = default;

    static ClaimOwner Current();
    // The running process with this pid now, if there is one (a zombie is not running).
    static std::optional<ClaimOwner> Running(qint64 pid);
    bool IsRunning() const;

    // Stored as "pid startTime bootId".
    QString ToText() const;
    static std::optional<ClaimOwner> FromText(const QString& text);
};

// Per-user key "Software\BROXEL.exe\USB": one value per claimed device path, the value name being the path
// percent-encoded (QSettings would otherwise split it at its slashes), the data naming the holder.
// A claim whose holder is no longer running is free: a crashed instance cannot block a device for good.
// Every call reads or writes the store afresh, so other instances' claims are seen at once.
class CClaimList {
public:
    static constexpr char kKey[] = "Software\\BROXEL.exe\\USB";

    // Claims are made in the name of this process.
    CClaimList();
    // Claims are made in the name of another holder (tests stand in for a second instance this way).
    explicit CClaimList(ClaimOwner self);

    // Claimed by a running process other than this list's holder.
    bool IsPathClaimed(const std::string& path) const;
    // The running holder of the path's claim, if any (this list's holder included).
    std::optional<ClaimOwner> Holder(const std::string& path) const;
    void ClaimPath(const std::string& path) const;
    // Removes the claim if it is this holder's or stale; another running instance's claim stays.
    void ReleasePath(const std::string& path) const;

    const ClaimOwner& Self() const { return m_self; }

    // The value name under which a path is stored, and back.
    static QString ValueName(const std::string& path);
    static std::string PathOf(const QString& valueName);

private:
    ClaimOwner m_self;
};
