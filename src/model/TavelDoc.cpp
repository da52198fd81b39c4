// The document: the process-wide model state and the object model over it, at start-up values.
#include "model/TavelDoc.h"

CTavelDoc::CTavelDoc(int language) : m_globals(std::make_unique<ModelGlobals>()) {
    ResetModelGlobals(*m_globals);
    m_globals->language = language;
    m_data = std::make_unique<CKTV_Data>(*m_globals);
    m_data->ApplyAll(m_globals->liveImage, 0);
}

// The objects go first: they point into the state.
CTavelDoc::~CTavelDoc() {
    m_data.reset();
}
