// The companion's sub-commands that talk to a device through the controller.
#include "cli/DeviceCommands.h"

#include "cli/DeviceSession.h"
#include "cli/SetupReport.h"
#include "control/DeviceBackup.h"
#include "control/ModelEditor.h"

#include "base/DataDefine.h"
#include "link/ClaimList.h"
#include "link/DeviceIdentity.h"
#include "link/HidEnumerator.h"
#include "link/HidTransport.h"
#include "link/SettingsStore.h"
#include "model/KTV_OutData.h"
#include "model/SystemSettings.h"
#include "presets/PresetFile.h"
#include "response/Filter.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>

#include <unistd.h>

namespace {

constexpr double kSampleRateHz = 48000.0;

int Usage(QTextStream& err, const char* usage) {
    err << "usage: selvano-ctl " << usage << "\n";
    return CliExit::kUsage;
}

std::optional<int> IntIn(const QString& text, int lo, int hi) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return std::nullopt;
    return v;
}

// "-o FILE" as the only arguments.
std::optional<QString> OutputPath(const QStringList& args) {
    if (args.size() == 2 && args[0] == QLatin1String("-o"))
        return args[1];
    return std::nullopt;
}

// Delay in samples from "N" (samples) or "Nms", "Ncm", "Ninch"; distances with the delay editors' own
// speed of sound, so that a distance gives the delay it gives when typed into the window.
std::optional<int> DelaySamples(const QString& text) {
    struct Unit {
        const char* suffix;
        double metresPerUnit; // 0: not a distance
        double samplesPerUnit;
    };
    constexpr std::array<Unit, 4> kUnits{{{"ms", 0.0, kSampleRateHz / 1000.0},
                                          {"cm", 0.01, 0.0},
                                          {"inch", 1.0 / kInchesPerMetre, 0.0},
                                          {"", 0.0, 1.0}}};
    for (const Unit& u : kUnits) {
        if (!text.endsWith(QLatin1String(u.suffix)))
            continue;
        bool ok = false;
        const double v = text.left(text.size() - qsizetype(std::strlen(u.suffix))).toDouble(&ok);
        if (!ok || !(v >= 0.0))
            return std::nullopt;
        const long samples = u.metresPerUnit > 0.0
                                 ? DelaySamplesOfMs(DistanceDelayMs(v * u.metresPerUnit))
                                 : std::lround(std::min(v * u.samplesPerUnit, double(kDelayMaxSamples + 1)));
        if (samples < 0 || samples > kDelayMaxSamples)
            return std::nullopt;
        return static_cast<int>(samples);
    }
    return std::nullopt;
}

std::optional<int> OnOff(const QString& text) {
    if (text == QLatin1String("on"))
        return 1;
    if (text == QLatin1String("off"))
        return 0;
    return std::nullopt;
}

int FileError(QTextStream& err, const QString& path, const QString& why) {
    err << "selvano-ctl: " << path << ": " << why << "\n";
    return CliExit::kFile;
}

// The staged file's bytes as `target`, written whole or not at all; the save error text when it fails.
int CommitFile(CDeviceSession& s, const QString& staged, const QString& target) {
    QFile in(staged);
    QSaveFile out(target);
    const bool written = in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly) &&
                         out.write(in.readAll()) == in.size() && out.commit();
    if (!written) {
        s.View().ShowMessage(PresetFileFormat::kAllSaveError);
        return CliExit::kFile;
    }
    return CliExit::kOk;
}

} // namespace

int RunInfoCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err) {
    if (!args.isEmpty())
        return Usage(err, "info [--json]");
    CDeviceSession s(o, err);
    if (const int rc = s.Connect())
        return rc;
    const QString id = QString::fromLatin1(
        reinterpret_cast<const char*>(s.G().deviceId.data()),
        qsizetype(qstrnlen(reinterpret_cast<const char*>(s.G().deviceId.data()), s.G().deviceId.size())));
    if (o.json) {
        QJsonObject j =
            SetupReport::ModelJson(s.G(), s.Data(), o.language, SetupReport::kNamedPresets, false);
        j.insert(QStringLiteral("identifier"), id);
        out << QJsonDocument(j).toJson();
    } else {
        out << "identifier:     " << id << "\n";
        SetupReport::PrintText(out, s.G(), s.Data(), o.language, SetupReport::kNamedPresets, false);
    }
    return CliExit::kOk;
}

