# The service framework as a library (tests link it without a process entry),
# and orxstarter.exe: the starter service object and the process entry.
add_library(orx_ntservice STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ServiceCommandLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ServiceControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ServiceStatus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NTService.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NTServiceConsole.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NTServiceDebug.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NTServiceScm.cpp)
target_include_directories(orx_ntservice PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(orx_ntservice PUBLIC orx_trace orx_sysdep advapi32 user32)

add_executable(orxstarter
  ${CMAKE_CURRENT_LIST_DIR}/Service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(orxstarter PRIVATE orx_manifest orx_ntservice orx_gui ws2_32 orx_trace orx_sysdep advapi32 user32)
