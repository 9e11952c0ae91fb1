#include "tests/systemlog/SystemLogTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

namespace systemlog_test {

namespace {

// The system log's sender needs Windows Sockets started, as the service does.
class WinsockEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    }
    void TearDown() override { WSACleanup(); }
};

const auto* const kWinsock = ::testing::AddGlobalTestEnvironment(new WinsockEnvironment);

}  // namespace

UdpReceiver::UdpReceiver() : socket_(socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port_ = ntohs(address.sin_port);
    }
}

bool UdpReceiver::Receive(std::string& datagram, DWORD timeoutMs, const std::string& needle) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        const DWORD left = static_cast<DWORD>(deadline - now);
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&left), sizeof left);
        char buffer[65536];
        const int got = recv(socket_, buffer, sizeof buffer, 0);
        if (got < 0) return false;
        datagram.assign(buffer, static_cast<size_t>(got));
        if (datagram.find(needle) != std::string::npos) return true;
    }
    return false;
}

BenchSyslog FindBenchSyslog() {
    const std::string file = testing_support::EnvVar("ORX_SYSLOG_FILE");
    return {static_cast<uint16_t>(file.empty() ? 0 : std::stoi("0" + testing_support::EnvVar("ORX_SYSLOG_PORT"))),
            file};
}

std::vector<std::string> ReadCrLfLines(const std::string& path) {
    const std::string data = testing_support::ReadFileBytes(path);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = data.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(data.substr(start, end - start));
    }
    if (start < data.size()) lines.push_back(data.substr(start));
    return lines;
}

std::string ExpectedLine(const std::string& facilityDotLevel, const std::string& message) {
    char thread[16];
    std::snprintf(thread, sizeof thread, "[%04lu]", GetCurrentThreadId());
    return facilityDotLevel + "\t" + thread + "\t" + message;
}

StdoutCapture::StdoutCapture() : path_(testing_support::MakeTempDir("stdout") + "\\stdout.txt") {
    std::fflush(stdout);
    saved_ = _dup(_fileno(stdout));
    const int file = _open(path_.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC, _S_IREAD | _S_IWRITE);
    _dup2(file, _fileno(stdout));
    _close(file);
}

StdoutCapture::~StdoutCapture() {
    std::fflush(stdout);
    _dup2(saved_, _fileno(stdout));
    _close(saved_);
    testing_support::RemoveTree(path_.substr(0, path_.rfind('\\')));
}

std::string StdoutCapture::Text() {
    std::fflush(stdout);
    return testing_support::ReadFileBytes(path_);
}

}  // namespace systemlog_test
