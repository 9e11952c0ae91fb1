#include "SystemLogTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

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

UdpReceiver::UdpReceiver() {
    socket_ = socket(AF_INET, SOCK_DGRAM, 0);
    if (socket_ == INVALID_SOCKET) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
        return;
    }
    port_ = ntohs(address.sin_port);
}

UdpReceiver::~UdpReceiver() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool UdpReceiver::Receive(std::string& datagram, DWORD timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval timeout{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
    if (select(0, &readable, nullptr, nullptr, &timeout) != 1) return false;
    char buffer[65536];
    const int got = recv(socket_, buffer, sizeof buffer, 0);
    if (got < 0) return false;
    datagram.assign(buffer, static_cast<size_t>(got));
    return true;
}

bool UdpReceiver::ReceiveContaining(const std::string& needle, std::string& datagram, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        if (Receive(datagram, static_cast<DWORD>(deadline - now)) && datagram.find(needle) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void FakeClock::Set(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms,
                    int64_t seconds) {
    now_.local = SYSTEMTIME{};
    now_.local.wYear = year;
    now_.local.wMonth = month;
    now_.local.wDay = day;
    now_.local.wHour = hour;
    now_.local.wMinute = minute;
    now_.local.wSecond = second;
    now_.local.wMilliseconds = ms;
    now_.seconds = seconds;
}

std::vector<std::string> ReadCrLfLines(const std::string& path) {
    const std::string data = testing_support::ReadFileBytes(path);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = data.find("\r\n"); end != std::string::npos; end = data.find("\r\n", start)) {
        lines.push_back(data.substr(start, end - start));
        start = end + 2;
    }
    if (start < data.size()) lines.push_back(data.substr(start));
    return lines;
}

std::string ExpectedLine(const std::string& facilityDotLevel, const std::string& message) {
    char thread[16];
    std::snprintf(thread, sizeof thread, "[%04lu]", GetCurrentThreadId());
    return facilityDotLevel + "\t" + thread + "\t" + message;
}

}  // namespace systemlog_test
