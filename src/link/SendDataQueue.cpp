// First-in-first-out queue of outgoing packets; it owns every packet it holds.
#include "link/SendDataQueue.h"

void SendDataQueue::Push(std::unique_ptr<SendData> packet) {
    if (!packet)
        return;
    packet->serial = ++m_lastSerial;
    m_packets.push_back(std::move(packet));
}

SendData* SendDataQueue::Head() const {
    return m_packets.empty() ? nullptr : m_packets.front().get();
}

void SendDataQueue::Pop() {
    if (!m_packets.empty())
        m_packets.pop_front();
}

void SendDataQueue::Clear() {
    m_packets.clear();
}

SendData* SendDataQueue::At(int i) const {
    if (i < 0 || i >= Count())
        return nullptr;
    return m_packets[static_cast<std::size_t>(i)].get();
}
