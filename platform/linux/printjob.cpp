// Print jobs on Linux. The default printer's port names the program that plays the printer: the job
// data streams into its standard input while the document is still being laid out, and the job is done
// when that program has ended. Its last line on standard error says why a job failed.

#include "childprocess.h"
#include "platform.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pf::platform {

namespace {

struct PortProgram {
    const char* port;
    const char* program; // found beside the running program
};

constexpr std::array kPorts = {
    PortProgram{"CPW2:", "tarnwicke-pdf-writer"},
};

const char* ProgramForPort(const std::string& port) {
    for (const auto& entry : kPorts) {
        if (port == entry.port) {
            return entry.program;
        }
    }
    return nullptr;
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// The last non-empty line of a text, without its line end.
std::string LastLine(const std::string& text) {
    const std::size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) {
        return {};
    }
    const std::size_t lineEnd = text.find_last_of("\r\n", end);
    const std::size_t start = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    return text.substr(start, end - start + 1);
}

// A job streamed to a printer program: data goes through a socket (so a printer that gave up makes
// Write fail instead of raising SIGPIPE), its complaints come back through a pipe.
class ProgramJob final : public PrintJob {
public:
    ProgramJob(pid_t pid, int dataFd, int errorFd, std::string printer)
        : m_pid(pid), m_dataFd(dataFd), m_errorFd(errorFd), m_printer(std::move(printer)) {}
    ~ProgramJob() override {
        if (m_pid > 0) {
            End();
        }
    }
    ProgramJob(const ProgramJob&) = delete;
    ProgramJob& operator=(const ProgramJob&) = delete;

    bool Write(std::string_view data) override {
        while (!data.empty() && m_dataFd >= 0) {
            const ssize_t n = ::send(m_dataFd, data.data(), data.size(), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                CloseFd(m_dataFd);
                return false;
            }
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return m_dataFd >= 0;
    }

    PrintResult Finish() override { return End(); }

private:
    // Ends the job and waits for the printer; a job dropped without Finish is ended the same way.
    PrintResult End() {
        CloseFd(m_dataFd);
        const std::string complaints = detail::ReadAll(m_errorFd);
        CloseFd(m_errorFd);
        const int status = m_pid > 0 ? detail::WaitForChild(m_pid) : 0;
        m_pid = -1;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            return {true, {}};
        }
        std::string reason = LastLine(complaints);
        if (reason.empty()) {
            reason = m_printer + " stopped without finishing the job";
        }
        return {false, reason};
    }

    pid_t m_pid;
    int m_dataFd;
    int m_errorFd;
    std::string m_printer;
};

} // namespace

OpenedJob StartPrintJob(const std::string& documentName) {
    std::string name;
    std::string port;
    try {
        name = DefaultPrinterName();
        for (const auto& printer : InstalledPrinters()) {
            if (printer.name == name) {
                port = printer.port;
            }
        }
    } catch (const RuntimeError& failure) {
        return {nullptr,
                failure.Number() == err::kPrinterInfo ? "there is no default printer" : failure.what()};
    }
    const char* program = ProgramForPort(port);
    if (program == nullptr) {
        return {nullptr, "the default printer " + name + " is on the unknown port \"" + port + "\""};
    }
    std::array<int, 2> data{};
    std::array<int, 2> errors{};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, data.data()) != 0) {
        return {nullptr, "cannot open a print job: out of resources"};
    }
    if (::pipe2(errors.data(), O_CLOEXEC) != 0) {
        ::close(data[0]);
        ::close(data[1]);
        return {nullptr, "cannot open a print job: out of resources"};
    }
    pid_t pid = 0;
    const std::string path = ProgramFolder() + "/" + program;
    // The job socket is the printer's standard input, the pipe its standard error.
    const int error = detail::SpawnChild(path, {path, "--print", documentName},
                                         {data[1], detail::kInheritStream, errors[1]}, pid);
    ::close(data[1]);
    ::close(errors[1]);
    if (error != 0) {
        ::close(data[0]);
        ::close(errors[0]);
        return {nullptr, "cannot start the printer program " + path + ": " + std::strerror(error)};
    }
    return {std::make_unique<ProgramJob>(pid, data[0], errors[0], name), {}};
}

} // namespace pf::platform
