// Edit field of a numeric parameter: shows an integer parameter code in engineering units and turns typed
// text back into a code; its partner CNumSpin steps the code and tells the page.
#include "editors/NumEdit.h"

#include "base/DataDefine.h"
#include "base/SysText.h"
#include "controls/SkinPalette.h"
#include "editors/NumEditAccessible.h"
#include "editors/NumSpin.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <utility>

namespace {

constexpr double kMsPerSample = kMsPerDelaySample;
constexpr double kMaxDelayMs = 20.0;
// Typed decimals land on a code boundary only up to the rounding of binary doubles ("-19.8" would
// otherwise truncate to the code below); this much of a code absorbs that and nothing a user can type.
constexpr double kCodeTolerance = 1e-9;
constexpr double kQShownAbove = 0.025; // the editor shows Q this much above the band labels' Q
constexpr int kWheelNotch = 120;       // eighths of a degree per wheel step

// Selected text inside a highlighted editor: white on a blue dark enough to stand off the highlight.
QColor SelectionColour() {
    return {40, 78, 128};
}

// How a kind turns a code into text and text into a code.
enum class Rule {
    DelayMs,   // ms = code / 48
    DelayCm,   // distance sound travels in the delay, centimetres
    DelayInch, // ... inches
    Integer,   // the code itself; "OFF" keeps the code
    Linear,    // code x step - offset; with offBottom "OFF" is the bottom of the range
    Bandwidth, // Q of the bandwidth index, shown kQShownAbove higher
    Count,     // (int)(code x step) followed by the unit text
};

struct KindRule {
    int kind;
    Rule rule;
    int decimals;
    SysText unit;           // shown after the number
    bool unitNeedsText;     // the unit shows only when the page gave a unit text
    int decimalsAtMax;      // at the top code (the distance kinds show the full 20 ms differently)
    SysText unitAtMax;      //
    bool offBottom = false; // "OFF" means the bottom of the range
};

constexpr SysText kNoUnit{"", ""};
constexpr SysText kUnitMs{"MS", "毫秒"};
constexpr SysText kUnitCm{"CM", "厘米"};
constexpr SysText kUnitInch{"INCH", "英寸"};
constexpr SysText kUnitHz{"Hz", "Hz"};
constexpr SysText kUnitDb{"dB", "dB"};
constexpr SysText kTextOff{"OFF", "关闭"};

constexpr std::array<KindRule, 9> kKindRules{{
    {CNumEdit::kDelayMs, Rule::DelayMs, 3, kUnitMs, true, 3, kUnitMs},
    {CNumEdit::kDelayCm, Rule::DelayCm, 0, kUnitCm, true, 2, kUnitCm},
    {CNumEdit::kDelayInch, Rule::DelayInch, 0, kUnitInch, true, 0, kNoUnit},
    {CNumEdit::kBandFreq, Rule::Integer, 0, kNoUnit, false, 0, kNoUnit},
    {CNumEdit::kXoverFreq, Rule::Integer, 0, kUnitHz, false, 0, kUnitHz},
    {CNumEdit::kBandGain, Rule::Linear, 1, kNoUnit, false, 1, kNoUnit},
    {CNumEdit::kBandwidth, Rule::Bandwidth, 3, kNoUnit, false, 3, kNoUnit},
    {CNumEdit::kCount, Rule::Count, 0, kNoUnit, false, 0, kNoUnit},
    {CNumEdit::kChannelGain, Rule::Linear, 0, kUnitDb, false, 0, kUnitDb, true},
}};

// A kind no page uses shows and takes the code itself.
constexpr KindRule kPlainCode{-1, Rule::Integer, 0, kNoUnit, false, 0, kNoUnit};

const KindRule& RuleOf(int kind) {
    const auto* it = std::find_if(kKindRules.begin(), kKindRules.end(),
                                  [kind](const KindRule& r) { return r.kind == kind; });
    return it != kKindRules.end() ? *it : kPlainCode;
}

// Fixed-point text as printf's "%0.Nf" gives it in the C locale, whatever the process locale says.
QString Fixed(double value, int decimals) {
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        return QString::number(value, 'g');
    }
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

// The number a text starts with, read as C's atof does (leading blanks, sign, decimals, exponent); text that
// does not start with a number reads as 0.
double LeadingReal(const QString& text) {
    const QByteArray bytes = text.trimmed().toLatin1(); // other characters become '?' and end the number
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p < end && (*p == '+' || *p == '-')) {
        return 0.0;
    }
    long double value = 0.0L; // wide enough that "1e400" reads as too large rather than not a number
    const auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec != std::errc() || std::isnan(value)) {
        return 0.0;
    }
    const double magnitude = value > DBL_MAX ? HUGE_VAL : static_cast<double>(value);
    return negative ? -magnitude : magnitude;
}

