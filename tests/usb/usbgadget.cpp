// selvano-usbgadget: the box behind a USB gadget for the USB rig, with a control socket for the rig's checks.
//
//   selvano-usbgadget --ffs DIR --gadget DIR --udc NAME --control SOCKET [--interrupt] [--restart-ms N]
//   [--load FILE] selvano-usbgadget --ask SOCKET COMMAND [ARG]
//
// Commands on the control socket, one per packet, answered with one packet of text:
//   counters               what the device received and what the host did on the wire
//   trace PATH             every frame received so far, one line each, into PATH
//   clear-trace
//   compare-backup PATH    an all-data file against the device's own memory, block by block
//   compare-firmware PATH  what the firmware update delivered against the file it came from
//   mode interrupt|input-report   how input reports leave from now on
//   quit                   ends the stand-in
#include "usb/GadgetStandIn.h"

#include "model/ModelGlobals.h"
#include "presets/PresetFile.h"
#include "presets/SimFile.h"
#include "sim/SimDevice.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr std::size_t kPacket = 4096;
constexpr std::size_t kImageMarker = 371; // set to 1 in every image that leaves through a file
constexpr std::size_t kFirmwareChunk = 296;
constexpr std::uint8_t kFirmwareCheckSeed = 0x12;

bool MakeAddress(const std::string& path, sockaddr_un& addr) {
    addr = sockaddr_un{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// "equal", or where the first difference lies.
std::string Compare(const std::uint8_t* device, const std::uint8_t* file, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        if (device[i] != file[i])
            return "differs at byte " + std::to_string(i);
    return "equal";
}

// The parts of an image that a read-back takes from the device.
struct ImagePart {
    const char* name;
    std::size_t offset;
    std::size_t size;
};

std::vector<ImagePart> ImageParts() {
    std::vector<ImagePart> parts{{"name", offsetof(ParamImage, name), 16}};
    static const char* const kChannels[] = {"CH1", "CH2", "CH3", "CH4", "CH5", "CH6", "CH7", "CH8"};
    for (std::size_t c = 0; c < 8; ++c)
        parts.push_back(
            {kChannels[c], offsetof(ParamImage, outputs) + c * sizeof(OutputBlock), sizeof(OutputBlock)});
    return parts;
}

// "equal", or the parts that differ. Only the name and the output channels come from the device when an
// image is read back; the input records and the effect record in a file are the program's own.
std::string CompareImage(const ParamImage& device, const std::uint8_t* file) {
    std::string differing;
    for (const ImagePart& part : ImageParts())
        if (std::memcmp(device.Bytes() + part.offset, file + part.offset, part.size) != 0)
            differing += std::string(differing.empty() ? "" : ",") + part.name;
    return differing.empty() ? "equal" : "differs in " + differing;
}

// The blocks of an all-data file that a backup reads from the device: the system block, presets 1..6 and
// the live image. The images are compared as they leave through a file, with their marker byte set.
std::string CompareBackup(const CSimDevice& device, const std::string& path) {
    using namespace PresetFileFormat;
    const std::vector<std::uint8_t> file = ReadFile(path);
    if (file.size() != kAllFileSize)
        return "size " + std::to_string(file.size()) + " instead of " + std::to_string(kAllFileSize);
    SimState state = device.State();
    const auto asFiled = [](ParamImage image) {
        image.Bytes()[kImageMarker] = 1;
        return image;
    };
    std::ostringstream out;
    out << "system " << Compare(state.system.data(), &file[kAllSystem], state.system.size());
    for (int p = 1; p <= 6; ++p)
        out << "; preset " << p << " "
            << CompareImage(asFiled(state.Preset(p)),
                            &file[kAllPresets + static_cast<std::size_t>(p - 1) * Layout::kImageSize]);
    out << "; live " << CompareImage(asFiled(state.live), &file[kAllLive]);
    return out.str();
}

// A DSP file: stage 177 carries its first four bytes, stage 178 the whole file in chunks padded with 0xFF,
// stage 179 the check byte over everything after the first four bytes.
std::string CompareFirmware(const CSimDevice& device, const std::string& path) {
    const std::vector<std::uint8_t> file = ReadFile(path);
    const SimFirmwareLog log = device.Firmware();
    std::vector<std::uint8_t> padded = file;
    padded.resize((file.size() + kFirmwareChunk - 1) / kFirmwareChunk * kFirmwareChunk, 0xFF);
    std::uint8_t check = kFirmwareCheckSeed;
    for (std::size_t i = 4; i < file.size(); ++i)
        check ^= file[i];
    std::ostringstream out;
    out << "stages";
    for (const std::uint8_t s : log.stages)
        out << ' ' << int(s);
    const bool head =
        file.size() >= 4 && log.dspHead == std::vector<std::uint8_t>(file.begin(), file.begin() + 4);
    out << "; head " << (head ? "equal" : "differs");
    out << "; data " << (log.dsp == padded ? "equal" : "differs") << " (" << log.dsp.size() << " bytes)";
    out << "; check " << (log.dspCheck == check ? "equal" : "differs");
    return out.str();
}

std::string Counters(const CSimDevice& device, const CGadgetStandIn& standIn) {
    const SimCounters c = device.Counters();
    std::ostringstream out;
    out << "accepted=" << c.accepted << " writes=" << c.writes << " polls=" << c.statusPolls
        << " rejected=" << c.rejected << " unsupported=" << c.unsupported << " restarts=" << c.restarts
        << " enables=" << standIn.Enables() << " get_reports=" << standIn.GetReports()
        << " set_reports=" << standIn.SetReports() << " out_reports=" << standIn.OutReports()
        << " in_reports=" << standIn.InReports() << " reconnects=" << standIn.Reconnects();
    return out.str();
}

int Ask(const std::string& socketPath, const std::string& command) {
    sockaddr_un addr;
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0 || !MakeAddress(socketPath, addr) ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        std::fprintf(stderr, "selvano-usbgadget: %s: %s\n", socketPath.c_str(), std::strerror(errno));
        return 1;
    }
    if (::send(fd, command.data(), command.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(command.size()))
        return 1;
    std::vector<char> reply(kPacket);
    const ssize_t n = ::recv(fd, reply.data(), reply.size(), 0);
    ::close(fd);
    if (n < 0)
        return 1;
    std::fwrite(reply.data(), 1, static_cast<std::size_t>(n), stdout);
    std::fputc('\n', stdout);
    return 0;
}

int Serve(CSimDevice& device, CGadgetStandIn& standIn, const std::string& socketPath) {
    sockaddr_un addr;
    const int listenFd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    ::unlink(socketPath.c_str());
    if (listenFd < 0 || !MakeAddress(socketPath, addr) ||
        ::bind(listenFd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd, 4) != 0) {
        std::fprintf(stderr, "selvano-usbgadget: %s: %s\n", socketPath.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("stand-in ready\n");
    std::fflush(stdout);
    for (;;) {
        const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        std::vector<char> request(kPacket);
        const ssize_t n = ::recv(client, request.data(), request.size() - 1, 0);
        const std::string line(request.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
        const std::size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
        std::string reply;
        bool quit = false;
        if (command == "counters") {
            reply = Counters(device, standIn);
        } else if (command == "trace") {
            std::ofstream out(argument);
            const std::vector<SimFrame> trace = device.Trace();
            for (const SimFrame& f : trace)
                out << f.Describe() << '\n';
            reply = out ? "ok " + std::to_string(trace.size()) : "cannot write " + argument;
        } else if (command == "clear-trace") {
            device.ClearTrace();
            reply = "ok";
        } else if (command == "compare-backup") {
            reply = CompareBackup(device, argument);
        } else if (command == "compare-firmware") {
            reply = CompareFirmware(device, argument);
        } else if (command == "mode" && (argument == "interrupt" || argument == "input-report")) {
            standIn.SetInterruptPipe(argument == "interrupt");
            reply = "ok";
        } else if (command == "quit") {
            reply = "ok";
            quit = true;
        } else {
            reply = "unknown command " + command;
        }
        ::send(client, reply.data(), std::min(reply.size(), kPacket), MSG_NOSIGNAL);
        ::close(client);
        if (quit) {
            ::close(listenFd);
            ::unlink(socketPath.c_str());
            std::fflush(stdout);
            // The endpoint threads are inside blocking gadget calls; they end with the process.
            ::_exit(0);
        }
    }
}

constexpr char kUsage[] =
    "usage: selvano-usbgadget --ffs DIR --gadget DIR --udc NAME --control SOCKET [--interrupt] "
    "[--restart-ms N] [--load FILE]\n"
    "       selvano-usbgadget --ask SOCKET COMMAND [ARG]\n";

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 3 && args[0] == QLatin1String("--ask"))
        return Ask(args[1].toStdString(), args.mid(2).join(QLatin1Char(' ')).toStdString());

    CGadgetStandIn::Options options;
    std::string control;
    QString load;
    int restartMs = 1000;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--ffs") && hasValue)
            options.ffsDir = args[++i].toStdString();
        else if (a == QLatin1String("--gadget") && hasValue)
            options.gadget = args[++i].toStdString();
        else if (a == QLatin1String("--udc") && hasValue)
            options.udc = args[++i].toStdString();
        else if (a == QLatin1String("--control") && hasValue)
            control = args[++i].toStdString();
        else if (a == QLatin1String("--restart-ms") && hasValue)
            restartMs = args[++i].toInt();
        else if (a == QLatin1String("--load") && hasValue)
            load = args[++i];
        else if (a == QLatin1String("--interrupt"))
            options.interruptPipe = true;
        else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (options.ffsDir.empty() || options.gadget.empty() || options.udc.empty() || control.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    auto device = std::make_shared<CSimDevice>();
    device->SetRestartTime(std::chrono::milliseconds(restartMs));
    if (!load.isEmpty()) {
        const Status loaded = SimFile::Load(*device, load);
        if (!loaded) {
            std::fprintf(stderr, "selvano-usbgadget: %s: %s\n", qPrintable(load), loaded.error().en);
            return 3;
        }
    }
    CGadgetStandIn standIn(device, options);
    std::string error;
    if (!standIn.Start(&error)) {
        std::fprintf(stderr, "selvano-usbgadget: %s\n", error.c_str());
        return 1;
    }
    return Serve(*device, standIn, control);
}
