#!/usr/bin/env python3
"""Writes the kept seed inputs of the fuzz targets (fuzz/corpus/<name>/seed_*) from frames laid out here byte by
byte. Run it again after changing an input format; regression inputs found by fuzzing live beside the seeds
and are never rewritten by this script."""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent


def frame(command, preset, type_, index, byte9, payload=b"", start=0xA3, sync=True, link=0):
    body = bytes([command, 1, preset, type_, index, byte9, link, 0]) + struct.pack("<H", len(payload)) + payload
    check = 0
    for b in body:
        check ^= b
    head = (b"\xa2\xa2\xa2" if sync else b"") + bytes([start])
    return head + body + bytes([check, 0xAA])


def ack():
    return frame(0x64, 0, 0, 0, 0)


def repeat():
    return frame(0x65, 0, 0, 0, 0)


def data(preset, type_, index, byte9, payload):
    return frame(0x66, preset, type_, index, byte9, payload)


def report(frame_bytes):
    """One 313-byte input report: id 0, then the frame, zero padded."""
    assert len(frame_bytes) <= 312
    return b"\x00" + frame_bytes + bytes(312 - len(frame_bytes))


def write(name, seeds):
    folder = HERE / "corpus" / name
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("seed_*"):
        old.unlink()
    for seed_name, content in seeds.items():
        (folder / f"seed_{seed_name}").write_bytes(content)


def reply_seeds():
    # Config: [feeding, queue, poll-compare counter, link groups]; see fuzz_reply.cpp.
    one_chunk = bytes([0x00, 0x00, 80, 0x00])
    block = bytes((i * 7) & 0xFF for i in range(296))
    return {
        "ack": one_chunk + ack(),
        "repeat_then_ack": bytes([0x00, 0x20, 80, 0x03]) + repeat() + ack(),
        "device_id": bytes([0x06, 13, 80, 0]) + data(0, 4, 136, 0, b"PIRKAVO-31EQ-V3.0"),
        "output_block_reports": bytes([0x01, 0x29, 80, 0]) + report(data(0, 3, 7, 0xAB, block))
        + report(data(6, 3, 7, 0xAB, block)),
        "status_compared": bytes([0x00, 4, 99, 0]) + data(0, 4, 3, 0, bytes([30, 0, 2, 0, 0, 0, 0, 0])),
        "name": bytes([0x02, 19, 80, 0]) + data(3, 4, 134, 0, b"ABCDEFGHIJKLMNO\x00"),
        "empty_data": one_chunk + data(0, 3, 0, 0xAB, b""),
        "direct_start_oversize": bytes([0x0E, 0, 80, 0xFF]) + frame(0x64, 0, 0, 0, 0, start=0xEE, sync=False)
        + data(0, 3, 0, 0xAB, bytes(400))[:40] + ack(),
        "effect_record": bytes([0x00, 0, 80, 0]) + data(25, 10, 0, 0xAB, bytes(range(96)))
        + data(30, 10, 0, 0, bytes(96)),
        "system_fields": bytes([0x20, 14, 80, 0]) + data(0, 4, 144, 0, bytes([2, 0, 45, 0, 3, 1, 0, 1]))
        + data(0, 4, 146, 0, bytes([200, 0, 201, 0, 202, 0, 9, 9])) + data(0, 4, 48, 0, bytes([1, 2, 3, 4, 5, 6, 7, 8])),
    }


def sim_write(frame_bytes):
    """Operation 0 of fuzz_sim: one output report carrying these bytes."""
    return bytes([0]) + struct.pack("<H", len(frame_bytes)) + frame_bytes


READ = bytes([3])


def sim_seeds():
    block = bytes((i * 5) & 0xFF for i in range(296))
    long_frame = frame(0xB3, 0, 3, 1, 0, block)  # 312 bytes: exactly one report
    return {
        "slice_write_then_read": sim_write(frame(0xB3, 0, 3, 2, 30, bytes(range(8)), link=1)) + READ
        + sim_write(frame(0xB4, 0, 3, 2, 0xAB, bytes(8))) + READ,
        "block_write_and_preset_load": sim_write(long_frame) + READ + sim_write(frame(0xB4, 4, 3, 1, 0, bytes(8)))
        + READ,
        "system_reads": b"".join(sim_write(frame(0xB4, p, 4, sub, 0, bytes(8))) + READ
                                 for sub, p in ((136, 0), (144, 0), (145, 0), (146, 0), (64, 0), (48, 0), (134, 3), (3, 0))),
        "system_writes": sim_write(frame(0xB3, 0, 4, 144, 0, bytes([2, 0, 45, 0, 3, 1, 0, 1]))) + READ
        + sim_write(frame(0xB3, 5, 4, 134, 0, b"ABCDEFGHIJKLMNO\x00")) + READ
        + sim_write(frame(0xB3, 0, 4, 137, 0, bytes(7))) + READ,
        "knobs": bytes([4, 0x09, 4, 0x0C, 4, 0x0A]) + sim_write(frame(0xB4, 0, 4, 3, 0, bytes(8))) + READ
        + sim_write(frame(0xB4, 0, 4, 3, 0, bytes(8))) + READ + bytes([4, 0x0B])
        + sim_write(frame(0xB4, 0, 3, 0, 0xAB, bytes(8))) + READ,
        "firmware_restart": sim_write(frame(0xB3, 0, 4, 176, 0, bytes(16))) + READ + bytes([5])
        + sim_write(frame(0xB3, 0, 4, 178, 0, bytes(range(48)))) + READ,
        "rejected": sim_write(ack()) + sim_write(frame(0xB3, 0, 3, 0, 0, bytes(8))[:-1] + b"\x00")
        + sim_write(b"\xa2\xa2\xa2\xa3" + bytes(8) + b"\xff\x0f") + READ,
        "built_requests": bytes([6, 0xB3, 0, 10, 25, 0, 96]) + bytes(96) + READ
        + bytes([7, 0xB4, 22, 10, 0, 0, 8]) + bytes(8) + READ + bytes([6, 0xB3, 0, 2, 2, 13, 8]) + bytes(8) + READ,
    }


def firmware_seeds():
    # [kind: 0 DSP, 1 controller][repeats: count | cycle << 2], then the file.
    def content(n):
        return bytes((i * 7 + 3) % 251 for i in range(n))
    return {
        "dsp_small": bytes([0, 0]) + content(10),
        "dsp_one_chunk": bytes([0, 0]) + content(296),
        "dsp_chunk_and_a_byte": bytes([0, 0]) + content(297),
        "dsp_three_bytes": bytes([0, 0]) + content(3),
        "controller_one_chunk": bytes([1, 0]) + content(48),
        "controller_two_chunks": bytes([1, 0]) + content(97),
        "dsp_one_repeat": bytes([0, 1 | (3 << 2)]) + content(600),
        "controller_repeated_twice": bytes([1, 2 | (2 << 2)]) + content(100),
    }


def main():
    write("reply", reply_seeds())
    write("sim", sim_seeds())
    write("firmware", firmware_seeds())


if __name__ == "__main__":
    main()