int RunReadCommand(const CliOptions& o, const QStringList& args, QTextStream&, QTextStream& err) {
    const auto path = OutputPath(args);
    if (!path)
        return Usage(err, "read -o FILE.dsps");
    CDeviceSession s(o, err);
    if (const int rc = s.Connect())
        return rc;
    if (!s.Presets().SaveSetup(*path))
        return FileError(err, *path, QStringLiteral("not written"));
    return CliExit::kOk;
}

int RunBackupCommand(const CliOptions& o, const QStringList& args, QTextStream&, QTextStream& err) {
    const auto path = OutputPath(args);
    if (!path)
        return Usage(err, "backup -o FILE.dspa");
    CDeviceSession s(o, err);
    if (const int rc = s.Connect())
        return rc;
    // The file is written where the user wants it only once the device has acknowledged the whole transfer,
    // the master output switched back on included; until then it waits in a scratch folder.
    const QTemporaryDir scratch;
    if (!scratch.isValid())
        return FileError(err, *path, QStringLiteral("no scratch folder for the transfer"));
    const QString staged = scratch.filePath(QStringLiteral("backup.dspa"));
    const int before = s.View().Messages();
    if (!s.Presets().SaveAllData(staged))
        return CliExit::kDevice;
    if (const int rc = s.WaitTransfer())
        return rc;
    if (!s.WaitFor([&s] { return s.Presets().PendingAllDataPath().isEmpty(); }))
        return s.Fail("transfer");
    if (const int rc = s.WaitSettled())
        return rc;
    if (s.View().Messages() != before)
        return CliExit::kFile; // the file error text is printed
    return CommitFile(s, staged, CPresetMemories::WithSuffix(*path, PresetFileFormat::kAllSuffix));
}

// The window's backups folder (the AppDataLocation of the program "selvano", which names no organisation),
// so that the window's Restore backup lists the companion's backups too.
QString WindowBackupFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/selvano/") + QLatin1String(CDeviceBackup::kFolderName);
}

// Takes out "--no-backup"; whether it was there.
bool TakeNoBackup(QStringList& args) {
    return args.removeAll(QStringLiteral("--no-backup")) > 0;
}

// The window's automatic backup before a destructive step, unless switched off there or by --no-backup.
// Nobody is asked when it fails: the step is not taken and the reason printed (exit code 3).
int BackUpFirst(const CliOptions& o, CDeviceSession& s, CDeviceBackup::Reason reason, bool skip,
                QTextStream& err) {
    CSettingsStore settings;
    settings.LoadAutoBackup();
    if (skip || !settings.AutoBackup())
        return CliExit::kOk;
    CDeviceBackup backup(s.Session());
    backup.SetFolder(o.backupFolder.isEmpty() ? WindowBackupFolder() : o.backupFolder);
    QString written;
    std::optional<SysText> failed;
    bool done = false;
    QObject::connect(&backup, &CDeviceBackup::backupWritten, &backup,
                     [&](const QString& path) { written = path; });
    backup.SetAsker([&](const SysText& why, const CDeviceBackup::Answer& answer) {
        failed = why;
        answer(false);
    });
    backup.Run(reason, [&] { done = true; });
    // A link lost during the read ends the wait before the backup reports it: exit code 4 as for every
    // other lost transfer.
    if (!s.WaitFor([&] { return done || failed.has_value(); }))
        return s.Fail("backup");
    if (failed) {
        err << "selvano-ctl: backup: " << failed->In(s.G().language.load())
            << "; nothing was changed (--no-backup goes on without one)\n";
        return CliExit::kFile;
    }
    // A note beside the command's own output, which stays as it was.
    if (!written.isEmpty())
        err << "selvano-ctl: backup: " << written << "\n";
    return CliExit::kOk;
}

