# orx_manifest: an object library holding the application manifest. A program
# that links it is told its true Windows release (GetVersionEx,
# NetWkstaGetInfo); see windows-app.manifest. orxstarter.exe links it; a test
# program that must agree with the service on the release asks for it with
# MANIFEST.
enable_language(RC)
set(ORX_MANIFEST_FILE ${CMAKE_CURRENT_LIST_DIR}/windows-app.manifest)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows-app.rc.in ${CMAKE_BINARY_DIR}/windows-app.rc @ONLY)
add_library(orx_manifest OBJECT ${CMAKE_BINARY_DIR}/windows-app.rc)
set_property(SOURCE ${CMAKE_BINARY_DIR}/windows-app.rc APPEND PROPERTY OBJECT_DEPENDS ${ORX_MANIFEST_FILE})

# orx_add_test(NAME UNIT|SYSTEM SOURCES ... [LIBS ...] [TIMEOUT s] [MANIFEST])
# Builds a GoogleTest program and registers it with CTest; CTest runs it under
# Wine through CMAKE_CROSSCOMPILING_EMULATOR. Tests run one at a time (the
# service's kernel object names are fixed), so no test needs a lock of its own.
# Each program carries one label: UNIT when it needs no service control
# manager and no installed service (pure logic, or the service's parts in its
# own process with the programs it starts), SYSTEM when it installs, starts
# or asks the manager for a service. `ctest -L unit` runs in seconds.
function(orx_add_test name)
  cmake_parse_arguments(T "MANIFEST;UNIT;SYSTEM" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(T_UNIT STREQUAL T_SYSTEM)
    message(FATAL_ERROR "orx_add_test(${name}): say UNIT or SYSTEM")
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE orx_testkit ${T_LIBS} GTest::gtest_main GTest::gmock)
  if(T_MANIFEST)
    target_link_libraries(${name} PRIVATE orx_manifest)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  # A program that crashes under Wine is handed to winedbg, which ends it with
  # exit code 0: the crash report is what tells the failure.
  if(T_UNIT)
    set(label unit)
  else()
    set(label system)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} RUN_SERIAL TRUE LABELS ${label}
                       FAIL_REGULAR_EXPRESSION "wine: Unhandled")
endfunction()

# orx_delayed_import(TARGET DLL DEF): an interface library TARGET that imports
# the functions DEF lists from DLL on their first call instead of when the
# program loads, for DLLs a start seldom needs and Wine maps slowly. Symbols
# DEF does not list still come from the ordinary import library. The helper
# that loads on first call (__delayLoadHelper2) comes with the MinGW runtime;
# a DLL that cannot be loaded then raises an exception in the caller.
function(orx_delayed_import target dll def)
  set(archive ${CMAKE_BINARY_DIR}/lib/lib${target}.a)
  add_custom_command(OUTPUT ${archive}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll} --output-delaylib ${archive}
    DEPENDS ${def}
    COMMENT "Delay-load import library for ${dll}")
  add_custom_target(${target}_archive DEPENDS ${archive})
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE ${archive})
  add_dependencies(${target} ${target}_archive)
endfunction()

# user32.dll: mapping it in a service's non-interactive window station costs
# about half as much again as a bare service's whole start, and a service
# that traces nothing and shows no window never calls it.
orx_delayed_import(orx_user32 user32.dll ${CMAKE_CURRENT_LIST_DIR}/user32-delayed.def)

# orx_split_debug_info(TARGET): moves TARGET's DWARF debug information into
# <file>.debug beside it, linked from the program by name (.gnu_debuglink).
# The debug sections lie inside a MinGW image, and Wine's loader reads them
# into memory at every load: 1.5 ms and 1.5 MB of private memory for the
# configuration library alone. For what is loaded at a service start.
function(orx_split_debug_info target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-debug --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
            $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# orx_include_root(TARGET SCOPE NAME FOLDER): TARGET finds the headers of
# FOLDER as "NAME/...", through a link NAME -> FOLDER in an include directory
# of TARGET's own; another target finds them only when it links TARGET and
# SCOPE is PUBLIC or INTERFACE. NAME may have several levels
# ("standins/profstore").
function(orx_include_root target scope name folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${name} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
endfunction()

# orx_verification_includes([TARGET t]): the include path of a folder of the
# verification side (tests/, benchmarks/, tools/reliability/): the product's
# folders, the verification kit (tests/support) and this folder itself,
# nothing else, so that a test, a benchmark or the reliability driver that
# includes another one's files does not build; what they share belongs in
# the kit. The path is a folder of links under the build tree that mirrors
# the repository root, so includes still name their header from the root.
# Without TARGET it replaces the include path of the current folder (call it
# before the folder's targets); with TARGET, of that target alone, whose
# sources are in FOLDER.
# Stand-ins and the outside libraries' contracts are not among them: a
# target reaches those only by linking them (orx_include_root).
set(ORX_PRODUCT_FOLDERS common orxstarter sysdep systemlog)
function(orx_verification_includes)
  cmake_parse_arguments(V "" "TARGET;FOLDER" "" ${ARGN})
  if(NOT V_FOLDER)
    set(V_FOLDER ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(RELATIVE_PATH own ${PROJECT_SOURCE_DIR} ${V_FOLDER})
  set(view ${CMAKE_BINARY_DIR}/include-views/${own})
  foreach(folder ${ORX_PRODUCT_FOLDERS} tests/support ${own})
    get_filename_component(parent ${view}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${view}/${folder})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    endif()
  endforeach()
  if(V_TARGET)
    set_property(TARGET ${V_TARGET} PROPERTY INCLUDE_DIRECTORIES ${view})
  else()
    set_property(DIRECTORY PROPERTY INCLUDE_DIRECTORIES ${view})
  endif()
endfunction()
