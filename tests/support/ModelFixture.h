// A fresh model for one test: start-up globals and the object model with the live image applied.
#pragma once

#include "model/KTV_Data.h"
#include "model/ModelGlobals.h"

#include <QByteArray>

#include <memory>

struct ModelFixture {
    std::unique_ptr<ModelGlobals> g;
    std::unique_ptr<CKTV_Data> data;

    // As at start-up: reset globals, build the objects, apply the live image (working setup).
    ModelFixture();

    CKTV_OutData& Channel(int c) { return data->Channel(c); }
    QByteArray LiveBytes() const;
    QByteArray BlockBytes(int channel) const; // 298 bytes of the live image
};

QByteArray ImageBytes(const ParamImage& image);

// Every value the objects hold that collect or send could read, as text: equal fingerprints mean that the
// objects would write the same image.
QByteArray Fingerprint(const CKTV_Data& data);
