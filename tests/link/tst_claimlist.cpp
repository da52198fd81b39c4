// The claim list: paths come back unchanged, and only a running other instance's claim blocks a path.
#include "link/ClaimList.h"
#include "support/OtherInstance.h"
#include "support/TempSettings.h"

#include <QFile>
#include <QSettings>
#include <QTest>

#include <memory>

namespace {

// Who holds the claim of the path under test when the check runs.
enum class Holder { Nobody, ThisProcess, OtherRunning, OtherEnded, ReusedPid, EarlierBoot, NoHolderNamed };

} // namespace

Q_DECLARE_METATYPE(Holder)

class TestClaimList : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pathComesBackUnchanged_data();
    void pathComesBackUnchanged();
    void claimedOnlyByRunningOther_data();
    void claimedOnlyByRunningOther();
    void releaseKeepsRunningOthersClaim_data();
    void releaseKeepsRunningOthersClaim();
    void claimOfOtherEndsWithItsProcess();
    void pathsAreClaimedOneByOne();
    void ownerText();

private:
    // Writes the claim for `holder` the way that holder would have written it.
    void PlaceClaim(Holder holder, const std::string& path);

    std::unique_ptr<CTempSettings> m_settings;
    std::unique_ptr<COtherInstance> m_other;
};

void TestClaimList::init() {
    m_settings = std::make_unique<CTempSettings>();
    QVERIFY(m_settings->isValid());
    m_other = std::make_unique<COtherInstance>();
    QVERIFY(m_other->started());
}

void TestClaimList::cleanup() {
    m_other.reset();
    m_settings.reset();
}

void TestClaimList::PlaceClaim(Holder holder, const std::string& path) {
    const ClaimOwner self = ClaimOwner::Current();
    switch (holder) {
    case Holder::Nobody:
        return;
    case Holder::ThisProcess:
        CClaimList().ClaimPath(path);
        return;
    case Holder::OtherRunning:
        CClaimList(m_other->owner()).ClaimPath(path);
        return;
    case Holder::OtherEnded:
        CClaimList(m_other->owner()).ClaimPath(path);
        m_other->End(); // a crash leaves its claim behind just like this
        return;
    case Holder::ReusedPid:
        // A running process now has the pid, but it started at another time than the holder did.
        CClaimList(ClaimOwner{m_other->owner().pid, m_other->owner().startTime + 1, self.bootId})
            .ClaimPath(path);
        return;
    case Holder::EarlierBoot:
        CClaimList(
            ClaimOwner{m_other->owner().pid, m_other->owner().startTime, QStringLiteral("0000-earlier-boot")})
            .ClaimPath(path);
        return;
    case Holder::NoHolderNamed: {
        QSettings key(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("BROXEL.exe"),
                      QStringLiteral("USB"));
        key.setValue(CClaimList::ValueName(path), QStringLiteral("0"));
        return;
    }
    }
}

void TestClaimList::pathComesBackUnchanged_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("hidraw node") << QByteArray("/dev/hidraw0");
    QTest::newRow("hidapi libusb path") << QByteArray("1-2.4:1.0");
    QTest::newRow("backslashes, braces and hashes")
        << QByteArray("\\\\?\\hid#vid_0483&pid_5750#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    QTest::newRow("percent, spaces and equals") << QByteArray("/tmp/a b%2F=c;d");
    QTest::newRow("non-ASCII bytes") << QByteArray("/dev/\xe8\xae\xbe\xe5\xa4\x87");
}

void TestClaimList::pathComesBackUnchanged() {
    QFETCH(QByteArray, path);
    const std::string device = path.toStdString();
    CClaimList claims;
    claims.ClaimPath(device);

    // Read the store as another program would: the file QSettings keeps for "Software\BROXEL.exe\USB".
    const QString file = m_settings->fileOf(QStringLiteral("BROXEL.exe"), QStringLiteral("USB"));
    QVERIFY2(QFile::exists(file), qPrintable(file));
    QSettings stored(file, QSettings::IniFormat);
    const QStringList names = stored.childKeys();
    QCOMPARE(names.size(), 1);
    QVERIFY(stored.childGroups().isEmpty()); // a slash in the path must not have made a group
    QCOMPARE(CClaimList::PathOf(names.first()), device);
    QCOMPARE(stored.value(names.first()).toString(), ClaimOwner::Current().ToText());

    QCOMPARE(claims.Holder(device), std::optional<ClaimOwner>(ClaimOwner::Current()));
}

