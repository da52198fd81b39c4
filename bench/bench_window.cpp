// Start-up and idle cost of the desktop program, measured from outside its process: the time to the main
// window's first frame against an empty Qt Widgets window built alongside, and the resident memory and CPU
// the window takes while it idles without a device and connected to the simulated one.
//
// A plain program rather than a Google Benchmark one: every figure is a whole process, started, watched and
// ended here. Of scripts/bench's --benchmark_* options it heeds --benchmark_filter, as if its figures were
// one benchmark named "window", and ignores the others; its own are in Usage().
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

// ---- Goals ------------------------------------------------------------------------------------------------

constexpr double kFirstPaintRatioGoal = 1.5; // selvano's time to its first frame over the empty window's
constexpr double kResidentGoalMb = 80.0;     // VmRSS, idle or connected; MB = 10^6 bytes
constexpr double kCpuGoalPercent = 2.0;      // utime + stime over wall time, of one core

// ---- Limits -----------------------------------------------------------------------------------------------

constexpr int kFirstPaintLimitMs = 30000; // a window that is not up by then counts as a failure
constexpr int kSettleMs = 3000;           // after the first frame: the automatic connection and read-back
constexpr int kStopLimitMs = 3000;        // SIGTERM first, SIGKILL after this
constexpr int kServerLimitMs = 10000;     // for Xvfb to say which display it serves

constexpr std::string_view kReportVariable = "SELVANO_REPORT_FIRST_PAINT";
constexpr char kReportFormat[] = "first paint at %lld ns"; // the line CFirstPaintReport writes

using Nanoseconds = long long;

Nanoseconds Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<Nanoseconds>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

constexpr Nanoseconds Ms(long long ms) {
    return ms * 1'000'000LL;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// ---- Child processes --------------------------------------------------------------------------------------

// The processes alive at any moment, so that an interrupted run leaves none behind.
std::array<std::atomic<pid_t>, 8> g_live{};

void KillLiveAndExit(int signal) {
    for (std::atomic<pid_t>& pid : g_live) {
        const pid_t p = pid.load();
        if (p > 0)
            kill(p, SIGKILL);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void Register(pid_t pid) {
    for (std::atomic<pid_t>& slot : g_live) {
        pid_t none = 0;
        if (slot.compare_exchange_strong(none, pid))
            return;
    }
}

void Unregister(pid_t pid) {
    for (std::atomic<pid_t>& slot : g_live) {
        pid_t expected = pid;
        if (slot.compare_exchange_strong(expected, 0))
            return;
    }
}

// A started program: its stderr read line by line, ended (SIGTERM, then SIGKILL) when this goes.
class Child {
public:
    // Runs `argv` with `env`; stdout goes nowhere. `keepFd`, when not -1, is left open in the child. The
    // start time is taken just before the fork, the same way for every program.
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& env, int keepFd = -1) {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::vector<char*> vars;
        for (const std::string& v : env)
            vars.push_back(const_cast<char*>(v.c_str()));
        vars.push_back(nullptr);

        int err[2];
        if (pipe2(err, O_CLOEXEC) != 0)
            return;
        m_startedAt = Now();
        m_pid = fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls from here to exec.
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            if (keepFd >= 0)
                fcntl(keepFd, F_SETFD, 0);
            execve(args[0], args.data(), vars.data());
            _exit(127);
        }
        close(err[1]);
        if (m_pid < 0) {
            close(err[0]);
            return;
        }
        Register(m_pid);
        m_err = err[0];
        fcntl(m_err, F_SETFL, O_NONBLOCK);
    }
    ~Child() {
        Stop();
        if (m_err >= 0)
            close(m_err);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    Nanoseconds StartedAt() const { return m_startedAt; }

    // The next whole line of stderr, or nothing once `deadline` has passed or the process has ended.
    std::optional<std::string> ReadLine(Nanoseconds deadline) {
        for (;;) {
            if (const std::size_t end = m_buffer.find('\n'); end != std::string::npos) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                m_lines.push_back(line);
                if (m_lines.size() > kKeptLines)
                    m_lines.erase(m_lines.begin());
                return line;
            }
            const Nanoseconds left = deadline - Now();
            if (left <= 0 || m_err < 0)
                return std::nullopt;
            pollfd p{m_err, POLLIN, 0};
            const int ready = poll(&p, 1, static_cast<int>(std::min<Nanoseconds>(left / Ms(1) + 1, 1000)));
            if (ready < 0 && errno != EINTR)
                return std::nullopt;
            if (ready <= 0)
                continue;
            std::array<char, 4096> chunk{};
            const ssize_t got = read(m_err, chunk.data(), chunk.size());
            if (got > 0) {
                m_buffer.append(chunk.data(), static_cast<std::size_t>(got));
            } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
                close(m_err); // every writer has gone: the process has ended
                m_err = -1;
            }
        }
    }
    // Reads and keeps stderr until `deadline`, so that a chatty program never blocks on a full pipe.
    void DrainUntil(Nanoseconds deadline) {
        while (Now() < deadline)
            if (!ReadLine(deadline))
                break;
        while (Now() < deadline) // the pipe closed early: the process ended; wait out the time all the same
            usleep(10'000);
    }
    bool Alive() {
        if (m_pid <= 0 || m_ended)
            return false;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            Ended(status);
            return false;
        }
        return true;
    }
    // What the process said, and how it ended if it did, for a failure's report.
    std::string Account() const {
        std::string text;
        for (const std::string& line : m_lines)
            text += "    | " + line + "\n";
        if (!m_buffer.empty())
            text += "    | " + m_buffer + "\n";
        if (m_ended) {
            if (WIFEXITED(m_status))
                text += "    (exited with " + std::to_string(WEXITSTATUS(m_status)) + ")\n";
            else if (WIFSIGNALED(m_status))
                text += "    (ended by signal " + std::to_string(WTERMSIG(m_status)) + ")\n";
        }
        return text;
    }
    void Stop() {
        if (!Alive())
            return;
        kill(m_pid, SIGTERM);
        const Nanoseconds limit = Now() + Ms(kStopLimitMs);
        while (Now() < limit) {
            if (!Alive())
                return;
            usleep(10'000);
        }
        kill(m_pid, SIGKILL);
        int status = 0;
        if (waitpid(m_pid, &status, 0) == m_pid)
            Ended(status);
    }

private:
    static constexpr std::size_t kKeptLines = 20; // the last ones, for a failure's report

    void Ended(int status) {
        m_ended = true;
        m_status = status;
        Unregister(m_pid);
    }

    pid_t m_pid = -1;
    int m_err = -1;
    Nanoseconds m_startedAt = 0;
    bool m_ended = false;
    int m_status = 0;
    std::string m_buffer;
    std::vector<std::string> m_lines;
};

// ---- What /proc tells about a process ---------------------------------------------------------------------

// utime + stime of every thread so far, in clock ticks.
std::optional<long long> CpuTicks(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(file, stat);
    const std::size_t name = stat.rfind(')'); // the command's name may hold spaces and parentheses
    if (name == std::string::npos)
        return std::nullopt;
    std::istringstream fields(stat.substr(name + 2));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    // After the name: state (3), ..., utime (14), stime (15).
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoll(field);
        if (i == 15)
            stime = std::stoll(field);
    }
    if (!fields)
        return std::nullopt;
    return utime + stime;
}

