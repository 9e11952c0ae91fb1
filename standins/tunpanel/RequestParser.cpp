#include "standins/tunpanel/RequestParser.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "standins/tunpanel/RequestWords.h"

#include <windows.h>  // registry value types only

#include <algorithm>
#include <cctype>
#include <limits>

namespace tunpanel {

namespace {

using Words = std::vector<std::string>;
constexpr size_t kUnlimited = std::numeric_limits<size_t>::max();
constexpr uint32_t kMaxU32 = std::numeric_limits<uint32_t>::max();

// Field sizes less the terminating zero.
constexpr size_t kMaxConfigData = IPC_CONFIG_DATA_SIZE - 1;
constexpr size_t kMaxRegPath = IPC_REG_PATH_SIZE - 1;
constexpr size_t kMaxPin = sizeof(IpcPinMsg::pin) - 1;
constexpr size_t kMaxPassword = sizeof(IpcPasswordMsg::password) - 1;
constexpr size_t kMaxLogText = sizeof(IpcSystemLogMsg::text) - 1;

// Each parser gets the words after the verb, already counted.
using VerbParser = bool (*)(const Words& args, const RequestDefaults& defaults, Request& request, std::string& error);

struct Verb {
    const char* name;
    size_t minArgs;
    size_t maxArgs;
    VerbParser parse;
    const char* usage;
    const char* description;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool Number(const std::string& text, uint64_t max, const char* what, uint64_t& value, std::string& error) {
    if (ParseUnsigned(text, max, value)) return true;
    error = std::string(what) + " must be a number from 0 to " + std::to_string(max) + ", not \"" + text + "\"";
    return false;
}

bool Word32(const std::string& text, const char* what, uint32_t& value, std::string& error) {
    uint64_t parsed = 0;
    if (!Number(text, kMaxU32, what, parsed, error)) return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool FitsText(const std::string& text, size_t max, const char* what, std::string& error) {
    if (text.size() <= max) return true;
    error = std::string(what) + " holds at most " + std::to_string(max) + " characters, this one has " +
            std::to_string(text.size());
    return false;
}

bool Code(const std::string& text, uint32_t& code, std::string& error) {
    if (ParseMessageCode(text, code)) return true;
    error = "\"" + text + "\" is neither a message name nor a number";
    return false;
}

bool Length(const std::string& text, size_t& length, std::string& error) {
    uint64_t parsed = 0;
    if (!Number(text, IPC_MAX_MSG_SIZE, "the length", parsed, error)) return false;
    length = static_cast<size_t>(parsed);
    return true;
}

bool ToService(Message message, Request& request) {
    request.kind = RequestKind::ToService;
    request.message = std::move(message);
    return true;
}

// Requests that are their type code alone.
template <uint32_t code>
bool Plain(const Words&, const RequestDefaults&, Request& request, std::string&) {
    return ToService(EmptyMessage(code), request);
}

bool ParseStart(const Words& args, const RequestDefaults& defaults, Request& request, std::string& error) {
    uint64_t handle = defaults.windowHandle;
    if (!args.empty() && !Number(args[0], std::numeric_limits<uint64_t>::max(), "the window handle", handle, error))
        return false;
    return ToService(StartedMessage(handle), request);
}

bool ConfigOperation(const std::string& word, uint32_t& operation, std::string& error) {
    static const char* const kOperations[] = {"load", "save", "update", "import"};
    for (uint32_t i = 0; i < 4; ++i) {
        if (Lower(word) == kOperations[i]) {
            operation = i;
            return true;
        }
    }
    return Word32(word, "the operation (load, save, update, import or a number)", operation, error);
}

// config <operation> [A=n] [S=n] [L=n] [data=text]
bool ParseConfig(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    ConfigRequest config;
    if (!ConfigOperation(args[0], config.operation, error)) return false;
    for (size_t i = 1; i < args.size(); ++i) {
        const size_t equals = args[i].find('=');
        const std::string key = Lower(args[i].substr(0, equals));
        const std::string value = equals == std::string::npos ? std::string() : args[i].substr(equals + 1);
        if (equals == std::string::npos) {
            error = "\"" + args[i] + "\" is not of the form A=n, S=n, L=n or data=text";
            return false;
        }
        if (key == "data") {
            if (!FitsText(value, kMaxConfigData, "data", error)) return false;
            config.data = value;
        } else if (key == "a" || key == "s" || key == "l") {
            uint32_t& field = key == "a" ? config.argA : key == "s" ? config.argS : config.argL;
            const std::string what = "argument " + std::string(1, static_cast<char>(std::toupper(key[0])));
            if (!Word32(value, what.c_str(), field, error)) return false;
        } else {
            error = "unknown field \"" + args[i].substr(0, equals) + "\" (A, S, L or data)";
            return false;
        }
    }
    return ToService(ConfigRequestMessage(config), request);
}

bool ParsePanel(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    if (!FitsText(args[0], kMaxPassword, "the password", error)) return false;
    request.kind = RequestKind::Panel;
    request.message = EmptyMessage(OPEN_CFGPANEL_REQ);
    request.password = args[0];
    return true;
}

bool RegistryPath(const std::string& keyAndValue, std::string& error) {
    if (!FitsText(keyAndValue, kMaxRegPath, "the key|value path", error)) return false;
    if (keyAndValue.find('|') != std::string::npos) return true;
    error = "\"" + keyAndValue + "\" lacks the '|' between the key path and the value name";
    return false;
}

bool RegistryData(const std::string& type, const Words& data, uint32_t& valueType, std::vector<uint8_t>& bytes,
                  std::string& error) {
    const std::string kind = Lower(type);
    if (kind == "sz") {
        if (data.size() != 1) {
            error = "an sz value is one word: quote a text with blanks";
            return false;
        }
        valueType = REG_SZ;
        bytes.assign(data[0].begin(), data[0].end());
        bytes.push_back(0);  // a registry string carries its terminating zero
    } else if (kind == "dword") {
        uint32_t value = 0;
        if (data.size() != 1) {
            error = "a dword value is one number";
            return false;
        }
        if (!Word32(data[0], "a dword value", value, error)) return false;
        valueType = REG_DWORD;
        bytes.assign(reinterpret_cast<const uint8_t*>(&value), reinterpret_cast<const uint8_t*>(&value) + 4);
    } else if (kind == "binary") {
        std::string hex;
        for (const std::string& word : data) hex += word;
        if (!ParseHexBytes(hex, bytes)) {
            error = "binary data must be hex byte pairs, not \"" + hex + "\"";
            return false;
        }
        valueType = REG_BINARY;
    } else {
        error = "unknown value type \"" + type + "\" (sz, dword or binary)";
        return false;
    }
    if (bytes.size() <= IPC_REG_DATA_SIZE) return true;
    error = "the value data holds at most " + std::to_string(IPC_REG_DATA_SIZE) + " bytes, this one has " +
            std::to_string(bytes.size());
    return false;
}

bool ParseRegWrite(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    uint32_t valueType = 0;
    std::vector<uint8_t> data;
    if (!RegistryPath(args[0], error)) return false;
    if (!RegistryData(args[1], Words(args.begin() + 2, args.end()), valueType, data, error)) return false;
    return ToService(RegWriteMessage(args[0], valueType, data), request);
}

bool ParseRegDelete(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    return RegistryPath(args[0], error) && ToService(RegDeleteMessage(args[0]), request);
}

// A request whose one argument picks one of two codes.
bool Choice(const std::string& word, const char* first, uint32_t firstCode, const char* second, uint32_t secondCode,
            Request& request, std::string& error) {
    const std::string choice = Lower(word);
    if (choice == first) return ToService(EmptyMessage(firstCode), request);
    if (choice == second) return ToService(EmptyMessage(secondCode), request);
    error = "\"" + word + "\" is neither " + first + " nor " + second;
    return false;
}

bool ParseCredProv(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    return Choice(args[0], "register", ORXCREDPROV_REGISTER, "unregister", ORXCREDPROV_UNREGISTER, request, error);
}

bool ParseDebug(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    return Choice(args[0], "on", VPNCONF_DEBUG_ON, "off", VPNCONF_DEBUG_OFF, request, error);
}

// syslog <index> <facility> <level> <number> [text]
bool ParseSyslog(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    uint32_t index = 0, number = 0;
    uint64_t facility = 0;
    int64_t level = 0;
    if (!Word32(args[0], "the event index", index, error)) return false;
    if (!Number(args[1], 255, "the facility", facility, error)) return false;
    if (!ParseSigned(args[2], std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), level)) {
        error = "the level must be a number from -32768 to 32767, not \"" + args[2] + "\"";
        return false;
    }
    if (!Word32(args[3], "the number", number, error)) return false;
    const std::string text = args.size() > 4 ? args[4] : std::string();
    if (!FitsText(text, kMaxLogText, "the text", error)) return false;
    return ToService(SystemLogMessage(index, static_cast<uint8_t>(facility), static_cast<int16_t>(level), number, text),
                     request);
}

bool ParseRelay(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    uint32_t code = 0;
    size_t length = IPC_MAX_MSG_SIZE;
    if (!Code(args[0], code, error)) return false;
    if (args.size() > 1 && !Length(args[1], length, error)) return false;
    request.kind = RequestKind::Relay;
    request.message = RawMessage(code, length, {});
    return true;
}

bool ParsePin(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    return FitsText(args[0], kMaxPin, "the PIN", error) && ToService(PinMessage(args[0]), request);
}

// send <type> [length [hex bytes]]: the hex bytes follow the type code.
bool ParseSend(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    uint32_t code = 0;
    size_t length = IPC_MAX_MSG_SIZE;
    std::vector<uint8_t> payload;
    if (!Code(args[0], code, error)) return false;
    if (args.size() > 1 && !Length(args[1], length, error)) return false;
    std::string hex;
    for (size_t i = 2; i < args.size(); ++i) hex += args[i];
    if (!ParseHexBytes(hex, payload)) {
        error = "the bytes must be hex pairs, not \"" + hex + "\"";
        return false;
    }
    if (!payload.empty() && payload.size() + 4 > length) {
        error = std::to_string(payload.size()) + " bytes after the type code do not fit a message of " +
                std::to_string(length) + " bytes";
        return false;
    }
    return ToService(RawMessage(code, length, payload), request);
}

bool ParseClose(const Words& args, const RequestDefaults& defaults, Request& request, std::string& error) {
    uint32_t mode = defaults.closeMode;
    if (!args.empty() && !Word32(args[0], "the close mode", mode, error)) return false;
    return ToService(CloseMessage(mode), request);
}

bool ParseWait(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    request.kind = RequestKind::Wait;
    return Word32(args[0], "the time in ms", request.milliseconds, error);
}

bool ParseExpect(const Words& args, const RequestDefaults&, Request& request, std::string& error) {
    request.kind = RequestKind::Expect;
    request.milliseconds = kDefaultExpectTimeoutMs;
    if (!Code(args[0], request.code, error)) return false;
    return args.size() < 2 || Word32(args[1], "the timeout in ms", request.milliseconds, error);
}

template <RequestKind kind>
bool Step(const Words&, const RequestDefaults&, Request& request, std::string&) {
    request.kind = kind;
    return true;
}

constexpr Verb kVerbs[] = {
    {"start", 0, 1, ParseStart, "start [handle]", "VPNCONF_STARTED, window handle at 16 (default: our pid)"},
    {"stopped", 0, 0, Plain<VPNCONF_STOPPED>, "stopped", "VPNCONF_STOPPED"},
    {"update", 0, 0, Plain<VPNCONF_UPDATE_CONFIG>, "update", "VPNCONF_UPDATE_CONFIG"},
    {"reset-ike", 0, 0, Plain<VPNCONF_RESET_IKE>, "reset-ike", "VPNCONF_RESET_IKE"},
    {"config", 1, 5, ParseConfig, "config load|save|update|import|<n> [A=n] [S=n] [L=n] [data=text]",
     "CONFIG_REQ: A at 16, S at 20, L at 24, operation at 28, data at 32"},
    {"panel", 1, 1, ParsePanel, "panel <password>", "OPEN_CFGPANEL_REQ; a password request gets <password>"},
    {"regwrite", 3, kUnlimited, ParseRegWrite, "regwrite <key>|<value> sz|dword|binary <data>",
     "VPNCONF_REG_WRITE (key under HKEY_LOCAL_MACHINE)"},
    {"regdelete", 1, 1, ParseRegDelete, "regdelete <key>|<value>", "VPNCONF_REG_DELETE"},
    {"credprov", 1, 1, ParseCredProv, "credprov register|unregister", "ORXCREDPROV_REGISTER / _UNREGISTER"},
    {"debug", 1, 1, ParseDebug, "debug on|off", "VPNCONF_DEBUG_ON / VPNCONF_DEBUG_OFF"},
    {"syslog", 4, 5, ParseSyslog, "syslog <index> <facility> <level> <number> [text]", "ORX_SYSTEMLOG"},
    {"relay", 1, 2, ParseRelay, "relay <type> [length]", "a message on Global\\vpn2vpn, relayed back to us"},
    {"pin", 1, 1, ParsePin, "pin <text>", "VPNCONF_PINCODE_SET"},
    {"send", 1, kUnlimited, ParseSend, "send <type> [length [hex]]", "any message; the hex bytes follow the type"},
    {"close", 0, 1, ParseClose, "close [mode]", "VPNCONF_CLOSED, mode at 24 (default 0, 1 with --logon)"},
    {"wait", 1, 1, ParseWait, "wait <ms>", "pause, printing what arrives"},
    {"expect", 1, 2, ParseExpect, "expect <NAME> [ms]", "wait (default 5000 ms) for a message of that type"},
    {"help", 0, 0, Step<RequestKind::Help>, "help", "this list"},
    {"quit", 0, 0, Step<RequestKind::Quit>, "quit", "end here, skipping the requests after it"},
};

}  // namespace

bool ParseRequest(const std::string& line, const RequestDefaults& defaults, Request& request, std::string& error) {
    Words words;
    error.clear();
    if (!SplitWords(line, words, error)) return false;
    if (words.empty()) {
        error = "empty request";
        return false;
    }
    const std::string verb = Lower(words[0]);
    const Verb* found = std::find_if(std::begin(kVerbs), std::end(kVerbs), [&](const Verb& v) { return verb == v.name; });
    if (found == std::end(kVerbs)) {
        error = "unknown request \"" + words[0] + "\" (help lists them)";
        return false;
    }
    const Words args(words.begin() + 1, words.end());
    if (args.size() < found->minArgs || args.size() > found->maxArgs) {
        error = verb + ": wrong number of arguments; usage: " + found->usage;
        return false;
    }
    request = Request{};
    if (found->parse(args, defaults, request, error)) return true;
    error = verb + ": " + error;
    return false;
}

std::string RequestHelp() {
    std::string help;
    for (const Verb& verb : kVerbs) {
        std::string usage = std::string("  ") + verb.usage;
        // A long usage gets its description on the next line.
        usage += usage.size() < 32 ? std::string(32 - usage.size(), ' ') : "\n" + std::string(32, ' ');
        help += usage + verb.description + "\n";
    }
    return help;
}

}  // namespace tunpanel
