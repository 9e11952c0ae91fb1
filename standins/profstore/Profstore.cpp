// The exported functions: each one journals its call, lets an injected
// failure take its place, and keeps the last error.
#include "profstore/Profstore.h"

#include "standins/profstore/CallJournal.h"
#include "standins/profstore/ConfigRecord.h"
#include "standins/profstore/ConfigStore.h"
#include "standins/profstore/FailureSwitch.h"
#include "standins/profstore/LoadData.h"
#include "standins/profstore/Sha256.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>

using namespace profstore;

namespace {

std::atomic<uint32_t> g_lastError{CONF_NO_ERROR};

ConfigStore& Store() {
    static ConfigStore store;
    return store;
}

std::string ErrorText(uint32_t code) {
    const char* name = ProfstoreErrorName(code);
    return "error " + std::to_string(code) + (name != nullptr ? std::string(" ") + name : std::string());
}

int Finish(const std::string& call, const Outcome& outcome) {
    if (outcome.error == CONF_NO_ERROR) {
        JournalCall(call + " = 1");
        return 1;
    }
    g_lastError = outcome.error;
    JournalCall(call + " = 0, " + ErrorText(outcome.error) + ": " + outcome.detail);
    return 0;
}

template <typename Operation>
int Perform(const std::string& call, Operation operation) {
    if (const std::optional<InjectedFailure> injected = TakeInjectedFailure()) {
        return Finish(call, {injected->code,
                             "injected by FailWith, " + std::to_string(injected->callsLeft) + " more call(s) to fail"});
    }
    return Finish(call, operation());
}

}  // namespace

int VPNConfLoad(uint32_t argL, uint32_t argA, char* data) {
    const std::string call = "VPNConfLoad(" + std::to_string(argL) + ", " + std::to_string(argA) + ", " +
                             DescribeLoadData(data, PROFSTORE_DATA_SIZE) + ")";
    return Perform(call, [&] {
        LoadRequest request;
        std::string error;
        if (!ParseLoadData(data, PROFSTORE_DATA_SIZE, request, error)) return Outcome{CONF_WRONGFORMAT, error};
        return request.import ? Store().Import(request) : Store().Load();
    });
}

int VPNConfSave(uint32_t argS, uint32_t argA, uint8_t flag) {
    const std::string call =
        "VPNConfSave(" + std::to_string(argS) + ", " + std::to_string(argA) + ", " + std::to_string(flag) + ")";
    return Perform(call, [&] { return Store().Save(argS, argA, flag); });
}

uint32_t VPNConfGetLastError(void) {
    const uint32_t code = g_lastError;
    JournalCall("VPNConfGetLastError() = " + std::to_string(code));
    return code;
}

void VPNConfUnload(void* record) {
    char call[64];
    std::snprintf(call, sizeof call, "VPNConfUnload(%p)", record);
    if (record == nullptr) {
        g_lastError = CONF_WRONGFORMAT;
        JournalCall(std::string(call) + " refused, " + ErrorText(CONF_WRONGFORMAT) + ": no record");
        return;
    }
    ResetConfigRecord(static_cast<uint8_t*>(record));
    JournalCall(call);
}

int VPNCFG_HashBuf(const void* input, uint32_t inputLength, void* output, uint32_t outputLength) {
    // The input may be a password: its length is journaled, never its bytes.
    const std::string call =
        "VPNCFG_HashBuf(" + std::to_string(inputLength) + " bytes, output of " + std::to_string(outputLength) + ")";
    const int result = Perform(call, [&] {
        if ((input == nullptr && inputLength != 0) || output == nullptr)
            return Outcome{CONF_WRONGFORMAT, "null input or output"};
        if (outputLength != PROFSTORE_DIGEST_SIZE) {
            const uint32_t code = outputLength < PROFSTORE_DIGEST_SIZE ? CONF_BUFTOOSMALL : CONF_WRONGFORMAT;
            return Outcome{code, "the digest takes exactly " + std::to_string(PROFSTORE_DIGEST_SIZE) + " bytes"};
        }
        uint8_t digest[kSha256Size];
        const uint8_t empty = 0;
        if (!Sha256(input != nullptr ? input : &empty, inputLength, digest))
            return Outcome{CONF_WRONGSIGN, "the system's SHA-256 provider refused"};
        std::memcpy(output, digest, sizeof digest);
        SecureZeroMemory(digest, sizeof digest);
        return Outcome{};
    });
    const std::optional<int> forced = result == 1 ? ForcedHashResult() : std::nullopt;
    if (!forced) return result;
    JournalCall("VPNCFG_HashBuf: digest written, returns " + std::to_string(*forced) + " as HashReturns asks");
    return *forced;
}
