#include "standins/profstore/StoreFiles.h"

#include "profstore/ProfstoreErrors.h"
#include "standins/profstore/LoadData.h"
#include "sysdep/WinHandles.h"
#include "sysdep/sysdep.h"

#include <cstdio>

namespace profstore {

namespace {

constexpr DWORD kMaxConfigBytes = 1 << 20;

std::string SystemError(const char* action, const std::string& path) {
    return std::string(action) + " " + path + " (error " + std::to_string(GetLastError()) + ")";
}

}  // namespace

Outcome PathInDataDir(const char* fileName, std::string& path) {
    char directory[MAX_PATH] = {};
    if (!GetLogDataDir(directory, sizeof directory) || directory[0] == '\0')
        return {CONF_REG_ERROR, "no log data directory (is LogPath set under the daemon's App Paths key?)"};
    path = std::string(directory) + "\\" + fileName;
    return {};
}

Outcome PathInImportFolder(const std::string& fileName, std::string& path) {
    std::string folder;
    const Outcome outcome = PathInDataDir(kImportFolderName, folder);
    if (outcome.error != CONF_NO_ERROR) return outcome;
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return {CONF_CANNOTOPEN, "no import folder " + folder};
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return {CONF_CANNOTOPEN, "the import folder " + folder + " is a link"};
    path = folder + "\\" + fileName;
    return {};
}

Outcome ReadWholeFile(const std::string& path, std::string& text) {
    orx::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return {CONF_CANNOTOPEN, SystemError("cannot open", path)};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info)) return {CONF_CANNOTOPEN, SystemError("cannot inspect", path)};
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nNumberOfLinks > 1)
        return {CONF_CANNOTOPEN, path + " is a link, a folder or a file with more than one name: not read"};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return {CONF_CANNOTOPEN, SystemError("cannot size", path)};
    if (size.QuadPart > kMaxConfigBytes)
        return {CONF_BUFTOOSMALL, path + " holds " + std::to_string(size.QuadPart) + " bytes, at most " +
                                      std::to_string(kMaxConfigBytes) + " are taken"};
    text.assign(size_t(size.QuadPart), '\0');
    DWORD got = 0;
    if (!text.empty() && (!ReadFile(file.get(), text.data(), DWORD(text.size()), &got, nullptr) || got != text.size()))
        return {CONF_CANNOTOPEN, SystemError("cannot read", path)};
    return {};
}

Outcome ReplaceFileContents(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".new";
    {
        orx::UniqueHandle file(
            CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return {CONF_CANNOTOPEN, SystemError("cannot create", temporary)};
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr) || written != text.size()) {
            const Outcome failed{CONF_CANNOTOPEN, SystemError("cannot write", temporary)};
            file.reset();
            DeleteFileA(temporary.c_str());
            return failed;
        }
    }
    if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const Outcome failed{CONF_CANNOTOPEN, SystemError("cannot replace", path)};
        DeleteFileA(temporary.c_str());
        return failed;
    }
    return {};
}

std::string NowText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return text;
}

}  // namespace profstore
