// Requests per second that tipsmith-newsd serves to many concurrent clients.
//
// Starts the built server on a free port of 127.0.0.1 over a temporary folder
// holding a small update file and a few news items, then keeps a thousand
// connections busy at once: each connects, sends one request, reads the
// answer to the end and starts again. Only answers with status 200 count as
// served. With --baseline PATH an older build of the server is measured in the
// same run, one figure after the other.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    std::string server = TIPSMITH_NEWSD;
    std::string baseline;
    int clients = 1000;
    double seconds = 5.0;
    double warmup = 1.0;
};

void put(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A server folder that removes itself.
class Root {
public:
    Root() {
        char name[] = "/tmp/bench_newsd.XXXXXX";
        if (!mkdtemp(name))
            throw std::runtime_error("cannot make a temporary folder");
        path = name;
        put(path / "liveupdate/tipsmith/mainappupdate.inf",
            "[APPLICATION]\r\nName=Tipsmith\r\nVersion=2.1\r\nURL=http://127.0.0.1/setup.exe\r\n");
        for (int id = 1; id <= 5; ++id) {
            put(path / "news/1001/BG-ACME" / (std::to_string(id) + ".news"),
                "Title: Item " + std::to_string(id) + "\nDate: " + std::to_string(id) +
                    " May 2024\n\n<html><body><p>News item " + std::to_string(id) +
                    "</p></body></html>\n");
        }
    }
    ~Root() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    Root(const Root&) = delete;
    Root& operator=(const Root&) = delete;

    fs::path path;
};

// A running server. Its log is read and thrown away, so a full pipe never
// holds it up.
class Server {
public:
    Server(const std::string& program, const fs::path& root) {
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("no pipe");
        m_pid = fork();
        if (m_pid < 0)
            throw std::runtime_error("cannot fork");
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execl(program.c_str(), program.c_str(), "--root", root.c_str(), "--listen",
                  "127.0.0.1:0", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        m_log = out[0];
        std::string first;
        char c = 0;
        while (first.size() < 200 && read(m_log, &c, 1) == 1 && c != '\n')
            first += c;
        const std::string prefix = "listening on http://127.0.0.1:";
        if (first.rfind(prefix, 0) != 0) {
            stop();
            throw std::runtime_error(program + " did not start: " + first);
        }
        port = static_cast<std::uint16_t>(std::atoi(first.c_str() + prefix.size()));
        m_drain = std::thread([fd = m_log] {
            char buffer[65536];
            while (read(fd, buffer, sizeof buffer) > 0) {
            }
        });
    }
    ~Server() { stop(); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Processor time the server has used, user and system, in seconds.
    double cpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // Past the name in parentheses: the state, then utime and stime are the 12th and 13th.
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 0; i < 13 && fields >> field; ++i) {
            if (i >= 11)
                ticks += std::atof(field.c_str());
        }
        return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    // The most memory the server has held, in MB (the kernel's high-water mark).
    long peakMegabytes() const {
        std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmHWM:", 0) == 0)
                return std::atol(line.c_str() + 6) / 1024;
        }
        return -1;
    }

    std::uint16_t port = 0;

private:
    void stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        if (m_drain.joinable())
            m_drain.join();
        if (m_log >= 0)
            close(m_log);
        m_log = -1;
    }

    pid_t m_pid = -1;
    int m_log = -1;
    std::thread m_drain;
};

struct Result {
    long served = 0; // status 200
    long other = 0;  // another status
    long failed = 0; // refused, reset or cut before a status line
    double seconds = 0;
    double serverCpu = 0; // processor seconds the server used meanwhile
};

// One client: a connection at a time, each carrying one request.
struct Slot {
    int fd = -1;
    std::size_t sent = 0;
    std::string reply;
};

class Load {
public:
    Load(std::uint16_t port, std::string request, int clients)
        : m_request(std::move(request)), m_slots(static_cast<std::size_t>(clients)) {
        m_address.sin_family = AF_INET;
        m_address.sin_port = htons(port);
        m_address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_poll = epoll_create1(0);
        if (m_poll < 0)
            throw std::runtime_error("no epoll");
    }
    ~Load() {
        for (Slot& slot : m_slots) {
            if (slot.fd >= 0)
                close(slot.fd);
        }
        close(m_poll);
    }
    Load(const Load&) = delete;
    Load& operator=(const Load&) = delete;

    // Runs for warm-up plus the measured time; counts what ends within the
    // latter, and what `cpu` grew by meanwhile.
    Result run(double warmup, double seconds, const std::function<double()>& cpu) {
        for (std::uint32_t i = 0; i < m_slots.size(); ++i)
            open(i);
        const Clock::time_point start = Clock::now() + toDuration(warmup);
        const Clock::time_point end = start + toDuration(seconds);
        std::vector<epoll_event> events(m_slots.size());
        double cpuAtStart = 0;
        for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
            if (!m_counting && now >= start) {
                m_counting = true;
                cpuAtStart = cpu();
            }
            const int ready =
                epoll_wait(m_poll, events.data(), static_cast<int>(events.size()), 10);
            for (int e = 0; e < ready; ++e)
                step(events[static_cast<std::size_t>(e)].data.u32);
            // Slots whose connect failed at once try again on the next round.
            std::vector<std::uint32_t> waiting;
            waiting.swap(m_waiting);
            for (const std::uint32_t i : waiting)
                open(i);
        }
        m_result.seconds = seconds;
        m_result.serverCpu = cpu() - cpuAtStart;
        return m_result;
    }

