// One filter of a channel (EQ band or crossover): parameters, device codes, sent-frequency ramp, response
// on the grid and the handle geometry of the response graph.
#pragma once

#include "base/DataDefine.h"
#include "response/LinkedSlider.h"

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>

#include <array>
#include <atomic>

// Parameters that the I/O worker reads while it encodes a slice (frequencies, gain, bandwidth, slope, kind,
// family, bypass) and the pending mark it clears are atomics: the UI thread edits them without the link
// lock. Response, geometry and drag state belong to the UI thread alone.
class CFilter {
public:
    enum Kind : int { Peak = 0, LowShelf = 1, HighShelf = 2, HighPass = 3, LowPass = 4 };
    enum Family : int { LinkwitzRiley = 0, Bessel = 1, Butterworth = 2 };
    static constexpr int kPoints = kGridPoints + 2; // the curve polygon is closed along the 0 dB line
    static constexpr int kCrossoverIndex = 32;      // m_index of both crossover filters

    // How a shelf band's curve is drawn: the cookbook shelf of slope parameter S whose centre (the
    // frequency of half its gain in dB) lies at the band's frequency times k.
    struct ShelfShape {
        double s;
        double k;
    };
    // Kind LowShelf or HighShelf, slope 0 (6 dB/Oct) or 1 (12 dB/Oct).
    static ShelfShape ShelfShapeOf(int kind, int slope);

    CFilter();
    CFilter(const CFilter&) = delete;
    CFilter& operator=(const CFilter&) = delete;

    // While one lives, the setters leave the response to be computed once, when the last one ends: a record
    // applied from an image sets five parameters, and each setter would otherwise compute all 241 points.
    class ResponseHold {
    public:
        explicit ResponseHold(CFilter& filter) : m_filter(filter) { ++m_filter.m_responseHolds; }
        ~ResponseHold() {
            if (--m_filter.m_responseHolds == 0 && m_filter.m_responseStale)
                m_filter.CalcResponse();
        }
        ResponseHold(const ResponseHold&) = delete;
        ResponseHold& operator=(const ResponseHold&) = delete;

    private:
        CFilter& m_filter;
    };

    // Null means "never connected": edits then leave nothing pending.
    void SetConnectedFlag(const std::atomic<int>* connected) { m_connected = connected; }
    const std::atomic<int>* ConnectedFlag() const { return m_connected; }

    // Copies the parameters (kind, frequencies, gain, bypass states, bandwidth, family, slope, slope list,
    // graphic mode) of another filter and recomputes geometry and response. Index, range profile, graph
    // size, drag state, pending mark and linked slider stay this filter's own.
    void CopyParamsFrom(const CFilter& other);

    // What a filter holds for the user, beyond what the device carries: the gain a bypassed band keeps and
    // the bypass state under all-bypass. Equal params mean the filter draws and sends the same.
    struct Params {
        int kind = Peak;
        int freq = 1000;
        double gain = 0.0; // dB
        int bypass = 1;
        int allBypass = 0;
        int savedAllBypass = 0;
        double bandwidth = 0.2; // octaves
        int family = Butterworth;
        int slope = 2;
        bool operator==(const Params&) const = default;
    };
    Params GetParams() const;
    // Takes `params` back as an edit: the sent frequency ramps toward the frequency as a hand edit's does,
    // the response and geometry are recomputed and the filter is marked pending (with the connected flag).
    void RestoreParams(const Params& params);

    // ---- Setters with side effects ----
    void SetFreq(int freq, int fromUser);
    void SetGainCode(int code);
    void SetBandwidthIndex(int index);
    void SetBypass(int on);
    void SetAllBypass(int on);
    void SetKind(int kind);
    void SetSlope(int index, int fromUser);
    void SetFamily(int family, int fromUser);
    void ResetBand(int freq);
    void SetGraphSize(const QRect& plot); // only the width and height are used
    // One step of the sent-frequency ramp; doneValue becomes the pending mark once the target is reached.
    void StepSentFreq(int doneValue);
    void CalcResponse();

    // ---- Plain setters: store, nothing else ----
    void SetIsEqBand(int isEqBand) { m_isEqBand = isEqBand; }
    void SetSlopeSet(int slopeSet) { m_slopeSet = slopeSet; }
    void SetIndex(int index) { m_index = index; }
    void SetRangeProfile(int profile) { m_rangeProfile = profile; }
    void SetGeqMode(int geqMode) { m_geqMode = geqMode; }
    void SetLinkedSlider(CLinkedSlider* slider) { m_linkedSlider = slider; }
    void SetPending(int pending) { m_pending.store(pending); }

