// Fixed tables of the parameter model, code/unit conversions, graph coordinates and fixed-width text fields.
#pragma once

#include "base/Status.h"
#include "base/SysText.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

// ---- Frequency tables (Hz) -------------------------------------------------------------------------------

// Band centres of an output channel when its filter set is built and when its EQ is reset.
inline constexpr std::array<int, 31> kIsoThirdOctave{
    20,  25,   32,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

// Band centres of the factory output block; they differ slightly from the ISO centres and are kept as they
// stand.
inline constexpr std::array<int, 31> kFactoryBandFreqs{
    20,  26,   33,   41,   51,   62,   81,   101,  124,  161,  201,  251,   316,   401,   501,  631,
    801, 1001, 1251, 1601, 2001, 2501, 3151, 4001, 5001, 6299, 8001, 10001, 12501, 16001, 20000};

// Bands of the carried records: input records A and B have nine, the effect record three.
inline constexpr std::array<int, 9> kNineBandFreqs{40, 80, 160, 317, 632, 1261, 2515, 5018, 10000};
inline constexpr std::array<int, 3> kThreeBandFreqs{100, 1000, 10000};

inline constexpr int kGridPoints = 241;
inline constexpr int kQTableSize = 296;

// Response grid, about 1/24 octave from 19.7 Hz to 20 kHz. The values are the device's own and are kept
// exactly, including 179 at index 76 and 5000 at index 192 that break the ratio of their neighbours. It
// is also the step list of the numeric frequency editors.
inline constexpr std::array<double, kGridPoints> g_freqGrid{
    19.7,    20.3,    20.9,    21.5,    22.1,    22.7,    23.4,    24.1,    24.8,    25.5,    26.3,
    27.0,    27.8,    28.7,    29.5,    30.4,    31.3,    32.2,    33.1,    34.1,    35.1,    36.1,
    37.2,    38.3,    39.4,    40.5,    41.7,    42.9,    44.2,    45.5,    46.8,    48.2,    49.6,
    51.1,    52.6,    54.1,    55.7,    57.3,    59.0,    60.7,    62.5,    64.3,    66.2,    68.2,
    70.2,    72.2,    74.3,    76.5,    78.7,    81.1,    83.4,    85.9,    88.4,    91.0,    93.6,
    96.4,    99.2,    102.0,   105.0,   108.0,   111.0,   115.0,   118.0,   121.0,   125.0,   129.0,
    132.0,   136.0,   140.0,   144.0,   149.0,   153.0,   158.0,   162.0,   167.0,   172.0,   179.0,
    182.0,   187.0,   193.0,   198.0,   204.0,   210.0,   216.0,   223.0,   229.0,   236.0,   243.0,
    250.0,   257.0,   265.0,   273.0,   281.0,   289.0,   297.0,   306.0,   315.0,   324.0,   334.0,
    344.0,   354.0,   364.0,   375.0,   386.0,   397.0,   409.0,   420.0,   433.0,   445.0,   459.0,
    472.0,   486.0,   500.0,   515.0,   530.0,   545.0,   561.0,   578.0,   595.0,   612.0,   630.0,
    648.0,   667.0,   687.0,   707.0,   728.0,   749.0,   771.0,   794.0,   817.0,   841.0,   866.0,
    891.0,   917.0,   944.0,   972.0,   1000.0,  1030.0,  1060.0,  1090.0,  1123.0,  1155.0,  1190.0,
    1224.0,  1260.0,  1297.0,  1335.0,  1374.0,  1414.0,  1456.0,  1498.0,  1542.0,  1587.0,  1634.0,
    1682.0,  1731.0,  1782.0,  1834.0,  1888.0,  1943.0,  2000.0,  2059.0,  2119.0,  2181.0,  2245.0,
    2311.0,  2378.0,  2448.0,  2520.0,  2594.0,  2670.0,  2748.0,  2828.0,  2911.0,  2997.0,  3084.0,
    3175.0,  3268.0,  3364.0,  3462.0,  3564.0,  3668.0,  3776.0,  3886.0,  4000.0,  4117.0,  4238.0,
    4362.0,  4490.0,  4621.0,  4757.0,  4896.0,  5000.0,  5187.0,  5339.0,  5496.0,  5657.0,  5823.0,
    5993.0,  6169.0,  6350.0,  6536.0,  6727.0,  6924.0,  7127.0,  7336.0,  7551.0,  7772.0,  8000.0,
    8234.0,  8476.0,  8724.0,  8980.0,  9243.0,  9514.0,  9792.0,  10079.0, 10374.0, 10679.0, 10992.0,
    11314.0, 11645.0, 11987.0, 12338.0, 12699.0, 13071.0, 13454.0, 13849.0, 14254.0, 14672.0, 15102.0,
    15545.0, 16000.0, 16469.0, 16951.0, 17448.0, 17959.0, 18486.0, 19027.0, 19585.0, 20000.0};

// Q of a peak band of bandwidth N = 0.05 + 0.01 * i octaves, rounded to three decimals (entry 15 = 7.208).
// Built once at start-up; do not read it from another static initialiser.
extern const std::array<double, kQTableSize> g_qTable;

// Index of the grid entry nearest to f; a tie goes to the upper entry, anything above the grid gives 240.
int NearestGridIndex(double f);

// ---- Code / unit conversions ----------------------------------------------------------------------------

inline constexpr int kChannelGainMaxCode = 60; // code 0 means the gain is off
inline constexpr int kEqGainCodeMax = 400;     // -20.0 .. +20.0 dB in 0.1 dB steps
inline constexpr int kEqGainCodeZero = 200;    // 0 dB, also the code of a bypassed band
inline constexpr int kEqGainFieldOffset = 400; // the image stores gain code + 400
inline constexpr int kBandwidthIndexMax = 295; // 0.05 .. 3.00 octaves
inline constexpr int kDelayMaxSamples = 960;   // 20 ms at 48 kHz
inline constexpr int kLimiterThresholdMax = 400;
inline constexpr int kLimiterAttackMax = 106;
inline constexpr int kLimiterReleaseMax = 5;

int ChannelGainDb(int code); // code - 60; code 0 is "off", which the caller shows as such

double EqGainDb(int code); // code * 0.1 - 20
int EqGainCode(double db); // (int)((dB + 20) * 10 + 0.5)

double BandwidthOctaves(int index);  // 0.05 + 0.01 * index
int BandwidthIndex(double octaves);  // (int)((octaves - 0.05) / 0.01 + 0.05)
double QOfBandwidthIndex(int index); // g_qTable entry; 0 outside the table
QString QText(double q);             // "%0.2f" above 10, else "%0.3f"
QString EqGainText(double db);       // "%0.1fdB"

double DelayMs(int samples); // samples / 48: 960 gives exactly 20.0

// A delay as the distance sound travels in it, as the delay editors take a typed distance. The air
// temperature is kept + 50 in degrees Celsius; nothing in the program moves it from 25 degrees.
inline constexpr int kDefaultAirTemperature = 75;
inline constexpr double kInchesPerMetre = 39.3696;                // 3.2808 feet of 12 inches
inline constexpr double kMsPerDelaySample = 0.020833333333333332; // one sample at 48 kHz
double SpeedOfSound(int temperature = kDefaultAirTemperature);    // m/s: 331.4 + 0.6 x (temperature - 50)
// Milliseconds that sound takes over `metres`.
double DistanceDelayMs(double metres, int temperature = kDefaultAirTemperature);
// The nearest whole sample at 48 kHz: (int)(ms / kMsPerDelaySample + 0.5); 0 for no delay or no number, and
// INT_MAX beyond the int range.
int DelaySamplesOfMs(double ms);

double LimiterThresholdDbu(int code);                     // code * 0.1 - 30
double LimiterAttackMs(int code);                         // 0..6: 0.3..0.9 ms, 7..106: 1..100 ms
int LimiterReleaseFactor(int code);                       // 2, 4, 6, 8, 16, 32; 0 outside 0..5
double LimiterReleaseMs(int attackCode, int releaseCode); // attack * factor

// Crossover family: 0 Linkwitz-Riley, 1 Bessel, 2 Butterworth.
inline constexpr std::array<SysText, 3> kFamilyTexts{{
    {"Link_Ril", "宁克"},
    {"Bessel", "贝塞尔"},
    {"Butter_W", "巴特沃斯"},
}};

// Crossover slope: the main window's list index, stored and sent as is; 6 is off in both languages.
inline constexpr int kSlopeOff = 6;
inline constexpr std::array<SysText, 7> kCrossoverSlopeTexts{{
    {"6dB/Oct", "6dB/Oct"},
    {"12dB/Oct", "12dB/Oct"},
    {"18dB/Oct", "18dB/Oct"},
    {"24dB/Oct", "24dB/Oct"},
    {"36dB/Oct", "36dB/Oct"},
    {"48dB/Oct", "48dB/Oct"},
    {"关闭", "关闭"},
}};

// Shelf slope: 0 = 6 dB/octave, 1 = 12 dB/octave.
inline constexpr std::array<SysText, 2> kShelfSlopeTexts{{
    {"6dB/Oct", "6dB/Oct"},
    {"12dB/Oct", "12dB/Oct"},
}};

// Kind texts of an equaliser band; a peak reads "GEQ" in graphic mode.
inline constexpr SysText kTextPeq{"PEQ", "参量均衡"};
inline constexpr SysText kTextGeq{"GEQ", "图示均衡"};
inline constexpr SysText kTextLowShelf{"Lo_Shf", "低架"};
inline constexpr SysText kTextHighShelf{"Hi_Shf", "高架"};

inline constexpr SysText kTextCharLenError{"char Len error!", "字符长度错误!"};

// Texts by index; an index outside the list gives an empty text.
QString FamilyText(int family, int language);
QString CrossoverSlopeText(int index, int language);
QString ShelfSlopeText(int index, int language);

// ---- Graph coordinates ----------------------------------------------------------------------------------
// The response graph spans 20 Hz .. 20 kHz over three decades (W / 3 pixels each, integer division) and
// +20 .. -20 dB top to bottom; w and h are the plot size in pixels, coordinates measured from its top-left.

// Pixel positions come from doubles that a degenerate input could push out of int range.
inline int ToPixel(double v) {
    if (!(v > -1e6)) {
        return -1000000;
    }
    if (v > 1e6) {
        return 1000000;
    }
    return static_cast<int>(v);
}

int GraphXOfFreq(double f, int w);     // truncated
double GraphXOfFreqF(double f, int w); // unrounded
// Inline: every response and every channel sum maps all grid points through these.
inline double GraphYOfGainF(double db, int h) { // unrounded
    return h / 40.0 * (20.0 - db);
}
inline int GraphYOfGain(double db, int h) { // rounded by +0.5 and truncation
    return ToPixel(h / 40.0 * (20.0 - db) + 0.5);
}
double GainOfGraphY(int y, int h); // moved half a step away from zero; the caller truncates
int FreqOfGraphX(int x, int w);    // limited to 20..20000 Hz, truncated

// ---- Fixed-width text fields ----------------------------------------------------------------------------
// Names travel as n-byte fields. Text is UTF-8; lengths count bytes, and a cut never splits a character.

QString ReadField(const std::uint8_t* src, std::size_t n);     // first n - 1 bytes, up to a 0, trimmed
QString ReadFieldFull(const std::uint8_t* src, std::size_t n); // all n bytes, up to a 0, trimmed
// Copies text shorter than n bytes and zero-fills the rest; longer text leaves the field unchanged and
// returns "char Len error!".
Status WriteFieldStrict(std::uint8_t* dst, std::size_t n, const QString& text);
// Copies text cut to n - 1 bytes and zero-fills the rest, so the last byte is always 0.
void WriteFieldCut(std::uint8_t* dst, std::size_t n, const QString& text);
bool IsBlank(const QString& text); // empty after trimming spaces on both sides