void TestClaimList::claimedOnlyByRunningOther_data() {
    QTest::addColumn<Holder>("holder");
    QTest::addColumn<bool>("claimed");
    QTest::newRow("no claim") << Holder::Nobody << false;
    QTest::newRow("claimed by this process") << Holder::ThisProcess << false;
    QTest::newRow("claimed by a running other instance") << Holder::OtherRunning << true;
    QTest::newRow("left by an instance that has ended") << Holder::OtherEnded << false;
    QTest::newRow("pid reused by a later process") << Holder::ReusedPid << false;
    QTest::newRow("left from an earlier boot") << Holder::EarlierBoot << false;
    QTest::newRow("claim naming no holder") << Holder::NoHolderNamed << false;
}

void TestClaimList::claimedOnlyByRunningOther() {
    QFETCH(Holder, holder);
    QFETCH(bool, claimed);
    const std::string path = "/dev/hidraw3";
    PlaceClaim(holder, path);

    CClaimList claims;
    QCOMPARE(claims.IsPathClaimed(path), claimed);
    // A free path can be claimed by this instance, which then holds it.
    if (!claimed) {
        claims.ClaimPath(path);
        QCOMPARE(claims.Holder(path), std::optional<ClaimOwner>(claims.Self()));
        QVERIFY(!claims.IsPathClaimed(path));
        if (m_other->owner().IsRunning())
            QVERIFY(CClaimList(m_other->owner()).IsPathClaimed(path));
    }
}

void TestClaimList::releaseKeepsRunningOthersClaim_data() {
    QTest::addColumn<Holder>("holder");
    QTest::addColumn<bool>("valueRemains");
    QTest::newRow("own claim") << Holder::ThisProcess << false;
    QTest::newRow("running other instance's claim") << Holder::OtherRunning << true;
    QTest::newRow("stale claim") << Holder::OtherEnded << false;
}

void TestClaimList::releaseKeepsRunningOthersClaim() {
    QFETCH(Holder, holder);
    QFETCH(bool, valueRemains);
    const std::string path = "/dev/hidraw1";
    PlaceClaim(holder, path);

    CClaimList().ReleasePath(path);

    QSettings stored(m_settings->fileOf(QStringLiteral("BROXEL.exe"), QStringLiteral("USB")),
                     QSettings::IniFormat);
    QCOMPARE(stored.contains(CClaimList::ValueName(path)), valueRemains);
    QCOMPARE(CClaimList().IsPathClaimed(path), valueRemains);
}

void TestClaimList::claimOfOtherEndsWithItsProcess() {
    const std::string path = "/dev/hidraw2";
    CClaimList(m_other->owner()).ClaimPath(path);
    CClaimList claims;
    QVERIFY(claims.IsPathClaimed(path));
    QCOMPARE(claims.Holder(path), std::optional<ClaimOwner>(m_other->owner()));

    m_other->End();
    QVERIFY(!claims.IsPathClaimed(path));
    QCOMPARE(claims.Holder(path), std::nullopt);
}

void TestClaimList::pathsAreClaimedOneByOne() {
    CClaimList other(m_other->owner());
    other.ClaimPath("/dev/hidraw1");
    CClaimList claims;
    QVERIFY(claims.IsPathClaimed("/dev/hidraw1"));
    QVERIFY(!claims.IsPathClaimed("/dev/hidraw10"));
    QVERIFY(!claims.IsPathClaimed("/dev/hidraw"));
    other.ReleasePath("/dev/hidraw1");
    QVERIFY(!claims.IsPathClaimed("/dev/hidraw1"));
}

void TestClaimList::ownerText() {
    const ClaimOwner owner{4242, 987654321, QStringLiteral("6f1c2a9e-1d2b-4c3d-8e4f-0a1b2c3d4e5f")};
    QCOMPARE(ClaimOwner::FromText(owner.ToText()), std::optional<ClaimOwner>(owner));
    QCOMPARE(ClaimOwner::FromText(QStringLiteral("0")), std::nullopt);
    QCOMPARE(ClaimOwner::FromText(QString()), std::nullopt);
    QCOMPARE(ClaimOwner::FromText(QStringLiteral("-5 1 x")), std::nullopt);
    QCOMPARE(ClaimOwner::FromText(QStringLiteral("12 abc x")), std::nullopt);

    // This process is running and is who it says it is.
    QVERIFY(ClaimOwner::Current().IsRunning());
    QCOMPARE(ClaimOwner::Current().pid, QCoreApplication::applicationPid());
    QVERIFY(ClaimOwner::Current().startTime > 0);
}

QTEST_GUILESS_MAIN(TestClaimList)
#include "tst_claimlist.moc"
