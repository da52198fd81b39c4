// The response graph: the current channel's curve, the curves of the channels the user shows, a handle for
// every filter, and the drags, wheel steps, clicks and keys that edit the filters through the edit entry
// point.
#pragma once

#include "base/DataDefine.h"
#include "editors/RepeatTimer.h"
#include "model/ParamImage.h"
#include "response/Filter.h"

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <array>
#include <atomic>
#include <memory>

class CKTV_Data;
class CKTVEQ;
class CMeasuredResponse;
class CKTV_OutData;
class CModelEditor;
class CSession;

// Coordinates: the plot is the client rectangle minus 35 pixels on the left, 10 at the top, 10 on the right
// and 20 at the bottom; frequency and gain map to plot pixels through the graph mappings of DataDefine, and
// the filters keep their handle geometry in window coordinates (plot at +35, +10).
//
// Edits: every change a drag, wheel step, double-click or key makes goes through CModelEditor, so linked
// channels, pending marks and other views follow; the graph itself knows no link rule. It repaints when the
// editor says a channel it shows changed. At most every 50 ms after a change the owner is sent
// UM_GRAPH_POINT_MOVED (wParam = the filter 0..30 band, 31 high-pass, 32 low-pass; lParam = 768 + channel)
// as a posted CQtNotifier::MessageEvent, and pointMoved is emitted with the same numbers.
//
// Painting: the frame, axes, labels, watermark and grid are cached pixmaps rebuilt only on a resize, a
// language, font or palette change, the other channels' curves one rebuilt when they change; a change
// repaints only the region where something drawn moved (handles, labels, the stretch of each curve that
// changed). Curves come precomputed from the filters and the channel sums; nothing is computed while
// painting.
//
// Measurements: a channel given a measured response draws it (levelled and smoothed as the measurement
// says, in a light grey-cyan, thin) and the prediction beside it (the measurement plus the channel's sum,
// dashed in the channel's colour made lighter) while it is the current channel or shown, and only over the
// measured range. Both follow every edit of the channel as its sum does.
class CFStatic : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPlotLeft = 35;
    static constexpr int kPlotTop = 10;
    static constexpr int kPlotRight = 10;
    static constexpr int kPlotBottom = 20;
    static constexpr int kFilters = Layout::kBands + 2; // bands, high-pass, low-pass
    static constexpr int kHighPassPoint = Layout::kBands;
    static constexpr int kLowPassPoint = Layout::kBands + 1;
    static constexpr int kNotifyPeriodMs = 50;
    static constexpr int kSourceIdBase = 768;        // m_sourceId = 768 + channel
    static constexpr int kModeOutput = 4;            // the only mode in use: an output channel
    static constexpr int kGrabRadius = 12;           // pixels from a handle's centre that still grab it
    static constexpr int kWheelBandwidthStep = 5;    // bandwidth indices (0.05 octave) per wheel notch
    static constexpr int kFineBandwidthStep = 1;     // ... with Ctrl
    static constexpr int kMinEffectiveBandwidth = 4; // indices below 4 all give 0.09 octave
    static constexpr int kShiftKeyFactor = 10;
    static constexpr int kShelfLimit = 2000; // a low shelf stays at or below, a high shelf at or above
    // Frequencies of the vertical grid lines (m_gridX); entry 0 is the plot's left edge.
    static constexpr std::array<int, 27> kGridFreqs{20,   30,   40,   50,   60,   70,   80,   90,   100,
                                                    200,  300,  400,  500,  600,  700,  800,  900,  1000,
                                                    2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000};

    explicit CFStatic(QWidget* parent = nullptr);
    ~CFStatic() override;

    // Takes the model and the edit entry point, gives the plot size to every channel's filters and follows
    // the editor's channel changes. The notification timer runs while changes come. The language comes from
    // the model's language flag, re-read on every language change.
    void Attach(CKTV_Data& model, CModelEditor& editor);
    // The same over a session; a model reload (device read, preset recall, file load) redraws everything.
    void Attach(CSession& session);
    // Shows channel 0..7: its filters get the handles, m_sourceId = 768 + channel; no filter is active.
    void ShowChannel(int channel);
    // The filter whose own curve and label are drawn: -1 = the active one, 0..30 a band, 31 high-pass,
    // 32 low-pass; redraws. Called by the EQ page and the controller after every edit.
    void SelectAndRedraw(int index);
    // A channel's Line toggle: its sum is drawn in grey behind the current channel's curve.
    void SetChannelShown(int channel, bool shown);
    bool ChannelShown(int channel) const;
    // Channel 0..7's measured response, kept by the caller; null or an empty one: none. Called again
    // whenever the measurement, its smoothing or its level changed.
    void SetMeasurement(int channel, const CMeasuredResponse* measurement);
    // What the graph draws for a channel's measurement, in dB on the response grid (NaN where nothing is
    // drawn); `shown` is false when it draws none (no measurement, or a channel neither current nor shown).
    struct OverlayCurves {
        bool shown = false;
        std::array<double, kGridPoints> measuredDb{};
        std::array<double, kGridPoints> predictedDb{};
    };
    OverlayCurves OverlayOf(int channel) const;
    // After a model reload: every channel's sum recomputed, handles re-laid, everything redrawn.
    void RefreshAll();
    // Receives the posted UM_GRAPH_POINT_MOVED events (the main window); null posts nothing.
    void SetOwner(QObject* owner) { m_owner = owner; }
    // Replaces the notification timer (tests give one on a clock they drive).
    void SetNotifyTimer(std::unique_ptr<CRepeatTimer> timer);
    // The cached frame, axes, labels and grid are drawn anew on the next paint (which this does not ask for).
    void InvalidateLayers();

    // ---- State, for the window and the tests ----
    QRect PlotRect() const { return m_plot; }
    int Channel() const { return m_channelIndex; }
    int SourceId() const { return m_sourceId; }
    int Mode() const { return m_mode; }
    int Highlight() const { return m_highlight; }
    int MovedPoint() const { return m_movedPoint; }
    bool Hovering() const { return m_hover != 0; }
    // Position in the set (0..32) of the active filter (under the mouse or dragged), -1 when none.
    int ActiveIndex() const;
    // The filter the keys act on and whose curve is drawn: the highlight, else the active filter; -1 none.
    int SelectedIndex() const;
    // How filter i's number sits in its handle: left when the handle touches the plot's right edge or the
    // frequency is 20000 Hz or more, right at 20 Hz or less, centred otherwise.
    Qt::Alignment NumberAlignment(int index) const;
    // The small label shown near the hovered or dragged handle; empty when none is.
    QString HandleTip() const { return m_scene.tip; }
    // The selected filter in words, also the accessible description.
    QString SelectionText() const;
    QString AccessibleNameText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void pointMoved(int point, int sourceId);
    // The user selected filter `index` on the graph (a press on its handle, or Tab).
    void selectionChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    enum class Part { None, Handle, BwLow, BwHigh };
    struct Hit {
        int index = -1; // position in the set
        Part part = Part::None;
    };
    // A drag in progress: where the button went down and what the dragged value was then, so the value
    // moves with the pointer from there and grabbing a handle off-centre makes no jump.
    struct Drag {
        CFilter* filter = nullptr;
        int index = -1;
        Part part = Part::None;
        QPoint press;      // window coordinates
        QPoint startPixel; // plot coordinates of the dragged value (frequency, gain or bandwidth edge)
        int startFreq = 0;
        int startCode = 0;
        int startBandwidth = 0;
    };

    // What was last drawn, compared with what is to be drawn now to find the region to repaint.
    struct Marker {
        QRect rect; // as drawn (grown while hovered)
        int look = 0;
        Qt::Alignment align = Qt::AlignCenter;
    };
    struct Curve {
        bool shown = false;
        QColor colour;
        std::array<QPointF, kGridPoints> points{};
    };
    // A measurement's two curves; points outside the measured range repeat the nearest end, so that the
    // bounds of the whole array are those of what is drawn.
    struct Overlay {
        bool shown = false;
        int first = 0, last = -1; // grid indices drawn
        QColor measuredColour, predictedColour;
        std::array<QPointF, kGridPoints> measured{};
        std::array<QPointF, kGridPoints> predicted{};
        OverlayCurves db; // what the points show, for OverlayOf
    };
    struct Scene {
        bool valid = false;
        bool focused = false;
        std::array<Marker, kFilters> markers{};
        int hoverMarker = -1; // drawn last, on top
        bool bandwidthShown = false;
        QRect bwLow, bwHigh;
        int bwLook = 0;
        int fillIndex = -1; // the highlighted filter's own curve
        std::array<QPoint, CFilter::kPoints> fill{};
        QRect labelRect;
        QString label;
        Qt::Alignment labelAlign = Qt::AlignCenter;
        QRect tipRect;
        QString tip;
        std::array<Curve, Layout::kChannels> others{}; // grey, behind
        Curve current;
        std::array<Overlay, Layout::kChannels> overlays{};
        // Which line is which, in the plot's top left corner while a measurement is drawn.
        QRect legendRect;
        QString legendMeasured, legendPredicted;
        QColor legendPredictedColour;
    };

    CFilter* FilterAt(int index) const;
    int IndexOf(const CFilter* filter) const;
    int Language() const;
    bool GraphicMode(const CFilter& f) const;
    bool HasBandwidthHandles(const CFilter& f) const;

    Hit HitTest(QPoint p) const;
    void Hover(QPoint p);
    void SetActive(CFilter* filter);
    void ClearHover();
    void UpdateCursor();
    void BeginDrag(const Hit& hit, QPoint p);
    void DragStep(QPoint p);
    void BandDragStep(QPoint p);
    void BandwidthDragStep(QPoint p);
    void XoverDragStep(QPoint p);
    void EndDrag();
    void Select(int index);

    // Edits through the editor; each marks the filter as moved for the next notification.
    void MoveBand(int band, int freq, int code);
    void SetBandwidth(int band, int index);
    void SetXoverFreq(int index, int freq);
    void Moved(int index);
    void OnNotifyTimer();
    void OnChannelChanged(int channel);

    void StepFreqKey(int index, int steps);
    void StepGainKey(int index, int steps);
    void SelectNext(int direction);

    void LayOut(); // plot rectangle, grid positions, every filter's graph size
    void Refresh();
    Scene BuildScene();
    QRegion Difference(const Scene& before, const Scene& after) const;
    void BuildLayers();
    void BuildOthersLayer();
    static QRegion CurveRegion(const Curve& before, const Curve& after);
    static QRegion OverlayRegion(const Overlay& before, const Overlay& after);
    bool OverlayDrawn(int channel) const;
    void DrawOverlay(QPainter& painter, const Overlay& overlay) const;
    void DrawLegend(QPainter& painter, const Scene& scene) const;
    void DrawMarker(QPainter& painter, int index, const Marker& marker) const;
    void RenderMarker(QPainter& painter, int index, const Marker& marker, const QColor& channel) const;
    void UpdateAccessibleTexts();

    // ---- Model and notification (names as the program's) ----
    QPointer<QObject> m_owner;
    CKTV_Data* m_model = nullptr;
    CModelEditor* m_editor = nullptr;
    CKTV_OutData* m_channel = nullptr;
    CKTVEQ* m_filters = nullptr;
    CFilter* m_active = nullptr;
    QRect m_plot;
    std::array<int, kGridFreqs.size()> m_gridX{};
    int m_hover = 0;
    int m_moved = 0;
    int m_movedPoint = 0;
    int m_highlight = -1;
    int m_mode = kModeOutput;
    int m_sourceId = kSourceIdBase;

    int m_channelIndex = 0;
    std::array<bool, Layout::kChannels> m_shown{};
    std::array<const CMeasuredResponse*, Layout::kChannels> m_measurements{};
    const std::atomic<int>* m_language = nullptr;
    Drag m_drag;
    Hit m_hoverHit;
    int m_wheelAngle = 0;
    std::unique_ptr<CRepeatTimer> m_notifyTimer;
    bool m_notifyIdle = true; // the timer is stopped until the next change
    bool m_editing = false;   // the graph's own edit is under way: it refreshes once, when done

    Scene m_scene;
    QPixmap m_backLayer;   // frame, axes, labels, plot background, watermark
    QPixmap m_gridLayer;   // the dotted grid, transparent elsewhere
    QPixmap m_othersLayer; // the shown channels' curves, transparent elsewhere
    bool m_layersStale = true;
    bool m_othersStale = true;
    QRegion m_othersDirty; // where the other channels' curves moved since their layer was drawn
    mutable QHash<quint64, QPixmap> m_markerCache; // a handle's picture by filter, look, size and colour
    QString m_describedSelection;
};
