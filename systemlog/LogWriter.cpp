#include "systemlog/LogWriter.h"

#include "orxstarter/trace/DebugTrace.h"
#include "orxstarter/trace/LogText.h"
#include "sysdep/Locks.h"
#include "sysdep/sysdep.h"
#include "systemlog/SyslogDatagram.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace systemlog {

// What an admitted line may write, copied out under the state lock.
struct LogWriter::Admitted {
    LogTime now;
    FloodVerdict verdict;
    std::shared_ptr<SyslogSender> sender;
    char path[kPathSize];
};

LogWriter::LogWriter() : clock_(&SystemClock()) {}

void LogWriter::WriteLine(uint8_t facility, int32_t level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLineV(facility, level, format, args);
    va_end(args);
}

// Only levels 0 to 7 have names; a negative level would pass any threshold.
// Such a line is refused rather than given a level it did not ask for.
void LogWriter::WriteLineV(uint8_t facility, int32_t level, const char* format, va_list args) {
    if (!IsValidLevel(level)) {
        TRACE("   LogWriter::WriteLine: level %d is not 0 to 7, line refused\n", level);
        return;
    }
    Admitted admitted;
    if (!Admit(level, admitted)) return;

    char message[kTextSize];
    if (admitted.verdict.kind == FloodVerdict::Report) {
        // The caller's message is lost; the report stands in its place.
        std::snprintf(message, sizeof message, "[Log flood %u]", admitted.verdict.peak);
        facility = 0;
        level = kLevelWarning;
    } else {
        std::vsnprintf(message, kTextMaxChars + 1, format, args);
    }

    char line[kLineSize];
    ComposeLine(facility, level, GetCurrentThreadId(), message, line, sizeof line);
    if (admitted.sender) admitted.sender->Send(PrintedFacility(facility), level, line);
    if (admitted.path[0] == '\0') return;

    char timestamp[kTimestampSize];
    FormatTimestamp(admitted.now.local, timestamp, sizeof timestamp);
    char record[kRecordSize];
    ComposeRecord(timestamp, line, record, sizeof record);
    AppendRecord(fileLock_, admitted.path, record);
}

bool LogWriter::Admit(int32_t level, Admitted& out) {
    orx::ExclusiveGuard guard(stateLock_);
    if (!fileEnabled_ && !sender_) return false;
    if (level > threshold_) return false;

    out.now = clock_->Now();
    out.verdict = flood_.Admit(out.now.seconds, FloodLimit(threshold_));
    if (out.verdict.kind == FloodVerdict::Drop) return false;

    out.sender = sender_;
    if (filePath_[0] != '\0') {
        // The first record of a new day goes to a file whose name differs only in its date.
        char date[kDateChars + 1];
        FormatDate(out.now.local, date, sizeof date);
        ApplyDayChange(filePath_, date);
    }
    std::memcpy(out.path, filePath_, sizeof out.path);
    return true;
}

// The file is opened and closed for every record, so that it can be read,
// moved or deleted at any time between records.
void AppendRecord(SRWLOCK& fileLock, const char* path, const char* record) {
    orx::ExclusiveGuard guard(fileLock);
    FILE* file = std::fopen(path, "a");
    if (file == nullptr) return;
    if (std::fseek(file, 0, SEEK_END) != 0) {
        std::puts("COULD WRITE TO LOGFILE");
        std::fflush(stdout);
        std::fclose(file);
        return;
    }
    std::fprintf(file, "%s\n", record);
    std::fclose(file);
}