int RunLoadCommand(const CliOptions& o, const QStringList& given, QTextStream&, QTextStream& err) {
    QStringList args = given;
    const bool noBackup = TakeNoBackup(args);
    if (args.size() != 1)
        return Usage(err, "load FILE.dsps|FILE.dspa [--no-backup]");
    const QString& path = args[0];
    if (CPresetFile::KindOfPath(path) == CPresetFile::FileKind::Other)
        return FileError(err, path, QStringLiteral("neither a .dsps nor a .dspa file"));
    if (!QFileInfo(path).isFile())
        return FileError(err, path, QStringLiteral("no such file"));
    CDeviceSession s(o, err);
    if (const int rc = s.Connect())
        return rc;
    // An all-data file replaces every preset of the device; one that cannot be loaded needs no backup.
    if (CPresetFile::KindOfPath(path) == CPresetFile::FileKind::All && CPresetFile::CheckAllFile(path))
        if (const int rc = BackUpFirst(o, s, CDeviceBackup::Reason::LoadAllData, noBackup, err))
            return rc;
    if (!s.Presets().LoadFile(path))
        return CliExit::kFile; // the file error text is printed
    if (const int rc = s.WaitTransfer())
        return rc;
    return s.WaitSettled();
}

int RunPresetCommand(const CliOptions& o, const QStringList& args, QTextStream&, QTextStream& err) {
    constexpr char kUsage[] = "preset recall|store|delete N [NAME]   (N = 1..6)";
    if (args.size() < 2 || args.size() > 3)
        return Usage(err, kUsage);
    const QString& verb = args[0];
    const auto n = IntIn(args[1], 1, CPresetMemories::kDialogPresets);
    const bool named = args.size() == 3;
    if (!n || (named && verb != QLatin1String("store")))
        return Usage(err, kUsage);
    if (verb != QLatin1String("recall") && verb != QLatin1String("store") && verb != QLatin1String("delete"))
        return Usage(err, kUsage);
    CDeviceSession s(o, err);
    if (const int rc = s.Connect())
        return rc;
    bool went = true;
    if (verb == QLatin1String("recall"))
        went = s.Presets().RecallFromButton(*n);
    else if (verb == QLatin1String("store"))
        went = named ? s.Presets().SaveWithName(*n, args[2]) : s.Presets().WriteSetupToDevice(*n, true);
    else
        s.Presets().DeletePresetName(*n);
    if (!went)
        return named ? CliExit::kUsage : CliExit::kDevice; // the reason is printed
    if (const int rc = s.WaitTransfer())
        return rc;
    if (verb == QLatin1String("recall") && !s.WaitFor([&s] { return s.Controller().Connected(); }))
        return s.Fail("recall");
    return s.WaitSettled();
}