private:
    static Clock::duration toDuration(double seconds) {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    }

    void open(std::uint32_t i) {
        Slot& slot = m_slots[i];
        slot.sent = 0;
        slot.reply.clear();
        slot.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        if (slot.fd < 0) {
            fail(i);
            return;
        }
        if (connect(slot.fd, reinterpret_cast<const sockaddr*>(&m_address), sizeof m_address) !=
                0 &&
            errno != EINPROGRESS) {
            fail(i);
            return;
        }
        epoll_event event{};
        event.events = EPOLLOUT | EPOLLIN;
        event.data.u32 = i;
        epoll_ctl(m_poll, EPOLL_CTL_ADD, slot.fd, &event);
    }

    void finish(std::uint32_t i, long Result::*outcome) {
        Slot& slot = m_slots[i];
        if (m_counting)
            ++(m_result.*outcome);
        if (slot.fd >= 0)
            close(slot.fd); // also takes it out of the epoll set
        slot.fd = -1;
    }

    void fail(std::uint32_t i) {
        finish(i, &Result::failed);
        m_waiting.push_back(i);
    }

    void step(std::uint32_t i) {
        Slot& slot = m_slots[i];
        if (slot.sent < m_request.size()) {
            const ssize_t n = send(slot.fd, m_request.data() + slot.sent,
                                   m_request.size() - slot.sent, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != ENOTCONN) {
                fail(i);
                return;
            }
            if (n > 0)
                slot.sent += static_cast<std::size_t>(n);
            if (slot.sent == m_request.size()) {
                epoll_event event{};
                event.events = EPOLLIN;
                event.data.u32 = i;
                epoll_ctl(m_poll, EPOLL_CTL_MOD, slot.fd, &event);
            }
            return;
        }
        char buffer[16384];
        for (;;) {
            const ssize_t n = recv(slot.fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                // The status line is all that is judged; the rest is only read.
                if (slot.reply.size() < 64)
                    slot.reply.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            break;
        }
        if (slot.reply.rfind("HTTP/1.1 200 ", 0) == 0)
            finish(i, &Result::served);
        else if (slot.reply.rfind("HTTP/1.", 0) == 0)
            finish(i, &Result::other);
        else
            finish(i, &Result::failed);
        open(i);
    }

    std::string m_request;
    std::vector<Slot> m_slots;
    std::vector<std::uint32_t> m_waiting;
    sockaddr_in m_address{};
    int m_poll = -1;
    bool m_counting = false;
    Result m_result;
};

struct Scenario {
    const char* name;
    std::string request;
};

std::vector<Scenario> scenarios() {
    const std::string form = "memusername=1001&prodcode=ACME&prodtype=BG&conttype=all";
    return {
        {"GET  /liveupdate/tipsmith/mainappupdate.inf",
         "GET /liveupdate/tipsmith/mainappupdate.inf HTTP/1.1\r\nHost: 127.0.0.1\r\n"
         "User-Agent: bench_newsd\r\n\r\n"},
        {"POST /news/getlastnews.php (list of 5 items)",
         "POST /news/getlastnews.php HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: bench_newsd\r\n"
         "Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\nContent-Length: " +
             std::to_string(form.size()) + "\r\n\r\n" + form},
    };
}

void measure(const char* label, const std::string& program, const Scenario& scenario,
             const Options& options, const Root& root) {
    Server server(program, root.path);
    Result result;
    {
        Load load(server.port, scenario.request, options.clients);
        result =
            load.run(options.warmup, options.seconds, [&server] { return server.cpuSeconds(); });
    }
    const double perRequest =
        result.served > 0 ? result.serverCpu * 1e6 / static_cast<double>(result.served) : 0;
    std::printf("  %-9s %10.1f %9ld %8ld %8ld %9ld MB %8.0f us   %s\n", label,
                static_cast<double>(result.served) / result.seconds, result.served, result.other,
                result.failed, server.peakMegabytes(), perRequest, program.c_str());
    std::fflush(stdout);
}

// Room for every client's socket here and in the server, which inherits it.
void raiseDescriptorLimit(int clients) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const rlim_t wanted = static_cast<rlim_t>(clients) * 2 + 256;
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur =
            limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

const char kUsage[] = "Usage: bench_newsd [--server PATH] [--baseline PATH] [--clients N] "
                      "[--seconds S]\n";

} // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        if (arg == "--server")
            options.server = argv[++i];
        else if (arg == "--baseline")
            options.baseline = argv[++i];
        else if (arg == "--clients")
            options.clients = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--seconds")
            options.seconds = std::max(0.5, std::atof(argv[++i]));
        else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    signal(SIGPIPE, SIG_IGN);
    raiseDescriptorLimit(options.clients);

    try {
        const Root root;
        std::printf("tipsmith-newsd, %d concurrent clients, %.1f s measured after %.1f s warm-up\n",
                    options.clients, options.seconds, options.warmup);
        std::printf("  %-9s %10s %9s %8s %8s %12s %11s\n", "", "served/s", "200s", "other",
                    "failed", "peak memory", "server cpu");
        for (const Scenario& scenario : scenarios()) {
            std::printf("%s\n", scenario.name);
            measure("this", options.server, scenario, options, root);
            if (!options.baseline.empty())
                measure("baseline", options.baseline, scenario, options, root);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_newsd: %s\n", error.what());
        return 1;
    }
    return 0;
}
