// The device-wide settings outside the parameter image: system block, remembered volumes, speaker types.
#include "model/SystemSettings.h"

#include <algorithm>

using namespace SystemLayout;

QString SpeakerTypeText(int type, int language) {
    if (type < 0 || type >= kSpeakerTypeCount)
        return {};
    const SpeakerTypeInfo& info = kSpeakerTypes[static_cast<std::size_t>(type)];
    const QString position = info.positionText.In(language);
    const QString band = info.bandText.In(language);
    if (band.isEmpty())
        return position;
    return language == 1 ? position + band : position + QLatin1Char(' ') + band;
}

void CSystemSettings::SelectSource(int index) {
    m_globals.systemBlock[kSource] = static_cast<std::uint8_t>(index);
    MarkPending();
}

void CSystemSettings::SetMasterVolume(int value) {
    value = std::clamp(value, 0, kMaxMasterVolume);
    WriteU16(&m_globals.systemBlock[kMasterVolume], static_cast<std::uint16_t>(value));
    m_globals.sourceVolumes[static_cast<std::size_t>(VolumeGroupOfSource(Source()))] =
        static_cast<std::uint8_t>(value);
    MarkPending();
}

int CSystemSettings::ToggleMasterOutput() {
    const int on = MasterOutput() ? 0 : 1;
    m_globals.systemBlock[kMasterOutput] = static_cast<std::uint8_t>(on);
    MarkPending();
    return on;
}

void CSystemSettings::SetNoiseGate(int index) {
    m_globals.systemBlock[kNoiseGate] = static_cast<std::uint8_t>(index);
    MarkPending();
}

void CSystemSettings::SetOptionFlag(int on) {
    m_globals.systemBlock[kOptionFlag] = static_cast<std::uint8_t>(on);
    MarkPending();
}

int CSystemSettings::DisplayedSource() const {
    return std::min(Source(), kMaxSource);
}

int CSystemSettings::MasterVolume() const {
    return ReadU16(&m_globals.systemBlock[kMasterVolume]);
}

int CSystemSettings::SpeakerType(int slot) const {
    if (slot < 0 || slot >= kSpeakerSlots)
        return 0;
    return m_globals.systemBlock[kSpeakerTypeBytes + static_cast<std::size_t>(slot)];
}

int CSystemSettings::Level(int i) const {
    if (i < 0 || i >= kLevelCount)
        return 0;
    return ReadU16(&m_globals.systemBlock[kLevels + 2 * static_cast<std::size_t>(i)]);
}

int CSystemSettings::RememberedVolume(int group) const {
    if (group < 0 || group >= kVolumeGroups)
        return 0;
    return m_globals.sourceVolumes[static_cast<std::size_t>(group)];
}

int CSystemSettings::VolumeGroupOfSource(int source) {
    return kInputSources[static_cast<std::size_t>(std::clamp(source, 0, kMaxSource))].volumeGroup;
}

int CSystemSettings::PositionDelay(int position, int delay) const {
    if (position < 0 || position >= kPositions || delay < 0 || delay >= kDelaysPerPosition)
        return 0;
    const std::size_t at =
        kPositionStride * static_cast<std::size_t>(position) + 2 * static_cast<std::size_t>(delay);
    return static_cast<std::int16_t>(ReadU16(&m_globals.positionDelays[at]));
}

void CSystemSettings::LimitCurrentPosition() {
    std::uint8_t& position = m_globals.positionDelays[kCurrentPosition];
    position = static_cast<std::uint8_t>(std::min<int>(position, kMaxPosition));
}

void CSystemSettings::MarkPending() {
    m_globals.systemPending.store(m_globals.connected.load());
}