    // ---- Getters ----
    int GetKind() const { return m_kind.load(); }
    int GetFreq() const { return m_freq.load(); }
    int GetSentFreq() const { return m_sentFreq.load(); }
    int GetRangeProfile() const { return m_rangeProfile; }
    double GetGain() const { return m_gain.load(); }
    int GetBypass() const { return m_bypass.load(); }
    int GetAllBypass() const { return m_allBypass.load(); }
    int GetSavedAllBypass() const { return m_savedAllBypass; }
    int GetEffectiveBypass() const; // m_allBypass when set, else m_bypass
    double GetBandwidth() const { return m_bandwidth.load(); }
    int GetFamily() const { return m_family.load(); }
    int GetSlope() const { return m_slope.load(); }
    int GetIndex() const { return m_index; }
    int GetGraphWidth() const { return m_graphWidth; }
    int GetGraphHeight() const { return m_graphHeight; }
    int GetIsEqBand() const { return m_isEqBand; }
    int GetPending() const { return m_pending.load(); }
    int GetSlopeSet() const { return m_slopeSet; }
    int GetGeqMode() const { return m_geqMode; }
    CLinkedSlider* GetLinkedSlider() const { return m_linkedSlider; }
    int GetGainCode() const; // 200 while bypassed
    int GetQIndex() const;   // bandwidth index 0..295

    const std::array<double, kGridPoints>& Response() const { return m_response; }
    const std::array<QPoint, kPoints>& Points() const { return m_points; }

    // ---- Texts (language: 0 English, 1 Chinese) ----
    QString FreqText() const;      // "%dHz"
    QString GainText() const;      // "0.0dB" while bypassed, else "%0.1fdB"
    QString BandwidthText() const; // "%0.2fOct"
    QString QText() const;         // "%0.2f" when Q > 10, else "%0.3f"
    QString FamilyText(int language) const;
    QString ShelfSlopeText(int language) const;
    QString CrossoverSlopeText(int language) const;
    QString KindText(int language) const;
    // Builds m_label from the current parameters and returns it.
    const QString& BuildLabel();
    const QString& Label() const { return m_label; }

    // ---- Graph geometry (window coordinates: the plot sits at +35, +10) ----
    void EqGeometry();        // handle and label of an equaliser band
    void XoverGeometry();     // handle and label of a crossover filter
    void BandwidthGeometry(); // the two bandwidth handles of a peak band
    void KindGeometry();      // whichever of the above the filter's kind uses

    QRect HandleRect() const { return m_handleRect; }
    QRect BwLowRect() const { return m_bwLowRect; }
    QRect BwHighRect() const { return m_bwHighRect; }
    QRect LabelRect() const { return m_labelRect; }

    // Hover and drag state, kept here for the graph.
    QPoint DragOffset() const { return m_dragOffset; }
    void SetDragOffset(QPoint offset) { m_dragOffset = offset; }
    int HoverHandle() const { return m_hoverHandle; }
    int HoverBwLow() const { return m_hoverBwLow; }
    int HoverBwHigh() const { return m_hoverBwHigh; }
    int DragHandle() const { return m_dragHandle; }
    int DragBwLow() const { return m_dragBwLow; }
    int DragBwHigh() const { return m_dragBwHigh; }
    void SetHoverHandle(int on) { m_hoverHandle = on; }
    void SetHoverBwLow(int on) { m_hoverBwLow = on; }
    void SetHoverBwHigh(int on) { m_hoverBwHigh = on; }
    void SetDragHandle(int on) { m_dragHandle = on; }
    void SetDragBwLow(int on) { m_dragBwLow = on; }
    void SetDragBwHigh(int on) { m_dragBwHigh = on; }

private:
    int Connected() const { return m_connected ? m_connected->load() : 0; }
    void ApplyRampStart();
    void MarkPending() { m_pending.store(Connected()); }
    void UpdatePointXs();

    std::array<double, kGridPoints> m_response{};
    QPoint m_dragOffset;
    QRect m_handleRect;
    QRect m_bwLowRect;
    QRect m_bwHighRect;
    int m_hoverHandle = 0;
    int m_hoverBwLow = 0;
    int m_hoverBwHigh = 0;
    int m_dragHandle = 0;
    int m_dragBwLow = 0;
    int m_dragBwHigh = 0;
    CLinkedSlider* m_linkedSlider = nullptr;
    std::atomic<int> m_kind{Peak};
    std::atomic<int> m_freq{1000};
    std::atomic<int> m_sentFreq{20};
    int m_rangeProfile = 0;
    std::atomic<double> m_gain{0.0};
    std::atomic<int> m_bypass{1};
    std::atomic<int> m_allBypass{0};
    int m_savedAllBypass = 0;
    std::atomic<double> m_bandwidth{0.2};
    std::atomic<int> m_family{Butterworth};
    std::atomic<int> m_slope{2};
    int m_index = 0;
    int m_graphWidth = 0;
    int m_graphHeight = 0;
    int m_isEqBand = 1;
    std::atomic<int> m_pending{0};
    int m_slopeSet = 0;
    int m_geqMode = 0;
    std::array<QPoint, kPoints> m_points{};
    QRect m_labelRect;
    QString m_label;

    const std::atomic<int>* m_connected = nullptr;
    int m_responseHolds = 0;      // ResponseHold objects alive
    bool m_responseStale = false; // a computation was held back
};
