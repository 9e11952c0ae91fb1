#include "systemlog/SyslogSender.h"

#include "systemlog/SyslogDatagram.h"

#include <cstdio>
#include <cstring>

namespace systemlog {

namespace {

void CopyCut(char* out, size_t outSize, const char* text) {
    std::snprintf(out, outSize, "%s", text != nullptr ? text : "");
}

}  // namespace

SyslogSender::SyslogSender(uint32_t facilityBase, const char* tag) : facilityBase_(facilityBase) {
    CopyCut(tag_, sizeof tag_, tag);
}

SyslogSender::~SyslogSender() { Close(); }

bool SyslogSender::Open(const char* server, uint16_t port) {
    port_ = port;
    CopyCut(server_, sizeof server_, server);
    socket_ = socket(AF_INET, SOCK_DGRAM, 0);
    if (socket_ == INVALID_SOCKET) {
        std::printf("IPV4 socket error : %d\n", WSAGetLastError());
        std::fflush(stdout);
        return false;
    }
    return true;
}

void SyslogSender::Send(uint8_t facility, int32_t level, const char* line) const {
    char datagram[kDatagramSize];
    const size_t length = ComposeDatagram(SyslogPriority(facilityBase_, facility, level), tag_, line, datagram);
    if (std::strlen(server_) > kSyslogServerMaxSendable) return;

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port_);
    to.sin_addr.s_addr = inet_addr(server_);
    if (sendto(socket_, datagram, static_cast<int>(length), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
        SOCKET_ERROR) {
        std::printf("sendto failed with error : %d\n", WSAGetLastError());
        std::fflush(stdout);
    }
}

void SyslogSender::Close() {
    if (socket_ != INVALID_SOCKET) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
}

}  // namespace systemlog