// A "Vm...:  <n> kB" line of /proc/<pid>/status, in MB.
std::optional<double> StatusMb(pid_t pid, std::string_view key) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(file, line)) {
        if (line.compare(0, key.size(), key) != 0 || line.size() <= key.size() || line[key.size()] != ':')
            continue;
        return std::stod(line.substr(key.size() + 1)) * 1024.0 / 1e6;
    }
    return std::nullopt;
}

// ---- Displays ---------------------------------------------------------------------------------------------

// Where the windows are shown: the offscreen platform, or an X server of our own.
struct Platform {
    std::string name;
    std::vector<std::string> variables; // NAME=value, set for every program started on it
};

// This process's own environment.
std::vector<std::string> Inherited() {
    std::vector<std::string> env;
    for (char** v = environ; *v != nullptr; ++v)
        env.emplace_back(*v);
    return env;
}

// An Xvfb server for the run, on the first free display.
class XServer {
public:
    explicit XServer(const std::string& program) {
        int fds[2];
        if (program.empty() || pipe2(fds, O_CLOEXEC) != 0)
            return;
        m_server.emplace(std::vector<std::string>{program, "-displayfd", std::to_string(fds[1]), "-screen",
                                                  "0", "1920x1080x24", "-nolisten", "tcp", "-noreset"},
                         Inherited(), fds[1]);
        close(fds[1]);
        std::string number;
        const Nanoseconds deadline = Now() + Ms(kServerLimitMs);
        while (Now() < deadline && number.find('\n') == std::string::npos) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            std::array<char, 32> chunk{};
            const ssize_t got = read(fds[0], chunk.data(), chunk.size());
            if (got <= 0)
                break;
            number.append(chunk.data(), static_cast<std::size_t>(got));
        }
        close(fds[0]);
        if (number.find('\n') != std::string::npos)
            m_display = ":" + number.substr(0, number.find('\n'));
    }

    // Empty when the server did not come up.
    const std::string& Display() const { return m_display; }
    std::string Account() const { return m_server ? m_server->Account() : std::string(); }

