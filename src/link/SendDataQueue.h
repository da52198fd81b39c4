// First-in-first-out queue of outgoing packets; it owns every packet it holds.
#pragma once

#include "link/SendData.h"

#include <cstdint>
#include <deque>
#include <memory>

// Not synchronised: every caller holds the link lock.
class SendDataQueue {
public:
    // Numbers the packet (SendData::serial) and appends it.
    void Push(std::unique_ptr<SendData> packet);
    SendData* Head() const; // nullptr when empty
    void Pop();             // destroys the head; nothing when empty
    void Clear();
    int Count() const { return static_cast<int>(m_packets.size()); }
    SendData* At(int i) const; // i-th packet from the head, nullptr beyond the end

private:
    std::deque<std::unique_ptr<SendData>> m_packets;
    std::uint64_t m_lastSerial = 0; // never reset: a cleared queue numbers on
};
