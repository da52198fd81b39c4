// A firmware file chosen by the user: its kind, its bytes, its check byte and the number of update frames.
#include "firmware/FirmwareFile.h"

#include "link/KTVCommand.h"
#include "link/SettingsStore.h"

#include <QDir>
#include <QFile>

namespace {

std::uint8_t XorFrom(std::uint8_t check, const std::vector<std::uint8_t>& bytes, std::size_t from) {
    for (std::size_t i = from; i < bytes.size(); ++i)
        check ^= bytes[i];
    return check;
}

int FrameCountOf(std::size_t size, std::size_t blockSize) {
    return static_cast<int>(size / blockSize) + CFirmwareFile::kExtraFrames;
}

} // namespace

CFirmwareFile::CFirmwareFile(CSettingsStore& store) : m_store(store) {}

QString CFirmwareFile::Path() const {
    return m_store.FirmwareFile();
}

void CFirmwareFile::BrowseFirmware(const QString& path) {
    m_store.SetFirmwareFile(path);
    m_store.SetDialogPath(
        QDir::toNativeSeparators(QDir::current().filePath(QStringLiteral("DataFile/*.bin"))));
    m_store.SaveFirmwareLocation();
}

void CFirmwareFile::Forget() {
    m_kind = Kind::None;
    m_dsp.clear();
    m_controller.clear();
    m_check = 0;
    m_frameCount = 0;
}

FirmwareLoad CFirmwareFile::LoadFirmware() {
    Forget();
    const QString path = m_store.FirmwareFile();
    QFile file(path);
    QByteArray content;
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly))
        content = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        m_store.SetFirmwareFile({});
        return {Status::Error(kHexFileError), std::nullopt};
    }

    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : path.mid(dot + 1);
    const bool dsp = extension == QLatin1String(kDspExtension);
    const bool controller = extension == QLatin1String(kControllerExtension);
    // An empty file would be accepted by the device sequence but never finish it.
    if ((!dsp && !controller) || content.isEmpty())
        return {Status::Error(kFileTypeError), std::nullopt};

    std::vector<std::uint8_t> bytes(content.begin(), content.end());
    if (dsp) {
        m_check = XorFrom(kCheckSeed, bytes, kDspHeadSize);
        m_frameCount = FrameCountOf(bytes.size(), KTVCommand::kDspChunkSize);
        m_dsp = std::move(bytes);
        m_kind = Kind::Dsp;
        return {Status::Ok(), std::nullopt};
    }
    m_check = XorFrom(kCheckSeed, bytes, 0);
    m_frameCount = FrameCountOf(bytes.size(), KTVCommand::kControllerChunkSize);
    m_controller = std::move(bytes);
    m_kind = Kind::Controller;
    return {Status::Ok(), kControllerNotice};
}
