#include "benchmarks/ipc/BenchEnds.h"

#include "common/orxinterps/src/interps.h"

bool BareEnds::Listen(const std::string& name, MessageHandler handler, void* context) {
    return server_.Open(name, handler, context);
}

bool BareEnds::Connect(const std::string& name) { return client_.Open(name); }

bool BareEnds::Send(const void* data, uint32_t size) {
    return client_.Send(data, size) == raw_mailbox::SendResult::Sent;
}

void BareEnds::Close() {
    client_.Close();
    server_.Close();
}

bool LibraryEnds::Listen(const std::string& name, MessageHandler handler, void* context) {
    handler_ = handler;
    context_ = context;
    server_ = IPCInitServer(name.c_str(), OnMessage, nullptr, this);
    return server_ != nullptr;
}

bool LibraryEnds::Connect(const std::string& name) {
    client_ = IPCInitClient(name.c_str());
    return client_ != nullptr;
}

bool LibraryEnds::Send(const void* data, uint32_t size) { return IPCSendMsg(client_, data, size); }

void LibraryEnds::Close() {
    if (client_ != nullptr) IPCUnitialize(client_);
    if (server_ != nullptr) IPCUnitialize(server_);
    client_ = server_ = nullptr;
}

BOOL LibraryEnds::OnMessage(void* message, DWORD length, void* self) {
    auto* ends = static_cast<LibraryEnds*>(self);
    ends->handler_(static_cast<const unsigned char*>(message), length, ends->context_);
    return TRUE;
}
