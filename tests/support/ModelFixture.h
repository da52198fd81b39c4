// A fresh model for one test: start-up globals and the object model with the live image applied.
#pragma once

#include "model/KTV_Data.h"
#include "model/ModelGlobals.h"
#include "model/TavelDoc.h"

#include <QByteArray>

#include <memory>

struct ModelFixture {
    // A document of its own, as at start-up: reset globals, the objects built, the live image applied.
    ModelFixture();
    // The document of a session (or of anyone else who owns one).
    explicit ModelFixture(CTavelDoc& doc);
    ModelFixture(const ModelFixture&) = delete;
    ModelFixture& operator=(const ModelFixture&) = delete;

    ModelGlobals* g;
    CKTV_Data* data;

    CKTV_OutData& Channel(int c) { return data->Channel(c); }
    QByteArray LiveBytes() const;
    QByteArray BlockBytes(int channel) const; // 298 bytes of the live image

private:
    std::unique_ptr<CTavelDoc> m_own;
};

QByteArray ImageBytes(const ParamImage& image);

// Every value the objects hold that collect or send could read, as text: equal fingerprints mean that the
// objects would write the same image.
QByteArray Fingerprint(const CKTV_Data& data);
