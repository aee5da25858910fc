# Checks the export table of a Tvbridge.dll build with objdump: the six exports under their
# undecorated names at ordinals 1 to 6 and nothing else, the library's own name, and imports
# from system libraries only (the library is loaded into any application, so it carries its
# runtime). Usage: cmake -DOBJDUMP=... -DLIBRARY=.../Tvbridge.dll -P CheckExportTable.cmake
# Linux host, either Windows build.
cmake_minimum_required(VERSION 3.25)

set(expected
  "1 TVBRIDGE_UseTVEnhancement"
  "2 TVBRIDGE_QueryTurnOffTV"
  "3 TVBRIDGE_ChangeHDMIOutput"
  "4 HDMIHOOK_KeyHookProc"
  "5 HDMIHOOK_SetKeyHook"
  "6 HDMIHOOK_ResetKeyHook"
)
set(systemLibraries KERNEL32.dll USER32.dll msvcrt.dll)

execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump -p ${LIBRARY} failed: ${result}")
endif()
string(REPLACE "\n" ";" lines "${dump}")

set(section "")
set(base "")
set(name "")
set(addresses 0)
set(exports "")
set(imports "")
foreach(line IN LISTS lines)
  if(line MATCHES "^Export Address Table -- Ordinal Base ([0-9]+)")
    set(base ${CMAKE_MATCH_1})
    set(section EXPORT_ADDRESSES)
  elseif(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(section EXPORT_NAMES)
  elseif(line MATCHES "^Name[ \t]+[0-9a-fA-F]+ (.+)$" AND name STREQUAL "")
    set(name "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^[ \t]*DLL Name: (.+)$")
    list(APPEND imports "${CMAKE_MATCH_1}")
  elseif(line STREQUAL "")
    set(section "")
  elseif(section STREQUAL "EXPORT_ADDRESSES" AND line MATCHES "^[ \t]+\\[ *[0-9]+\\]")
    math(EXPR addresses "${addresses} + 1")
  elseif(section STREQUAL "EXPORT_NAMES" AND line MATCHES "^[ \t]+\\[ *([0-9]+)\\] (.+)$")
    math(EXPR ordinal "${base} + ${CMAKE_MATCH_1}")
    list(APPEND exports "${ordinal} ${CMAKE_MATCH_2}")
  endif()
endforeach()

set(failures "")
list(SORT exports COMPARE NATURAL)
if(NOT exports STREQUAL expected)
  string(APPEND failures "exports by name are\n  ${exports}\nexpected\n  ${expected}\n")
endif()
if(NOT addresses EQUAL 6)
  string(APPEND failures "the address table has ${addresses} entries, expected 6\n")
endif()
if(NOT name STREQUAL "Tvbridge.dll")
  string(APPEND failures "the export directory names '${name}', expected Tvbridge.dll\n")
endif()
foreach(import IN LISTS imports)
  list(FIND systemLibraries "${import}" known)
  if(known EQUAL -1)
    string(APPEND failures "imports ${import}, which is not a system library\n")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${LIBRARY}:\n${failures}")
endif()
message(STATUS "${LIBRARY}: ${exports}; imports ${imports}")
