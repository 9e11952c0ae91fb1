#include "standins/profstore/StoreFormat.h"

namespace profstore {

namespace {

constexpr char kHeader[] = "#profstore ";
constexpr char kNameKey[] = "name=";
constexpr char kBodyFollows[] = "body follows";
constexpr size_t kHeaderLength = sizeof kHeader - 1;

std::string WithoutLineEnd(const std::string& line) {
    size_t end = line.size();
    while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r')) --end;
    return line.substr(0, end);
}

}  // namespace

StoredConfig ParseStore(const std::string& fileText) {
    StoredConfig config;
    size_t position = 0;
    while (fileText.compare(position, kHeaderLength, kHeader) == 0) {
        const size_t next = fileText.find('\n', position);
        const size_t end = next == std::string::npos ? fileText.size() : next + 1;
        const size_t fieldStart = position + kHeaderLength;
        const std::string field = WithoutLineEnd(fileText.substr(fieldStart, end - fieldStart));
        if (field == kBodyFollows) {
            config.body = fileText.substr(end);
            return config;
        }
        if (field.rfind(kNameKey, 0) == 0) config.name = field.substr(sizeof kNameKey - 1);
        position = end;
    }
    // No header of ours: a file written by hand is all configuration.
    return StoredConfig{{}, fileText};
}

std::string RenderStore(const StoredConfig& config, const std::string& eventLine) {
    std::string text;
    if (!config.name.empty()) text += kHeader + std::string(kNameKey) + config.name + "\r\n";
    if (!eventLine.empty()) text += kHeader + eventLine + "\r\n";
    return text + kHeader + kBodyFollows + "\r\n" + config.body;
}

std::string SaveLine(uint32_t argS, uint32_t argA, uint8_t flag, const std::string& when) {
    return "last-save argS=" + std::to_string(argS) + " argA=" + std::to_string(argA) +
           " flag=" + std::to_string(flag) + (flag == 1 ? " (save)" : " (update)") + " at " + when;
}

std::string ImportLine(const std::string& path, const std::string& when) {
    return "imported from " + path + " at " + when;
}

}  // namespace profstore
