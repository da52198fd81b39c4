// A fresh model for one test: start-up globals and the object model with the live image applied.
#include "support/ModelFixture.h"

#include <QTextStream>

ModelFixture::ModelFixture() : m_own(std::make_unique<CTavelDoc>()) {
    g = &m_own->Globals();
    data = &m_own->Data();
}

ModelFixture::ModelFixture(CTavelDoc& doc) : g(&doc.Globals()), data(&doc.Data()) {}

QByteArray ModelFixture::LiveBytes() const {
    return ImageBytes(g->liveImage);
}

QByteArray ModelFixture::BlockBytes(int channel) const {
    return LiveBytes().mid(
        static_cast<qsizetype>(offsetof(ParamImage, outputs) + sizeof(OutputBlock) * channel),
        sizeof(OutputBlock));
}

QByteArray ImageBytes(const ParamImage& image) {
    return QByteArray(reinterpret_cast<const char*>(image.Bytes()), static_cast<qsizetype>(sizeof image));
}

namespace {

void Print(QTextStream& out, const CKTVEQ& filters) {
    for (int i = 0; i < filters.Count(); ++i) {
        const CFilter& f = filters.Filter(i);
        out << '[' << f.GetKind() << ' ' << f.GetFreq() << ' ' << f.GetSentFreq() << ' ' << f.GetGainCode()
            << ' ' << f.GetBypass() << ' ' << f.GetQIndex() << ' ' << f.GetSlope() << ' ' << f.GetFamily()
            << ' ' << f.GetGeqMode() << ' ' << f.GetPending() << ']';
    }
}

} // namespace

QByteArray Fingerprint(const CKTV_Data& data) {
    QString text;
    QTextStream out(&text);
    out << "effect " << data.Effect().Name();
    for (int i = 0; i < EffectLayout::kParams; ++i)
        out << ' ' << data.Effect().Param(i);
    Print(out, data.Effect().Filters());
    for (const CInputRecord* input : {static_cast<const CInputRecord*>(&data.InputA()),
                                      static_cast<const CInputRecord*>(&data.InputB())}) {
        out << "\ninput " << input->Name() << ' ' << input->Level() << ' ' << input->InputGain();
        for (int i = 0; i < InputRecordLayout::kSwitchCount; ++i)
            out << ' ' << input->Switch(i);
        Print(out, input->Filters());
    }
    for (int c = 0; c < 8; ++c) {
        const CKTV_OutData& ch = data.Channel(c);
        out << "\nchannel " << c << ' ' << ch.GetName() << ' ' << ch.GetGainCode() << ' ' << ch.GetGainOff()
            << ' ' << ch.GetOutputOn() << ' ' << ch.GetPolarity() << ' ' << ch.GetDelay() << ' '
            << ch.GetEqMode() << ' ' << ch.GetAuxByte() << ' ' << ch.GetLimThreshold() << ' '
            << ch.GetLimAttack() << ' ' << ch.GetLimRelease() << " mix";
        for (int i = 0; i < CKTV_OutData::kMixInputs; ++i)
            out << ' ' << ch.GetMix(i);
        out << " marks " << ch.GetNamePending() << ch.GetGainPending() << ch.GetMixPendingA()
            << ch.GetMixPendingB() << ch.GetLimPending();
        Print(out, ch.Filters());
    }
    out.flush();
    return text.toUtf8();
}
