# The GUI broker (CGui). For now its system-log settings operations only.
add_library(orx_gui STATIC ${CMAKE_CURRENT_LIST_DIR}/GuiLogs.cpp)
target_include_directories(orx_gui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(orx_gui PUBLIC orx_systemlog orx_trace orx_sysdep advapi32)