// The integer a text starts with, read as C's atoi does; beyond the int range it is the range's end.
int LeadingInt(const QString& text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || *p < '0' || *p > '9') {
        return 0;
    }
    unsigned long long magnitude = 0;
    const auto result = std::from_chars(p, end, magnitude);
    const unsigned long long limit = negative ? 1ULL + INT_MAX : static_cast<unsigned long long>(INT_MAX);
    if (result.ec == std::errc::result_out_of_range || magnitude > limit) {
        return negative ? INT_MIN : INT_MAX;
    }
    return negative ? static_cast<int>(-static_cast<long long>(magnitude)) : static_cast<int>(magnitude);
}

// (int) of a double that may lie outside the int range or be no number at all.
int Truncate(double x) {
    if (!(x > INT_MIN)) {
        return INT_MIN;
    }
    if (x >= INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(x);
}

bool IsOff(const QString& text) {
    const QString t = text.trimmed();
    return t.compare(QString::fromUtf8(kTextOff.en), Qt::CaseInsensitive) == 0 ||
           t == QString::fromUtf8(kTextOff.zh);
}

} // namespace

CNumEdit::CNumEdit(QWidget* parent) : QLineEdit(parent) {
    CNumEditAccessible::Install();
    setFrame(false);
    setAlignment(Qt::AlignCenter);
    connect(this, &QLineEdit::textEdited, this, [this] { m_modified = 1; });
    Redisplay();
    ApplyColours();
}

CNumEdit::~CNumEdit() {
    if (m_spin != nullptr) {
        m_spin->m_buddy = nullptr;
    }
}

bool CNumEdit::StepsOnGrid(int kind) {
    return kind == kBandFreq || kind == kXoverFreq;
}

void CNumEdit::SetEditKind(int kind, const QString& unitText) {
    m_editKind = kind;
    m_unitText = unitText;
    if (m_spin != nullptr) {
        m_spin->m_editKind = kind;
    }
    Redisplay();
}

void CNumEdit::SetRange(int min, int max) {
    if (min > max) {
        std::swap(min, max);
    }
    m_min = min;
    m_max = max;
    m_value = min;
    if (m_spin != nullptr) {
        m_spin->m_min = min;
        m_spin->m_max = max;
    }
    Redisplay();
    SyncSpin();
    ValueChanged();
}

void CNumEdit::SetStep(double step) {
    m_step = step;
    Redisplay();
}

void CNumEdit::SetOffset(double offset) {
    m_offset = offset;
    Redisplay();
}

void CNumEdit::SetTemperature(int temperature) {
    m_temperature = temperature;
    Redisplay();
}

void CNumEdit::SetValue(int v) {
    if (v < m_min || v > m_max) {
        return;
    }
    const bool changed = v != m_value;
    m_value = v;
    Redisplay();
    SyncSpin();
    if (changed) {
        ValueChanged();
    }
}

int CNumEdit::GetValue() {
    if (m_modified != 0) {
        const int v = Parse(text());
        m_modified = 0;
        m_typedUncommitted = true;
        if (v != m_value) {
            m_value = v;
            SyncSpin();
            ValueChanged();
        }
    }
    return m_value;
}

void CNumEdit::SetHighlight(bool on) {
    m_highlighted = on ? 1 : 0;
    ApplyColours();
    update();
}

void CNumEdit::SetOwnColours(bool on) {
    m_ownColours = on ? 1 : 0;
    if (on) {
        ApplyColours();
    } else {
        setPalette(QPalette());
    }
    update();
}

void CNumEdit::SetLanguage(int language) {
    m_languageSource = nullptr;
    m_language = language;
    Reformat();
}

void CNumEdit::SetLanguageSource(const std::atomic<int>* language) {
    m_languageSource = language;
    if (language != nullptr) {
        m_language = language->load();
    }
    Reformat();
}

