// The device-wide settings outside the parameter image: system block, remembered volumes, speaker types.
#pragma once

#include "base/SysText.h"
#include "model/ModelGlobals.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

// Byte positions inside the process-wide blocks of ModelGlobals.
namespace SystemLayout {
// System block, 32 bytes: bytes 0..7 travel as message 144, 8..19 as 145, 24..31 as 146.
inline constexpr std::size_t kSource = 0;
inline constexpr std::size_t kMasterVolume = 2; // u16
inline constexpr std::size_t kNoiseGate = 4;
inline constexpr std::size_t kMasterOutput = 5;
inline constexpr std::size_t kOptionFlag = 7;
inline constexpr std::size_t kSpeakerTypeBytes = 8; // one byte per output channel slot
inline constexpr int kSpeakerSlots = 12;
inline constexpr std::size_t kLevels = 24; // three u16 carried for the device
inline constexpr int kLevelCount = 3;

inline constexpr int kSources = 6;
inline constexpr int kMaxSource = kSources - 1; // a larger source number from the device shows as this one
inline constexpr int kMaxMasterVolume = 60;
inline constexpr int kNoiseGateSteps = 9;
inline constexpr int kSpeakerTypeCount = 25;

// Source-volume block: one remembered master volume per volume group, 0..100.
inline constexpr int kVolumeGroups = 5;

// Position-delay block, 50 bytes: position p at 12p holds six i16 delays in samples, then the current
// position and one carried byte.
inline constexpr int kPositions = 4;
inline constexpr int kDelaysPerPosition = 6;
inline constexpr std::size_t kPositionStride = 12;
inline constexpr std::size_t kCurrentPosition = 48;
inline constexpr int kMaxPosition = kPositions - 1;
} // namespace SystemLayout

struct InputSourceInfo {
    SysText name;
    int volumeGroup; // which remembered volume follows the master volume while this source plays
};

// Optical and coaxial are both digital inputs and share one remembered volume.
inline constexpr std::array<InputSourceInfo, SystemLayout::kSources> kInputSources{{
    {{"High level", "高电平"}, 0},
    {{"RCA", "低电平"}, 1},
    {{"Bluetooth", "蓝牙"}, 2},
    {{"Optical", "光纤"}, 3},
    {{"Coaxial", "同轴"}, 3},
    {{"Player", "播放器"}, 4},
}};

inline constexpr std::array<SysText, SystemLayout::kVolumeGroups> kVolumeGroupTexts{{
    {"High level", "高电平"},
    {"RCA", "低电平"},
    {"Bluetooth", "蓝牙"},
    {"Digit", "数字"},
    {"Player", "播放器"},
}};

// Noise-gate threshold by index; 0 switches the gate off.
inline constexpr std::array<SysText, SystemLayout::kNoiseGateSteps> kNoiseGateTexts{{
    {"Close", "关闭"},
    {"-110dB", "-110dB"},
    {"-98dB", "-98dB"},
    {"-95dB", "-95dB"},
    {"-92dB", "-92dB"},
    {"-89dB", "-89dB"},
    {"-86dB", "-86dB"},
    {"-83dB", "-83dB"},
    {"-80dB", "-80dB"},
}};

// Where in the car a speaker type sits; the main window places the channel's icon there and the Link
// button pairs a left position with its right partner.
enum class SpeakerPosition {
    None,
    FrontLeft,
    FrontRight,
    RearLeft,
    RearRight,
    Center,
    LeftSub,
    RightSub,
    Sub
};

struct SpeakerTypeInfo {
    SpeakerPosition position;
    SysText positionText;
    SysText bandText; // empty for the types that name no band
};

namespace SpeakerText {
inline constexpr SysText kNone{"None", "空"};
inline constexpr SysText kFrontLeft{"Front Left", "前左"};
inline constexpr SysText kFrontRight{"Front Right", "前右"};
inline constexpr SysText kRearLeft{"Rear Left", "后左"};
inline constexpr SysText kRearRight{"Rear Right", "后右"};
inline constexpr SysText kCenter{"Center", "中置"};
inline constexpr SysText kLeftSub{"Left Sub", "左超低"};
inline constexpr SysText kRightSub{"Right Sub", "右超低"};
inline constexpr SysText kSub{"Sub", "超低"};
inline constexpr SysText kHigh{"High", "高频"};
inline constexpr SysText kMid{"Mid", "中频"};
inline constexpr SysText kLow{"Low", "低频"};
inline constexpr SysText kMidHigh{"Mid-High", "中高频"};
inline constexpr SysText kMidLow{"Mid-Low", "中低频"};
inline constexpr SysText kFullRange{"Full Range", "全频"};
inline constexpr SysText kNoBand{"", ""};
} // namespace SpeakerText

