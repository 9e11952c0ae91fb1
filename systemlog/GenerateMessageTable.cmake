# Writes the message file of the event source "ORXLogs" from the event table:
# the 9 categories, then for every event number of the table one message per
# severity (error, warning, informational) under facility code 2, whose text
# is the event's localized text carried as insertion string %1.
# Run as: cmake -DTABLE=<SystemLogEventTable.def> -DOUTPUT=<file.mc> -P GenerateMessageTable.cmake
file(STRINGS "${TABLE}" rows REGEX "^ORX_SYSTEMLOG_EVENT\\(")

set(numbers "")
foreach(row IN LISTS rows)
  if(NOT row MATCHES "^ORX_SYSTEMLOG_EVENT\\( *[0-9]+, *([0-9]+), *[0-9]+, *[01], *[01]\\)")
    message(FATAL_ERROR "Unreadable event table row: ${row}")
  endif()
  list(APPEND numbers ${CMAKE_MATCH_1})
endforeach()
list(LENGTH numbers count)
if(NOT count EQUAL 55)
  message(FATAL_ERROR "The event table has ${count} rows, 55 expected")
endif()
list(REMOVE_DUPLICATES numbers)
# 1000: the event-log flood report, which stands in for the events held back.
list(APPEND numbers 1000)

# Comment lines go to the generated header as they are after their ";".
set(mc [=[
;// Message table of the event source "ORXLogs". Generated at build time from
;// systemlog/SystemLogEventTable.def; do not edit.
MessageIdTypedef=DWORD
SeverityNames=(Success=0x0:ORX_SEVERITY_SUCCESS
               Informational=0x1:ORX_SEVERITY_INFORMATIONAL
               Warning=0x2:ORX_SEVERITY_WARNING
               Error=0x3:ORX_SEVERITY_ERROR)
FacilityNames=(Category=0x0:ORX_FACILITY_CATEGORY
               OrxLog=0x2:ORX_FACILITY_ORXLOG)
LanguageNames=(English=0x409:MSG00409)

]=])

# Categories: facility + 1 for the facilities 0 to 7, 9 for any other.
set(categories "Starter" "GUI" "IKE" "Facility 3" "Facility 4" "Facility 5" "Facility 6" "Facility 7" "Other")
set(id 1)
foreach(name IN LISTS categories)
  string(APPEND mc "MessageId=${id}\nSeverity=Success\nFacility=Category\nSymbolicName=ORX_CATEGORY_${id}\nLanguage=English\n${name}\n.\n\n")
  math(EXPR id "${id} + 1")
endforeach()

foreach(number IN LISTS numbers)
  foreach(severity Error Warning Informational)
    string(SUBSTRING ${severity} 0 1 letter)
    string(APPEND mc "MessageId=${number}\nSeverity=${severity}\nFacility=OrxLog\nSymbolicName=ORX_EVENT_${number}_${letter}\nLanguage=English\n%1%0\n.\n\n")
  endforeach()
endforeach()

# The message compiler keeps the line ends of the text lines in the messages,
# and message tables end their lines in CR LF.
string(REPLACE "\n" "\r\n" mc "${mc}")
file(WRITE "${OUTPUT}.tmp" "${mc}")
# Rewritten only when it changed, so that an unchanged table rebuilds nothing.
configure_file("${OUTPUT}.tmp" "${OUTPUT}" COPYONLY)
file(REMOVE "${OUTPUT}.tmp")