private:
    std::optional<Child> m_server;
    std::string m_display;
};

// ---- Measurements -----------------------------------------------------------------------------------------

struct Program {
    std::string label;
    std::vector<std::string> argv;
};

class WindowBench {
public:
    WindowBench(int startups, int idleRuns, int seconds)
        : m_startups(startups), m_idleRuns(idleRuns), m_seconds(seconds) {
        std::array<char, 32> folder{"/tmp/selvano-bench-XXXXXX"};
        if (mkdtemp(folder.data()) != nullptr)
            m_folder = folder.data();
        const std::string noDevice = "--device=socket:" + m_folder + "/no-device";
        m_empty = {"empty window", {SELVANO_EMPTY_WINDOW_PATH}};
        m_text = {"empty window with a line of text", {SELVANO_EMPTY_WINDOW_PATH, "--text"}};
        m_english = {"selvano", {SELVANO_APP_PATH, "--device=sim", "--lang=en"}};
        m_chinese = {"selvano, Chinese", {SELVANO_APP_PATH, "--device=sim", "--lang=zh"}};
        m_idle = {"selvano, no device", {SELVANO_APP_PATH, noDevice, "--lang=en"}};
        m_connected = {"selvano, simulated device", {SELVANO_APP_PATH, "--device=sim", "--lang=en"}};
    }
    ~WindowBench() {
        if (!m_folder.empty())
            rmdir(m_folder.c_str());
    }
    WindowBench(const WindowBench&) = delete;
    WindowBench& operator=(const WindowBench&) = delete;

    // Every figure on one platform; false when one could not be measured.
    bool Run(const Platform& platform) {
        std::printf("\n%s:\n", platform.name.c_str());
        std::fflush(stdout);
        m_ok = true;
        m_platform = &platform;
        FirstPaint();
        Resident();
        return m_ok;
    }

private:
    struct Idle {
        double residentMb = 0;
        double peakMb = 0;
        double cpuPercent = 0;
    };

    std::vector<std::string> Environment() const {
        std::vector<std::string> env;
        for (const std::string& var : Inherited()) {
            const std::string_view name = std::string_view(var).substr(0, var.find('='));
            if (name != "QT_QPA_PLATFORM" && name != "DISPLAY" && name != "WAYLAND_DISPLAY" &&
                name != "XDG_RUNTIME_DIR" && name != kReportVariable)
                env.push_back(var);
        }
        env.push_back(std::string(kReportVariable) + "=1");
        env.push_back("XDG_RUNTIME_DIR=" + m_folder); // private, 0700: what Qt wants of it
        for (const std::string& v : m_platform->variables)
            env.push_back(v);
        return env;
    }

