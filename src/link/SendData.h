// One outgoing frame together with its place in a batch and how much of it has been written.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class SendData {
public:
    explicit SendData(std::vector<std::uint8_t> frame) : m_frame(std::move(frame)) {}

    std::span<const std::uint8_t> Frame() const { return m_frame; }
    const std::uint8_t* Data() const { return m_frame.data(); }
    int Length() const { return static_cast<int>(m_frame.size()); }

    // Header fields of the frame, for the reply side and for tests.
    std::uint8_t Command() const { return Byte(4); }
    std::uint8_t Preset() const { return Byte(6); }
    std::uint8_t Type() const { return Byte(7); }
    std::uint8_t Index() const { return Byte(8); }
    std::uint8_t Slice() const { return Byte(9); }

    int attempts = 0;          // how often the frame has been written (firmware frames)
    int countsForProgress = 0; // 1 when the packet belongs to a batch shown in the transfer popup
    int progressIndex = 0;     // position in its batch, counted from 1; 0 = none
    int endsReadBatch = 0;     // last packet of a read batch
    int endsWriteBatch = 0;    // last packet of a write batch
    int readPosition = 0;      // next frame byte to put into an output report
    int firmwareStage = 0;     // sub-code of a firmware frame, 0 otherwise
    int completion = 0;        // its reply closes the transfer popup
    // Given by the queue on push, counting from 1: tells the packet apart from one queued in its place later.
    std::uint64_t serial = 0;

    bool HasMoreToSend() const { return readPosition < Length(); }
    // Batch ends count only once the whole frame has gone out.
    bool EndsReadBatchNow() const { return endsReadBatch != 0 && readPosition == Length(); }
    bool EndsWriteBatchNow() const { return endsWriteBatch != 0 && readPosition >= Length(); }

private:
    std::uint8_t Byte(std::size_t i) const { return i < m_frame.size() ? m_frame[i] : 0; }

    std::vector<std::uint8_t> m_frame;
};
