#include "tools/reliability/FuzzMessages.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "sysdep/sysdep.h"

#include <algorithm>
#include <cstring>

namespace reliability {

namespace {

constexpr uint32_t kHighestCatalogueCode = 0xA000;  // above every code of ipcmsg.h
constexpr uint32_t kForgedPerMille = 10;
constexpr uint32_t kControlTextPercent = 10;
constexpr uint32_t kUnknownTypePercent = 25;
constexpr uint32_t kAimedRegistryPercent = 60;
constexpr unsigned kMessagesPerEpisode = 20000;
constexpr unsigned kLeastEpisodes = 3;  // each kind once, even in the short form
constexpr char kAppPaths[] = ORX_APP_PATHS_KEY;
constexpr char kAppPathsWow64[] = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orxike.exe";

const uint32_t kForgedStateCodes[] = {ORXIKE_STOPPED, ORXIKE_CRASHED, ORXIKE_READY_TO_DIE,
                                      ORXIKE_STARTED, ORXIKE_ALIVE,   ORXIKE_REMAIN};
const uint32_t kLaunchCodes[] = {VPNCONF_STARTED, VPNCONF_UPDATE_CONFIG, VPNCONF_RESET_IKE};
// Rows of the event table that take a text.
const uint32_t kTextEvents[] = {8, 13, 14, 15, 16, 17, 19, 20, 21, 22, 23, 27, 28, 31, 32, 33, 34, 35, 38};

void PutWord(std::vector<unsigned char>& bytes, size_t offset, uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

void PutText(std::vector<unsigned char>& bytes, size_t offset, const std::string& text) {
    const size_t room = bytes.size() - offset - 1;  // its NUL stays
    std::memcpy(bytes.data() + offset, text.data(), std::min(text.size(), room));
}

const std::vector<std::string>& InsideTargets() {
    static const std::vector<std::string> targets = {
        std::string(kAllowedPrefix) + "|Value",
        std::string(kAllowedPrefix) + "\\Sub|Value",
        std::string(kAllowedPrefix) + "\\Sub\\Deeper|Other",
        "software\\orxreliability\\ALLOWED\\Case|Value",  // the registry ignores letter case, so does the policy
        std::string(kAppPaths) + "|" + kFuzzValueName,    // the listed key's other values are allowed
    };
    return targets;
}

}  // namespace

const std::vector<std::string>& PolicyEntries() {
    static const std::vector<std::string> entries = {kAllowedPrefix, kAppPaths};
    return entries;
}

const std::vector<std::string>& PolicyEffects() {
    static const std::vector<std::string> entries = {kAllowedPrefix, kAppPaths, kAppPathsWow64};
    return entries;
}

const std::vector<std::string>& ProtectedEntries() {
    static const std::vector<std::string> entries = [] {
        std::vector<std::string> found;
        for (const char* key : {kAppPaths, kAppPathsWow64}) {
            for (const char* name : {"Path", "NgPath", "IkeV2", "IkeStart", "LogPath", ""}) {
                found.push_back(std::string(key) + "|" + name);
            }
        }
        return found;
    }();
    return entries;
}

const std::vector<std::string>& PlatformKeys() {
    static const std::vector<std::string> keys = {"SYSTEM\\CurrentControlSet\\Control\\Video"};
    return keys;
}

const std::vector<std::string>& CredentialProviderKeys() {
    static const std::vector<std::string> keys = {
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Providers\\"
        "{5A3C19E2-7B40-4C6D-9E21-3F8A0D6B4C17}",
        "SOFTWARE\\Classes\\CLSID\\{5A3C19E2-7B40-4C6D-9E21-3F8A0D6B4C17}",
    };
    return keys;
}

bool IsLifecycleCode(uint32_t code) {
    return std::find(std::begin(kForgedStateCodes), std::end(kForgedStateCodes), code) != std::end(kForgedStateCodes) ||
           std::find(std::begin(kLaunchCodes), std::end(kLaunchCodes), code) != std::end(kLaunchCodes);
}

const std::vector<uint32_t>& FuzzedCodes() {
    static const std::vector<uint32_t> codes = [] {
        std::vector<uint32_t> found;
        for (uint32_t code = 0; code <= kHighestCatalogueCode; ++code) {
            if (IpcMsgName(code) != nullptr && !IsLifecycleCode(code)) found.push_back(code);
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
        std::string(kAppPaths) + "\\..\\orxike.exe|Path",     // no path tricks
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|OrxReliabilityFuzz",
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce|OrxReliabilityFuzz",
        "SYSTEM\\CurrentControlSet\\Services\\OrxIke Starter\\Parameters|GuiRegistryPrefixes",
        "SYSTEM\\CurrentControlSet\\Services\\OrxIke Starter\\Parameters|OrxReliabilityFuzz",
        "SYSTEM\\ControlSet001\\Services\\OrxIke Starter|OrxReliabilityFuzz",
        "SYSTEM\\Select|OrxReliabilityFuzz",
    };
    return targets;
}

const std::vector<std::string>& ProtectedTargets() {
    static const std::vector<std::string> targets = [] {
        std::vector<std::string> found = ProtectedEntries();
        found.push_back("software\\microsoft\\windows\\currentversion\\app paths\\ORXIKE.EXE|path");
        found.push_back(std::string(kAppPaths) + "|LOGPATH");
        return found;
    }();
    return targets;
}

std::string ControlText(std::mt19937& random) {
    static const std::string kLineBreakAndRecord = std::string("\r\n") + kForgedRecord;
    static const char* const kPieces[] = {kLineBreakAndRecord.c_str(), "\n", "\r", "\t", "\x1B[2J", "\x7F", "\\",
                                          "\\r\\n", "C:\\new\\x", "peer 192.0.2.1", " "};
    constexpr uint32_t kControlPieces = 6;  // the first six hold a control character
    std::string text = random() % 2 == 0 ? "peer" : "";
    const uint32_t pieces = 1 + random() % 6;
    for (uint32_t i = 0; i < pieces; ++i) {
        if (random() % 4 == 0) {
            text += static_cast<char>(1 + random() % 31);  // any control byte but NUL
        } else {
            text += kPieces[random() % (i == 0 ? kControlPieces : sizeof kPieces / sizeof kPieces[0])];
        }
    }
    return text;
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
    const uint32_t pick = Below(5);
    message.aim = pick < 2 ? RegistryAim::Inside : pick < 4 ? RegistryAim::Outside : RegistryAim::Protected;
    const auto& targets = message.aim == RegistryAim::Inside    ? InsideTargets()
                          : message.aim == RegistryAim::Outside ? OutsideTargets()
                                                                : ProtectedTargets();
    const std::string& target = targets[Below(static_cast<uint32_t>(targets.size()))];
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

// A whole message carrying a control text where the service logs or traces
// one: an event's text, an imported configuration's name, a registry value's
// name (refused, so logged), an SA's name.
FuzzMessage FuzzSource::WithControlText() {
    FuzzMessage message;
    message.controlText = true;
    message.bytes.assign(IPC_MAX_MSG_SIZE, 0);
    const std::string text = ControlText(random_);
    switch (Below(5)) {
    case 0:
        PutWord(message.bytes, 0, ORX_SYSTEMLOG);
        message.bytes[offsetof(IpcSystemLogMsg, facility)] = static_cast<unsigned char>(Below(3));
        message.bytes[offsetof(IpcSystemLogMsg, level)] = static_cast<unsigned char>(Below(8));
        PutWord(message.bytes, offsetof(IpcSystemLogMsg, eventIndex), kTextEvents[Below(sizeof kTextEvents / 4)]);
        PutText(message.bytes, offsetof(IpcSystemLogMsg, text), text);
        break;
    case 1:
        PutWord(message.bytes, 0, CONFIG_REQ);
        PutWord(message.bytes, offsetof(IpcConfigReqMsg, operation), 3);
        PutText(message.bytes, offsetof(IpcConfigReqMsg, data), "name=" + text + "|missing.cfg");
        break;
    case 2:
    case 3: {
        const uint32_t type = Below(2) == 0 ? VPNCONF_REG_WRITE : VPNCONF_REG_DELETE;
        PutWord(message.bytes, 0, type);
        // Refused in the allowed prefix too: a value name must be plain.
        message.aim = RegistryAim::Outside;
        const std::string key = Below(2) == 0 ? std::string(kAllowedPrefix) + "\\Texts" : std::string(kOutsideKey);
        PutText(message.bytes, offsetof(IpcRegWriteMsg, keyAndValue),
                (key + "|" + text).substr(0, IPC_REG_PATH_SIZE - 1));
        PutWord(message.bytes, offsetof(IpcRegWriteMsg, valueType), REG_SZ);
        PutWord(message.bytes, offsetof(IpcRegWriteMsg, dataLength), 2);
        message.bytes[offsetof(IpcRegWriteMsg, data)] = 'x';
        break;
    }
    default:
        PutWord(message.bytes, 0, Below(2) == 0 ? VPNCONF_SA_OPEN : ORXMONITOR_SA_DEL);
        PutText(message.bytes, 16, text);
        break;
    }
    return message;
}

FuzzMessage FuzzSource::Next() {
    FuzzMessage message;
    if (Below(1000) < kForgedPerMille) {
        message.forged = true;
        message.forgedLength = Below(2) == 0 ? IPC_MAX_MSG_SIZE + 1 + Below(2000)
                                             : std::max<uint32_t>(IPC_MAX_MSG_SIZE + 1, static_cast<uint32_t>(random_()));
        return message;
    }
    if (Below(100) < kControlTextPercent) return WithControlText();
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

unsigned EpisodeCount(unsigned messages) { return kLeastEpisodes + messages / kMessagesPerEpisode; }

Episode EpisodeAt(unsigned index) {
    constexpr unsigned kKinds = 3;
    const unsigned round = index / kKinds;
    const auto kind = static_cast<EpisodeKind>(index % kKinds);
    constexpr unsigned kForged = sizeof kForgedStateCodes / sizeof kForgedStateCodes[0];
    constexpr unsigned kLaunches = sizeof kLaunchCodes / sizeof kLaunchCodes[0];
    return {kind, kForgedStateCodes[round % kForged], kLaunchCodes[round % kLaunches]};
}

}  // namespace reliability