    void Fail(const Program& program, const std::string& what, Child& child) {
        m_ok = false;
        const Nanoseconds limit = Now() + Ms(200); // a process that closed its stderr is ending: learn how
        while (child.Alive() && Now() < limit)
            usleep(5'000);
        std::printf("  %s: %s\n%s", program.label.c_str(), what.c_str(), child.Account().c_str());
        std::fflush(stdout);
    }

    // Starts `program` and waits for its first frame; the child is left running.
    std::optional<double> StartWindow(Child& child, const Program& program) {
        if (!child.Started()) {
            Fail(program, "could not be started", child);
            return std::nullopt;
        }
        const Nanoseconds deadline = child.StartedAt() + Ms(kFirstPaintLimitMs);
        while (const std::optional<std::string> line = child.ReadLine(deadline)) {
            long long at = 0;
            if (std::sscanf(line->c_str(), kReportFormat, &at) == 1)
                return static_cast<double>(at - child.StartedAt()) / 1e6;
        }
        Fail(program, "no first frame reported", child);
        return std::nullopt;
    }

    std::optional<double> FirstPaintMs(const Program& program) {
        Child child(program.argv, Environment());
        return StartWindow(child, program);
    }

    void FirstPaint() {
        const std::array<const Program*, 4> programs{&m_empty, &m_text, &m_english, &m_chinese};
        for (const Program* p : programs) // the font, library and page caches warm, as after any first start
            if (!FirstPaintMs(*p))
                return;
        std::array<std::vector<double>, programs.size()> times;
        for (int run = 0; run < m_startups; ++run) // in turns, so that a change of load falls on all alike
            for (std::size_t i = 0; i < programs.size(); ++i) {
                const std::optional<double> ms = FirstPaintMs(*programs[i]);
                if (!ms)
                    return;
                times[i].push_back(*ms);
            }
        const double empty = Median(times[0]);
        for (std::size_t i = 2; i < programs.size(); ++i) {
            const double ratio = Median(times[i]) / empty;
            std::printf("  first paint: %s %.0f ms, empty window %.0f ms, ratio %.2f (goal <= %.1f) %s\n",
                        programs[i]->label.c_str(), Median(times[i]), empty, ratio, kFirstPaintRatioGoal,
                        ratio <= kFirstPaintRatioGoal ? "met" : "MISSED");
        }
        // On a shared machine the fastest start of each is the one least disturbed by other work.
        auto fastest = [&times](std::size_t i) {
            return *std::min_element(times[i].begin(), times[i].end());
        };
        std::printf(
            "    (%d start-ups each, medians, %s; the fastest: selvano %.0f ms, Chinese %.0f ms, empty "
            "window %.0f ms, ratio %.2f)\n",
            m_startups, m_english.argv[1].c_str(), fastest(2), fastest(3), fastest(0),
            fastest(2) / fastest(0));
        // Any window that shows text reads the font configuration and loads a face first; this tells how
        // much of the difference that is.
        std::printf(
            "    (the empty window with one line of text: %.0f ms, the fastest %.0f ms; selvano takes %.2f "
            "times that, %.2f of the fastest)\n",
            Median(times[1]), fastest(1), Median(times[2]) / Median(times[1]), fastest(2) / fastest(1));
        std::fflush(stdout);
    }

    // One run: the window up, settled, then watched for the measuring time.
    std::optional<Idle> IdleRun(const Program& program) {
        Child child(program.argv, Environment());
        if (!StartWindow(child, program))
            return std::nullopt;
        child.DrainUntil(Now() + Ms(kSettleMs));
        const Nanoseconds from = Now();
        const std::optional<long long> ticksFrom = CpuTicks(child.Pid());
        child.DrainUntil(from + Ms(1000LL * m_seconds));
        const std::optional<long long> ticksTo = CpuTicks(child.Pid());
        const Nanoseconds to = Now();
        const std::optional<double> resident = StatusMb(child.Pid(), "VmRSS");
        const std::optional<double> peak = StatusMb(child.Pid(), "VmHWM");
        if (!child.Alive() || !ticksFrom || !ticksTo || !resident || !peak) {
            Fail(program, "ended or could not be read while idling", child);
            return std::nullopt;
        }
        const double cpuSeconds =
            static_cast<double>(*ticksTo - *ticksFrom) / static_cast<double>(sysconf(_SC_CLK_TCK));
        return Idle{*resident, *peak, 100.0 * cpuSeconds / (static_cast<double>(to - from) / 1e9)};
    }

    std::optional<Idle> MedianIdle(const Program& program) {
        std::vector<double> resident;
        std::vector<double> peak;
        std::vector<double> cpu;
        for (int run = 0; run < m_idleRuns; ++run) {
            const std::optional<Idle> idle = IdleRun(program);
            if (!idle)
                return std::nullopt;
            resident.push_back(idle->residentMb);
            peak.push_back(idle->peakMb);
            cpu.push_back(idle->cpuPercent);
        }
        return Idle{Median(resident), Median(peak), Median(cpu)};
    }

    void Resident() {
        const std::optional<Idle> empty = MedianIdle(m_empty);
        const std::optional<Idle> idle = MedianIdle(m_idle);
        const std::optional<Idle> connected = MedianIdle(m_connected);
        if (!empty || !idle || !connected)
            return;
        auto verdict = [](double value, double goal) { return value <= goal ? "met" : "MISSED"; };
        std::printf("  resident memory: idle %.1f MB, connected %.1f MB (goal <= %.0f MB) %s, %s\n",
                    idle->residentMb, connected->residentMb, kResidentGoalMb,
                    verdict(idle->residentMb, kResidentGoalMb),
                    verdict(connected->residentMb, kResidentGoalMb));
        std::printf("    (VmRSS, MB = 10^6 bytes; peak %.1f / %.1f MB; empty window %.1f MB, peak %.1f MB)\n",
                    idle->peakMb, connected->peakMb, empty->residentMb, empty->peakMb);
        std::printf("  CPU: idle %.2f %%, connected %.2f %% of one core (goal <= %.0f %%) %s, %s\n",
                    idle->cpuPercent, connected->cpuPercent, kCpuGoalPercent,
                    verdict(idle->cpuPercent, kCpuGoalPercent),
                    verdict(connected->cpuPercent, kCpuGoalPercent));
        std::printf("    (utime + stime over %d s, %d s after the first frame; empty window %.2f %%)\n",
                    m_seconds, kSettleMs / 1000, empty->cpuPercent);
        std::printf("    (%d runs each, medians; idle: a socket where nothing listens; connected: %s)\n",
                    m_idleRuns, m_connected.argv[1].c_str());
        std::fflush(stdout);
    }

    int m_startups;
    int m_idleRuns;
    int m_seconds;
    std::string m_folder;
    const Platform* m_platform = nullptr;
    bool m_ok = true;
    Program m_empty;
    Program m_text;
    Program m_english;
    Program m_chinese;
    Program m_idle;
    Program m_connected;
};

void Usage() {
    std::printf("bench_window [--window_startups=N] [--window_idle_runs=N] [--window_seconds=S]\n"
                "             [--window_platforms=offscreen,xvfb]\n"
                "Starts selvano and an empty Qt window N times each (11) and reports the medians of the\n"
                "time to the first frame; runs each idle figure N times (3) for S seconds (10).\n"
                "--benchmark_filter=REGEX runs nothing unless REGEX matches \"window\" (-REGEX: unless it\n"
                "does not); other --benchmark_* options are accepted and ignored.\n");
}

// Whether a Google Benchmark filter (a regular expression, negated by a leading '-') selects "window".
bool FilterSelects(std::string filter) {
    const bool negated = !filter.empty() && filter.front() == '-';
    if (negated)
        filter.erase(0, 1);
    if (filter.empty() || filter == "all")
        return !negated;
    try {
        return std::regex_search("window", std::regex(filter, std::regex::extended)) != negated;
    } catch (const std::regex_error&) {
        return false;
    }
}

std::optional<int> Number(std::string_view argument, std::string_view option) {
    if (argument.substr(0, option.size()) != option)
        return std::nullopt;
    const int n = std::atoi(std::string(argument.substr(option.size())).c_str());
    return n > 0 ? std::optional<int>(n) : std::nullopt;
}

double LoadAverage() {
    std::ifstream file("/proc/loadavg");
    double load = 0;
    file >> load;
    return load;
}

} // namespace

