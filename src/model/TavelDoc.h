// The document: the process-wide model state and the object model over it, at start-up values.
#pragma once

#include "model/KTV_Data.h"
#include "model/ModelGlobals.h"

#include <memory>

// One per program (and one per test): the state is reset to its start-up values, the objects are built
// over it and the live image is applied to them, as the program starts with an empty document.
class CTavelDoc {
public:
    explicit CTavelDoc(int language = 0);
    ~CTavelDoc();
    CTavelDoc(const CTavelDoc&) = delete;
    CTavelDoc& operator=(const CTavelDoc&) = delete;

    ModelGlobals& Globals() { return *m_globals; }
    const ModelGlobals& Globals() const { return *m_globals; }
    CKTV_Data& Data() { return *m_data; }
    const CKTV_Data& Data() const { return *m_data; }

private:
    std::unique_ptr<ModelGlobals> m_globals; // large: kept off the stack
    std::unique_ptr<CKTV_Data> m_data;
};