void LogWriter::OpenFile(const char* directory, const char* nameStem) {
    LogTime now;
    {
        orx::ExclusiveGuard guard(stateLock_);
        now = clock_->Now();
        if (!fileEnabled_) {
            fileEnabled_ = true;
            flood_.StartIfIdle(now.seconds);
        }
        if (directory == nullptr || directory[0] == '\0') {
            filePath_[0] = '\0';
            return;
        }
    }

    if (!CreateDirectoryA(directory, nullptr)) {
        const DWORD error = GetLastError();
        // A file of that name is no directory: it would lose every record.
        if (error != ERROR_ALREADY_EXISTS || !IsExistingDirectory(directory)) {
            const DWORD reported = error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : error;
            throw std::filesystem::filesystem_error(
                "create_directory", std::filesystem::path(directory),
                std::error_code(static_cast<int>(reported), std::system_category()));
        }
    }

    char name[kFileNameSize];
    char path[kPathSize] = {};
    if (!FormatFileName(now.local, nameStem != nullptr ? nameStem : "", name, sizeof name) ||
        !JoinFilePath(directory, name, path, sizeof path)) {
        TRACE("   LogWriter::OpenFile: the file path in %s is too long, no file output\n",
              log_text::Escaped<TRACE_MSG_SIZE>(directory).c_str());
        path[0] = '\0';
    }
    orx::ExclusiveGuard guard(stateLock_);
    std::memcpy(filePath_, path, sizeof filePath_);
}

void LogWriter::SetFileEnabled(bool on) {
    orx::ExclusiveGuard guard(stateLock_);
    fileEnabled_ = on;
    if (on) flood_.StartIfIdle(clock_->Now().seconds);
}

void LogWriter::ForgetFile() {
    orx::ExclusiveGuard guard(stateLock_);
    fileEnabled_ = false;
    filePath_[0] = '\0';
}

void LogWriter::SetLevel(int32_t level) {
    orx::ExclusiveGuard guard(stateLock_);
    threshold_ = IsValidLevel(level) ? level : kDefaultThreshold;
}

bool LogWriter::ConfigureSyslog(const char* server, const char* tag, uint16_t port) {
    const char* wanted = server != nullptr ? server : "";
    char setting[kServerSettingSize] = {};
    const size_t length = std::strlen(wanted);
    if (length < kServerSettingSize - 1) {
        std::memcpy(setting, wanted, length);
    } else {
        TRACE("   LogWriter::ConfigureSyslog: a server of %u characters is refused\n", static_cast<unsigned>(length));
    }

    std::shared_ptr<SyslogSender> sender;
    if (setting[0] != '\0') {
        sender = std::make_shared<SyslogSender>(kSyslogFacilityLocal0, tag);
        if (!sender->Open(setting, port)) sender.reset();
    }

    std::shared_ptr<SyslogSender> previous;
    {
        orx::ExclusiveGuard guard(stateLock_);
        std::memcpy(server_, setting, sizeof server_);
        previous = std::move(sender_);
        sender_ = sender;
    }
    return sender != nullptr;
}

void LogWriter::CloseSender() {
    std::shared_ptr<SyslogSender> previous;
    {
        orx::ExclusiveGuard guard(stateLock_);
        previous = std::move(sender_);
    }
    // The socket closes here, or once the last line being sent through it is out.
}

void LogWriter::SetClock(const LogClock* clock) {
    orx::ExclusiveGuard guard(stateLock_);
    clock_ = clock != nullptr ? clock : &SystemClock();
}

int32_t LogWriter::Level() const {
    orx::SharedGuard guard(stateLock_);
    return threshold_;
}

bool LogWriter::FileEnabled() const {
    orx::SharedGuard guard(stateLock_);
    return fileEnabled_;
}

std::string LogWriter::FilePath() const {
    orx::SharedGuard guard(stateLock_);
    return filePath_;
}

bool LogWriter::HasSender() const {
    orx::SharedGuard guard(stateLock_);
    return sender_ != nullptr;
}

uint16_t LogWriter::SenderPort() const {
    orx::SharedGuard guard(stateLock_);
    return sender_ ? sender_->Port() : 0;
}

std::string LogWriter::ServerSetting() const {
    orx::SharedGuard guard(stateLock_);
    return server_;
}

FloodState LogWriter::CurrentFloodState() const {
    orx::SharedGuard guard(stateLock_);
    return flood_.State();
}

}  // namespace systemlog
