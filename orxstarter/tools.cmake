# Registry helpers (GetRegParam, SetRegParam, DelRegNode), traced through DebugTrace.
add_library(orx_regtools STATIC ${CMAKE_CURRENT_LIST_DIR}/tools.cpp)
target_include_directories(orx_regtools PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(orx_regtools PUBLIC orx_trace advapi32)