void CNumEdit::StepBy(int delta) {
    if (m_spin != nullptr) {
        m_spin->StepNow(delta);
        return;
    }
    const int before = m_value;
    const int start = GetValue();
    const bool typed = m_typedUncommitted;
    const int next = CNumSpin::SteppedCode(m_editKind, start, delta, m_min, m_max);
    if (typed || next != m_value) {
        SetValue(next);
    }
    if (typed || next != before) {
        Notify();
    }
}

void CNumEdit::EnterValue(int v) {
    SetValue(std::clamp(v, m_min, m_max));
    Notify();
}

QString CNumEdit::TextOf(int v) const {
    const KindRule& rule = RuleOf(m_editKind);
    const bool showUnit = !rule.unitNeedsText || !m_unitText.isEmpty();
    const bool atMax = v == m_max && showUnit;
    const int decimals = atMax ? rule.decimalsAtMax : rule.decimals;
    const QString unit = !showUnit ? QString() : (atMax ? rule.unitAtMax : rule.unit).In(m_language);
    // Metres per millisecond at the air temperature, as the distance texts have always been computed.
    const double metresPerMs = (0.6 * (m_temperature - 50) + 331.0) / 1000.0;
    const double ms = v * kMsPerSample;

    switch (rule.rule) {
    case Rule::DelayMs:
        return Fixed(ms, decimals) + unit;
    case Rule::DelayCm:
        return Fixed(metresPerMs * ms * 100.0, decimals) + unit;
    case Rule::DelayInch:
        return Fixed(metresPerMs * ms * kInchesPerMetre, decimals) + unit;
    case Rule::Integer:
        return QString::number(v) + unit;
    case Rule::Linear:
        return Fixed(v * m_step - m_offset, decimals) + unit;
    case Rule::Bandwidth:
        return Fixed(QOfBandwidthIndex(v) + kQShownAbove, decimals);
    case Rule::Count:
        return QString::number(Truncate(v * m_step)) + m_unitText;
    }
    return QString::number(v);
}

int CNumEdit::Parse(const QString& text) const {
    const KindRule& rule = RuleOf(m_editKind);
    int v = m_value;

    // Delay as a distance: metres up to what sound covers in 20 ms, rounded to the nearest sample.
    const auto distanceCode = [this](double metres) {
        metres = std::min(metres, SpeedOfSound(m_temperature) * kMaxDelayMs / 1000.0);
        const double ms = DistanceDelayMs(metres, m_temperature);
        return ms >= kMaxDelayMs ? m_max : DelaySamplesOfMs(ms);
    };

    switch (rule.rule) {
    case Rule::DelayMs: {
        const double x = LeadingReal(text);
        if (x < 0.0) {
            return m_min;
        }
        if (x > kMaxDelayMs) {
            return m_max;
        }
        v = Truncate(x / kMsPerSample + kCodeTolerance);
        break;
    }
    case Rule::DelayCm:
        v = distanceCode(LeadingReal(text) / 100.0);
        break;
    case Rule::DelayInch:
        v = distanceCode(LeadingReal(text) / kInchesPerMetre);
        break;
    case Rule::Integer:
        if (!IsOff(text)) {
            v = LeadingInt(text);
        }
        break;
    case Rule::Linear: {
        if (!(m_step > 0.0)) {
            return m_min;
        }
        double x = rule.offBottom && IsOff(text) ? -m_offset : LeadingReal(text);
        x = std::clamp(x, -m_offset, m_max * m_step - m_offset);
        v = Truncate((x + m_offset) * 10.0 / (m_step * 10.0) + kCodeTolerance);
        break;
    }
    case Rule::Bandwidth: {
        const double x = std::clamp(LeadingReal(text), g_qTable[kBandwidthIndexMax], g_qTable[4]);
        // The table falls with the index: the widest bandwidth whose Q the text reaches.
        const auto* it = std::find_if(g_qTable.begin(), g_qTable.end(), [x](double q) { return x >= q; });
        v = it != g_qTable.end() ? static_cast<int>(it - g_qTable.begin()) : kBandwidthIndexMax;
        break;
    }
    case Rule::Count:
        v = LeadingInt(text);
        break;
    }
    return std::clamp(v, m_min, m_max);
}

int CNumEdit::Id() const {
    bool ok = false;
    const int id = objectName().toInt(&ok);
    return ok ? id : 0;
}

void CNumEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    m_highlighted = 1;
    ApplyColours();
    if (!isReadOnly()) {
        // A mouse press would put the cursor where it landed; select once it has.
        if (event->reason() == Qt::MouseFocusReason) {
            m_selectOnPress = true;
        } else {
            selectAll();
        }
    }
    if (m_spin != nullptr) {
        m_spin->update();
    }
}

void CNumEdit::focusOutEvent(QFocusEvent* event) {
    // A context menu of the editor takes the focus only while it is open: the user is still editing.
    if (event->reason() == Qt::PopupFocusReason) {
        QLineEdit::focusOutEvent(event);
        return;
    }
    Commit(false);
    QLineEdit::focusOutEvent(event);
    m_highlighted = 0;
    m_selectOnPress = false;
    ApplyColours();
    if (m_spin != nullptr) {
        m_spin->update();
    }
}

void CNumEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Notify();
    }
    QLineEdit::mousePressEvent(event);
    if (m_selectOnPress) {
        m_selectOnPress = false;
        selectAll();
    }
}

void CNumEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Taken here so that Enter never reaches a dialog's default button.
        Commit(true);
        if (!isReadOnly()) {
            selectAll();
        }
        event->accept();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!isReadOnly()) {
            StepBy(event->key() == Qt::Key_Up ? 1 : -1);
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void CNumEdit::wheelEvent(QWheelEvent* event) {
    if (isReadOnly()) {
        event->ignore();
        return;
    }
    const int angle = event->angleDelta().y();
    if ((angle > 0) != (m_wheelAngle > 0)) {
        m_wheelAngle = 0; // a turn back starts a new notch
    }
    m_wheelAngle += angle;
    for (; m_wheelAngle >= kWheelNotch; m_wheelAngle -= kWheelNotch) {
        StepBy(1);
    }
    for (; m_wheelAngle <= -kWheelNotch; m_wheelAngle += kWheelNotch) {
        StepBy(-1);
    }
    event->accept();
}

void CNumEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        if (m_languageSource != nullptr) {
            m_language = m_languageSource->load();
        }
        Reformat();
    }
}

void CNumEdit::enterEvent(QEnterEvent* event) {
    QLineEdit::enterEvent(event);
    update();
}

void CNumEdit::leaveEvent(QEvent* event) {
    QLineEdit::leaveEvent(event);
    update();
}

void CNumEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (m_ownColours == 0 || !isEnabled()) {
        return;
    }
    // The focus is framed in the accent, apart from editors the page merely highlights; over the skinned
    // page a plain editor is only its text, and a thin outline under the mouse shows that it takes input.
    QPainter painter(this);
    if (hasFocus()) {
        painter.setPen(CSkinPalette::Accent());
    } else if (m_highlighted == 0 && underMouse()) {
        painter.setPen(CSkinPalette::DimText());
    } else {
        return;
    }
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CNumEdit::Commit(bool always) {
    const bool typed = m_modified != 0 || m_typedUncommitted;
    if (typed) {
        GetValue();
        Redisplay();
    }
    if (typed || always) {
        Notify();
    }
}

void CNumEdit::Notify() {
    emit valueNotified(Id(), m_value);
}

void CNumEdit::Redisplay() {
    m_modified = 0;
    m_typedUncommitted = false;
    setText(TextOf(m_value));
    // While the user is in the editor, a new value stays selected so that typing replaces it.
    if (hasFocus() && !isReadOnly()) {
        selectAll();
    }
}

void CNumEdit::Reformat() {
    // Typed text stays until it is parsed; a parsed but unshown value still has to reach the page.
    if (m_modified != 0) {
        return;
    }
    const bool uncommitted = m_typedUncommitted;
    Redisplay();
    m_typedUncommitted = uncommitted;
}

void CNumEdit::ApplyColours() {
    if (m_ownColours == 0) {
        return;
    }
    QPalette p = palette();
    const QColor base = m_highlighted != 0 ? m_highlightColour : QColor(Qt::transparent);
    const QColor text = m_highlighted != 0 ? QColor(Qt::black) : QColor(Qt::white);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Highlight, SelectionColour());
        p.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    p.setColor(QPalette::Disabled, QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Disabled, QPalette::Text, CSkinPalette::DimText());
    setPalette(p);
}

void CNumEdit::SyncSpin() {
    if (m_spin != nullptr) {
        m_spin->m_pos = m_value;
        m_spin->update();
    }
}

void CNumEdit::ValueChanged() {
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_value);
        QAccessible::updateAccessibility(&event);
    }
}