int main(int argc, char* argv[]) {
    int startups = 11;
    int idleRuns = 3;
    int seconds = 10;
    std::string platforms = "offscreen,xvfb";
    bool selected = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a(argv[i]);
        if (const auto n = Number(a, "--window_startups="))
            startups = *n;
        else if (const auto r = Number(a, "--window_idle_runs="))
            idleRuns = *r;
        else if (const auto s = Number(a, "--window_seconds="))
            seconds = *s;
        else if (a.substr(0, 19) == "--window_platforms=")
            platforms = std::string(a.substr(19));
        else if (a.substr(0, 19) == "--benchmark_filter=")
            selected = FilterSelects(std::string(a.substr(19)));
        else if (a.substr(0, 12) == "--benchmark_")
            continue;
        else {
            Usage();
            return a == "--help" ? 0 : 2;
        }
    }
    if (!selected)
        return 0;
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        std::signal(s, KillLiveAndExit);
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("selvano's window: start-up, memory and CPU (load average %.2f at the start)\n",
                LoadAverage());
    WindowBench bench(startups, idleRuns, seconds);
    bool ok = true;
    if (platforms.find("offscreen") != std::string::npos)
        ok = bench.Run({"offscreen platform (QT_QPA_PLATFORM=offscreen)", {"QT_QPA_PLATFORM=offscreen"}}) &&
             ok;
    if (platforms.find("xvfb") != std::string::npos) {
        if (std::string(SELVANO_XVFB_PATH).empty()) {
            std::printf("\nXvfb: not installed, not measured\n");
        } else {
            XServer server(SELVANO_XVFB_PATH);
            if (server.Display().empty()) {
                std::printf("\nXvfb: the server did not start\n%s", server.Account().c_str());
                ok = false;
            } else {
                ok = bench.Run({"X server (Xvfb " + server.Display() + ", QT_QPA_PLATFORM=xcb)",
                                {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + server.Display()}}) &&
                     ok;
            }
        }
    }
    std::printf("\n(load average %.2f at the end)\n", LoadAverage());
    return ok ? 0 : 1;
}
