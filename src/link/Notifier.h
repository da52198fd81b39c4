// Window messages of the system and the interface through which core code posts them to the controller.
#pragma once

#include <cstdint>

// Numbers are fixed (WM_USER = 1024 based); they are also the QEvent types the application posts.
enum WindowMessage : int {
    UM_GRAPH_POINT_MOVED = 1124,
    UM_IMAGE_READ_DONE = 1134,
    UM_PRESETS_READ_DONE = 1135,
    UM_EFFECT_BLOCK_READ = 1143,
    UM_TRANSFER_DONE = 1174,
    UM_FIRMWARE_STATUS = 1175,
    UM_TRANSFER_PROGRESS = 1176, // wParam: the progress index the transfer popup's bar moves to
    UM_FIRMWARE_PROGRESS = 1177, // wParam: the firmware update's progress position
    UM_LINK_LOST = 1178,
    UM_AUTO_CONNECT = 1180,
    UM_FIRMWARE_TOO_OLD = 1184,
    UM_DEVICE_ID_READ = 1185,
    UM_NAME_READ = 1187,
    UM_DEVICE_SOURCE = 1189,
    UM_DEVICE_VOLUME = 1190,
    UM_DEVICE_MUTE = 1191,
    UM_ROUTING_WINDOW_CLOSED = 1327,
    UM_LIST_SELECTED = 1826,
    UM_SLIDER_CHANGING = 10449,
    UM_SLIDER_COMMITTED = 10450,
};

// Posting never blocks and never calls back into the poster: the I/O worker posts while it holds the link
// lock, and delivery happens later on the receiving thread.
class CNotifier {
public:
    virtual ~CNotifier() = default;
    virtual void Post(int message, std::intptr_t wParam, std::intptr_t lParam) = 0;
};
