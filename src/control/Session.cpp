// The model, the device link, the controller and the edit entry point of one program, wired together.
#include "control/Session.h"

#include "control/DeviceController.h"
#include "control/ModelEditor.h"
#include "control/PresetMemories.h"
#include "link/DeviceAccess.h"
#include "link/HidTransport.h"
#include "sim/SimDevice.h"

CSession::CSession(const SessionOptions& options, QObject* parent)
    : QObject(parent), m_options(options), m_doc(options.language) {
    if (m_options.device.kind == DeviceOption::Kind::Sim && !m_options.sim)
        m_options.sim = std::make_shared<CSimDevice>();
    if (m_options.device.kind == DeviceOption::Kind::Usb)
        CHidTransport::InitLibrary();
    if (m_options.transport)
        m_access = std::make_unique<CDeviceAccess>(m_options.transport());
    else
        m_access = m_options.device.MakeAccess(m_options.sim, m_options.timing.readWait);
    m_controller = std::make_unique<CDeviceController>(Globals(), Data(), *m_access, View(), m_options.timing,
                                                       m_options.notifier);
    m_editor = std::make_unique<CModelEditor>(*m_controller);
    m_presets = std::make_unique<CPresetMemories>(*m_controller);
}

void CSession::RefreshAll() {
    m_editor->ModelReloaded();
    emit modelReloaded();
}

CSession::~CSession() {
    m_presets.reset();
    m_editor.reset();
    m_controller.reset(); // waits for the worker and closes the device before the access and the model go
    m_access.reset();
}

QString CSession::DeviceDescription() const {
    switch (m_options.device.kind) {
    case DeviceOption::Kind::Usb:
        return QStringLiteral("USB");
    case DeviceOption::Kind::Sim:
        return QStringLiteral("simulated device");
    case DeviceOption::Kind::Socket:
        return QString::fromStdString(m_options.device.socketPath);
    }
    return {};
}
