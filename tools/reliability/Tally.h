// What a run counts: records in the files of the service and of the daemon
// stand-in, and the delivery balance of numbered messages. Pure: texts and
// outcomes in, counts out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace reliability {

// Occurrences of `needle` in `text` (e.g. "[3003]", the records of one event
// in a system-log text).
size_t CountOccurrences(const std::string& text, const std::string& needle);
std::string EventTag(uint32_t eventNumber);  // "[3003]"

// The lines of system-log files, each judged as a record: "<timestamp> \t
// <facility>.<level>\t[<thread>]\t" and a message. A text that brought its
// own line break would leave a line that is no record, or one that is the
// `forgedRecord` it carried.
struct SystemLogLines {
    size_t lines = 0;
    size_t malformed = 0;  // no record
    size_t forged = 0;     // a line that starts with `forgedRecord`
    size_t escaped = 0;    // records with an escaped byte (\xNN) in their message
};
SystemLogLines JudgeSystemLogLines(const std::string& text, const std::string& forgedRecord);

// The first line of `log` from `from` on where Wine reports a crash
// ("wine: Unhandled page fault ..."), without its line end; empty when none.
std::string FirstCrashReport(const std::string& log, size_t from);

// The balance of messages numbered 1, 2, ... by their sender: `sentOk[k-1]`
// says whether the send of number k reported success; `seen[k]` whether the
// receiver got number k. Numbers past sentOk.size() are not judged (they were
// sent after the count was taken).
struct Delivery {
    uint64_t sentOk = 0;      // placed in the first mailbox
    uint64_t refused = 0;     // the send reported false: the sender knows
    uint64_t delivered = 0;   // sent and received
    uint64_t lost = 0;        // sent, reported placed, never received: silently lost
    uint64_t unexpected = 0;  // reported refused, yet received
};
Delivery CompareDelivery(const std::vector<bool>& sentOk, const std::vector<bool>& seen);

}  // namespace reliability