namespace {

// One edit on the connected model; false when the words name nothing or a value is out of range.
bool ApplySystemEdit(CDeviceSession& s, const QStringList& a) {
    if (a.size() != 2)
        return false;
    CModelEditor& editor = s.Editor();
    const QString& what = a[0];
    if (what == QLatin1String("source")) {
        const auto v = IntIn(a[1], 0, SystemLayout::kMaxSource);
        if (v)
            editor.SelectSource(*v);
        return v.has_value();
    }
    if (what == QLatin1String("volume")) {
        const auto v = IntIn(a[1], 0, SystemLayout::kMaxMasterVolume);
        if (v)
            editor.SetMasterVolumeFromSlider(*v);
        return v.has_value();
    }
    if (what == QLatin1String("master")) {
        const auto v = OnOff(a[1]);
        if (v)
            editor.SetMasterOutput(*v);
        return v.has_value();
    }
    if (what == QLatin1String("gate")) {
        const auto v = IntIn(a[1], 0, SystemLayout::kNoiseGateSteps - 1);
        if (v)
            editor.SetNoiseGate(*v);
        return v.has_value();
    }
    return false;
}

// A band (band >= 0) or crossover edit of one channel through the editor.
bool ApplyFilterEdit(CModelEditor& editor, int channel, int band, Xover which, const QString& what,
                     const QString& value) {
    const bool isBand = band >= 0;
    if (what == QLatin1String("freq")) {
        const auto v = IntIn(value, 20, 20000);
        if (v && isBand)
            editor.SetBandFreq(channel, band, *v);
        else if (v)
            editor.SetXoverFreq(channel, which, *v);
        return v.has_value();
    }
    if (isBand && what == QLatin1String("gain")) {
        bool ok = false;
        const double db = value.toDouble(&ok);
        if (!ok || db < -20.0 || db > 20.0)
            return false;
        editor.SetBandGain(channel, band, EqGainCode(db));
        return true;
    }
    if (isBand && what == QLatin1String("bw")) {
        const auto v = IntIn(value, 0, kQTableSize - 1);
        if (v)
            editor.SetBandBandwidth(channel, band, *v);
        return v.has_value();
    }
    if (isBand && what == QLatin1String("bypass")) {
        const auto v = OnOff(value);
        if (v)
            editor.SetBandBypass(channel, band, *v);
        return v.has_value();
    }
    if (!isBand && what == QLatin1String("family")) {
        constexpr std::array<const char*, 3> kFamilies{"Link_Ril", "Bessel", "Butter_W"};
        for (std::size_t i = 0; i < kFamilies.size(); ++i) {
            if (value == QLatin1String(kFamilies[i])) {
                editor.SetXoverFamily(channel, which, static_cast<int>(i));
                return true;
            }
        }
        return false;
    }
    if (!isBand && what == QLatin1String("slope")) {
        const auto v = IntIn(value, 0, 6);
        if (v)
            editor.SetXoverSlope(channel, which, *v);
        return v.has_value();
    }
    return false;
}

bool ApplyChannelEdit(CDeviceSession& s, const QStringList& a) {
    if (a.size() < 3)
        return false;
    const auto c = IntIn(a[0], 1, Layout::kChannels);
    if (!c)
        return false;
    const int channel = *c - 1;
    CModelEditor& editor = s.Editor();
    const CKTV_OutData& ch = s.Data().Channel(channel);
    const QString& what = a[1];
    if (a.size() == 3) {
        const QString& v = a[2];
        if (what == QLatin1String("gain")) {
            const auto db = v == QLatin1String("off") ? std::optional<int>(-kChannelGainMaxCode)
                                                      : IntIn(v, 1 - kChannelGainMaxCode, 0);
            if (db)
                editor.SetChannelGain(channel, *db + kChannelGainMaxCode);
            return db.has_value();
        }
        if (what == QLatin1String("mute")) {
            const auto on = OnOff(v);
            if (on)
                editor.SetOutputOn(channel, *on ? 0 : 1);
            return on.has_value();
        }
        if (what == QLatin1String("polarity")) {
            if (v != QLatin1String("normal") && v != QLatin1String("inverted"))
                return false;
            editor.SetPolarity(channel, v == QLatin1String("inverted") ? 1 : 0);
            return true;
        }
        if (what == QLatin1String("delay")) {
            const auto samples = DelaySamples(v);
            if (samples)
                editor.SetDelay(channel, *samples);
            return samples.has_value();
        }
        if (what == QLatin1String("name")) {
            // The caller has checked that the name fits, so the editor cannot refuse it here.
            return static_cast<bool>(editor.SetName(channel, v));
        }
        if (what == QLatin1String("highpass") || what == QLatin1String("lowpass"))
            return false;
    }
    if (a.size() == 4 && (what == QLatin1String("highpass") || what == QLatin1String("lowpass"))) {
        const Xover which = what == QLatin1String("highpass") ? Xover::HighPass : Xover::LowPass;
        return ApplyFilterEdit(editor, channel, -1, which, a[2], a[3]);
    }
    if (a.size() == 5 && what == QLatin1String("band")) {
        const auto k = IntIn(a[2], 1, ch.Filters().BandCount());
        return k && ApplyFilterEdit(editor, channel, *k - 1, Xover::HighPass, a[3], a[4]);
    }
    if (a.size() == 4 && what == QLatin1String("mix")) {
        const auto input = IntIn(a[2], 1, CKTV_OutData::kMixInputs);
        const auto level = IntIn(a[3], 0, 255);
        if (!input || !level)
            return false;
        std::array<int, CKTV_OutData::kMixInputs> levels{};
        for (int i = 0; i < CKTV_OutData::kMixInputs; ++i)
            levels[static_cast<std::size_t>(i)] = ch.GetMix(i);
        levels[static_cast<std::size_t>(*input - 1)] = *level;
        editor.SetMix(channel, levels);
        return true;
    }
    return false;
}

} // namespace