inline constexpr std::array<SpeakerTypeInfo, SystemLayout::kSpeakerTypeCount> kSpeakerTypes{{
    {SpeakerPosition::None, SpeakerText::kNone, SpeakerText::kNoBand},
    {SpeakerPosition::FrontLeft, SpeakerText::kFrontLeft, SpeakerText::kHigh},
    {SpeakerPosition::FrontLeft, SpeakerText::kFrontLeft, SpeakerText::kMid},
    {SpeakerPosition::FrontLeft, SpeakerText::kFrontLeft, SpeakerText::kLow},
    {SpeakerPosition::FrontLeft, SpeakerText::kFrontLeft, SpeakerText::kMidHigh},
    {SpeakerPosition::FrontLeft, SpeakerText::kFrontLeft, SpeakerText::kMidLow},
    {SpeakerPosition::FrontLeft, SpeakerText::kFrontLeft, SpeakerText::kFullRange},
    {SpeakerPosition::FrontRight, SpeakerText::kFrontRight, SpeakerText::kHigh},
    {SpeakerPosition::FrontRight, SpeakerText::kFrontRight, SpeakerText::kMid},
    {SpeakerPosition::FrontRight, SpeakerText::kFrontRight, SpeakerText::kLow},
    {SpeakerPosition::FrontRight, SpeakerText::kFrontRight, SpeakerText::kMidHigh},
    {SpeakerPosition::FrontRight, SpeakerText::kFrontRight, SpeakerText::kMidLow},
    {SpeakerPosition::FrontRight, SpeakerText::kFrontRight, SpeakerText::kFullRange},
    {SpeakerPosition::RearLeft, SpeakerText::kRearLeft, SpeakerText::kHigh},
    {SpeakerPosition::RearLeft, SpeakerText::kRearLeft, SpeakerText::kLow},
    {SpeakerPosition::RearLeft, SpeakerText::kRearLeft, SpeakerText::kFullRange},
    {SpeakerPosition::RearRight, SpeakerText::kRearRight, SpeakerText::kHigh},
    {SpeakerPosition::RearRight, SpeakerText::kRearRight, SpeakerText::kLow},
    {SpeakerPosition::RearRight, SpeakerText::kRearRight, SpeakerText::kFullRange},
    {SpeakerPosition::Center, SpeakerText::kCenter, SpeakerText::kHigh},
    {SpeakerPosition::Center, SpeakerText::kCenter, SpeakerText::kLow},
    {SpeakerPosition::Center, SpeakerText::kCenter, SpeakerText::kFullRange},
    {SpeakerPosition::LeftSub, SpeakerText::kLeftSub, SpeakerText::kNoBand},
    {SpeakerPosition::RightSub, SpeakerText::kRightSub, SpeakerText::kNoBand},
    {SpeakerPosition::Sub, SpeakerText::kSub, SpeakerText::kNoBand},
}};

// Start-up speaker types of channel slots 0..11: front high and mid-low pairs, rear full-range pair, the rest
// unassigned.
inline constexpr std::array<std::uint8_t, SystemLayout::kSpeakerSlots> kDefaultSpeakerTypes{
    1, 7, 5, 11, 15, 18, 0, 0, 0, 0, 0, 0};

// "前左高频" / "Front Left High"; an unknown type gives an empty text.
QString SpeakerTypeText(int type, int language);

// Operations on the system block. Each stores its value and marks the system block (message 144) for the
// link worker with the connected flag, so that nothing is queued while no device is connected.
class CSystemSettings {
public:
    explicit CSystemSettings(ModelGlobals& globals) : m_globals(globals) {}

    void SelectSource(int index);
    // Also becomes the remembered volume of the current source's group.
    void SetMasterVolume(int value);
    int ToggleMasterOutput(); // returns the new state
    void SetNoiseGate(int index);
    void SetOptionFlag(int on);

    int Source() const { return m_globals.systemBlock[SystemLayout::kSource]; }
    int DisplayedSource() const; // the source as the view shows it: at most 5
    int MasterVolume() const;
    int MasterOutput() const { return m_globals.systemBlock[SystemLayout::kMasterOutput]; }
    int NoiseGate() const { return m_globals.systemBlock[SystemLayout::kNoiseGate]; }
    int OptionFlag() const { return m_globals.systemBlock[SystemLayout::kOptionFlag]; }
    int SpeakerType(int slot) const;
    int Level(int i) const; // the three carried levels

    int RememberedVolume(int group) const;
    static int VolumeGroupOfSource(int source); // a source above 5 counts as 5

    int CurrentPosition() const { return m_globals.positionDelays[SystemLayout::kCurrentPosition]; }
    int PositionDelay(int position, int delay) const; // i16 samples
    void LimitCurrentPosition();                      // at most 3

private:
    void MarkPending();

    ModelGlobals& m_globals;
};
