#include "tools/reliability/FuzzMessages.h"

#include "common/orxinterps/src/ipcmsg.h"

#include <algorithm>
#include <cstring>

namespace reliability {

namespace {

constexpr uint32_t kHighestCatalogueCode = 0xA000;  // above every code of ipcmsg.h
constexpr uint32_t kForgedPerMille = 10;
constexpr uint32_t kUnknownTypePercent = 25;
constexpr uint32_t kAimedRegistryPercent = 60;

void PutWord(std::vector<unsigned char>& bytes, size_t offset, uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

const std::vector<std::string>& InsideTargets() {
    static const std::vector<std::string> targets = {
        std::string(kAllowedPrefix) + "|Value",
        std::string(kAllowedPrefix) + "\\Sub|Value",
        std::string(kAllowedPrefix) + "\\Sub\\Deeper|Other",
        "software\\orxreliability\\ALLOWED\\Case|Value",  // the registry ignores letter case, so does the policy
    };
    return targets;
}

}  // namespace

bool KeptOutOfFuzz(uint32_t code) { return code == ORXCREDPROV_REGISTER || code == ORXCREDPROV_UNREGISTER; }

const std::vector<uint32_t>& FuzzedCodes() {
    static const std::vector<uint32_t> codes = [] {
        std::vector<uint32_t> found;
        for (uint32_t code = 0; code <= kHighestCatalogueCode; ++code) {
            if (IpcMsgName(code) != nullptr && !KeptOutOfFuzz(code)) found.push_back(code);
        }
        return found;
    }();
    return codes;
}

const std::vector<std::string>& OutsideTargets() {
    static const std::vector<std::string> targets = {
        std::string(kOutsideKey) + "|" + kOutsideValue,
        std::string(kOutsideKey) + "\\Sub|Value",
        "SOFTWARE\\OrxReliabilityAllowed|Value",              // the prefix as text, not as a key
        std::string(kAllowedPrefix) + " \\Sub|Value",         // a blank makes it another key
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|OrxReliabilityFuzz",
        "SYSTEM\\CurrentControlSet\\Services\\OrxIke Starter\\Parameters|GuiRegistryPrefixes",
        "SYSTEM\\CurrentControlSet\\Services\\OrxIke Starter\\Parameters|OrxReliabilityFuzz",
        "SYSTEM\\ControlSet001\\Services\\OrxIke Starter|OrxReliabilityFuzz",
        "SYSTEM\\Select|OrxReliabilityFuzz",
    };
    return targets;
}

uint32_t FuzzSource::Below(uint32_t bound) { return std::uniform_int_distribution<uint32_t>(0, bound - 1)(random_); }

uint32_t FuzzSource::PickType() {
    if (Below(100) >= kUnknownTypePercent) return FuzzedCodes()[Below(static_cast<uint32_t>(FuzzedCodes().size()))];
    for (;;) {
        const uint32_t code = static_cast<uint32_t>(random_());
        if (IpcMsgName(code) == nullptr) return code;
    }
}

// Uniform over 0 to 696, with the edges drawn more often than chance would.
uint32_t FuzzSource::PickLength() {
    switch (Below(10)) {
    case 0: return Below(4);  // not even a type code
    case 1: return 4;         // the code alone
    case 2: return IPC_MAX_MSG_SIZE;
    default: return Below(IPC_MAX_MSG_SIZE + 1);
    }
}

// A full message whose path names a plausible key, with a random value type
// and a stated data size that is now and then beyond the 412 bytes that fit.
void FuzzSource::AimAtRegistry(FuzzMessage& message, uint32_t type) {
    const bool inside = Below(2) == 0;
    const auto& targets = inside ? InsideTargets() : OutsideTargets();
    const std::string& target = targets[Below(static_cast<uint32_t>(targets.size()))];
    message.aim = inside ? RegistryAim::Inside : RegistryAim::Outside;
    message.bytes.resize(IPC_MAX_MSG_SIZE);
    std::fill(message.bytes.begin() + offsetof(IpcRegWriteMsg, keyAndValue),
              message.bytes.begin() + offsetof(IpcRegWriteMsg, valueType), 0);
    std::memcpy(message.bytes.data() + offsetof(IpcRegWriteMsg, keyAndValue), target.c_str(), target.size());
    if (type != VPNCONF_REG_WRITE) return;
    static const uint32_t kValueTypes[] = {REG_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_EXPAND_SZ};
    const uint32_t valueType = Below(5) == 0 ? static_cast<uint32_t>(random_()) : kValueTypes[Below(5)];
    const uint32_t dataLength = Below(20) == 0 ? IPC_REG_DATA_SIZE + 1 + Below(1000) : Below(IPC_REG_DATA_SIZE + 1);
    PutWord(message.bytes, offsetof(IpcRegWriteMsg, valueType), valueType);
    PutWord(message.bytes, offsetof(IpcRegWriteMsg, dataLength), dataLength);
}

FuzzMessage FuzzSource::Next() {
    FuzzMessage message;
    if (Below(1000) < kForgedPerMille) {
        message.forged = true;
        message.forgedLength = Below(2) == 0 ? IPC_MAX_MSG_SIZE + 1 + Below(2000)
                                             : std::max<uint32_t>(IPC_MAX_MSG_SIZE + 1, static_cast<uint32_t>(random_()));
        return message;
    }
    const uint32_t type = PickType();
    message.bytes.resize(PickLength());
    for (auto& byte : message.bytes) byte = static_cast<unsigned char>(random_());
    if (message.bytes.size() >= sizeof type) PutWord(message.bytes, 0, type);
    if ((type == VPNCONF_REG_WRITE || type == VPNCONF_REG_DELETE) && Below(100) < kAimedRegistryPercent) {
        AimAtRegistry(message, type);
        PutWord(message.bytes, 0, type);
    }
    return message;
}

}  // namespace reliability