int RunSetCommand(const CliOptions& o, const QStringList& args, QTextStream&, QTextStream& err) {
    constexpr char kUsage[] =
        "set source 0..5 | volume 0..60 | master on|off | gate 0..8\n"
        "       set channel N gain DB|off | mute on|off | polarity normal|inverted | delay N[ms|cm|inch]\n"
        "       set channel N band K freq HZ | gain DB | bw INDEX | bypass on|off\n"
        "       set channel N highpass|lowpass freq HZ | family Link_Ril|Bessel|Butter_W | slope 0..6\n"
        "       set channel N mix INPUT LEVEL | name TEXT";
    if (args.isEmpty())
        return Usage(err, kUsage);
    const bool channel = args[0] == QLatin1String("channel");
    // A name that does not fit the device's field is refused with the system's own text before connecting.
    if (channel && args.size() == 4 && args[2] == QLatin1String("name")) {
        if (const Status fits = CKTV_OutData::CheckName(args[3]); !fits) {
            err << "selvano-ctl: set: " << fits.error().In(o.language) << "\n";
            return CliExit::kUsage;
        }
    }
    CDeviceSession s(o, err);
    // The words are checked on a connected model, since the edit is applied as soon as they are valid.
    if (const int rc = s.Connect())
        return rc;
    const bool applied = channel ? ApplyChannelEdit(s, args.mid(1)) : ApplySystemEdit(s, args);
    if (!applied)
        return Usage(err, kUsage);
    return s.WaitSettled();
}

int RunFactoryResetCommand(const CliOptions& o, const QStringList& given, QTextStream& out,
                           QTextStream& err) {
    QStringList args = given;
    const bool noBackup = TakeNoBackup(args);
    const bool yes = args == QStringList{QStringLiteral("--yes")};
    if (!yes && !args.isEmpty())
        return Usage(err, "factory-reset [--yes] [--no-backup]");
    if (!yes) {
        if (isatty(STDIN_FILENO) == 0) {
            err << "selvano-ctl: factory-reset: not a terminal; confirm with --yes\n";
            return CliExit::kUsage;
        }
        out << "Reset the device to factory settings? [y/N] ";
        out.flush();
        char answer[16] = {};
        if (std::fgets(answer, sizeof(answer), stdin) == nullptr || (answer[0] != 'y' && answer[0] != 'Y')) {
            err << "selvano-ctl: factory-reset: not confirmed\n";
            return CliExit::kUsage;
        }
    }
    CDeviceSession s(o, err);
    if (const int rc = s.Connect())
        return rc;
    if (const int rc = BackUpFirst(o, s, CDeviceBackup::Reason::FactoryReset, noBackup, err))
        return rc;
    if (!s.Controller().FactoryReset())
        return CliExit::kDevice; // the reason is printed
    return s.WaitSettled();
}

int RunDevicesCommand(const CliOptions& o, const QStringList& args, QTextStream& out, QTextStream& err) {
    if (!args.isEmpty())
        return Usage(err, "devices [--json]");
    CHidTransport::InitLibrary();
    CHidEnumerator enumerator;
    const CClaimList claims;
    QJsonArray list;
    for (const HidDeviceEntry& d : enumerator.Devices()) {
        if (!IsOurDevice(d.ids))
            continue;
        const auto holder = claims.Holder(d.path);
        list.append(
            QJsonObject{{"path", QString::fromStdString(d.path)},
                        {"vendor", QStringLiteral("0x%1").arg(d.ids.vendor, 4, 16, QLatin1Char('0'))},
                        {"product", QStringLiteral("0x%1").arg(d.ids.product, 4, 16, QLatin1Char('0'))},
                        {"release", QStringLiteral("0x%1").arg(d.ids.release, 4, 16, QLatin1Char('0'))},
                        {"claimed", holder.has_value()}});
    }
    if (o.json) {
        out << QJsonDocument(list).toJson();
        return CliExit::kOk;
    }
    if (list.isEmpty())
        out << "no device\n";
    for (const QJsonValue& v : list) {
        const QJsonObject d = v.toObject();
        out << d[QStringLiteral("path")].toString() << "  " << d[QStringLiteral("vendor")].toString() << ':'
            << d[QStringLiteral("product")].toString() << " release "
            << d[QStringLiteral("release")].toString()
            << (d[QStringLiteral("claimed")].toBool() ? "  claimed by another instance" : "  free") << "\n";
    }
    return CliExit::kOk;
}
