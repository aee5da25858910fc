# Helpers shared by every target of the project.

# Compiler flags that every project target gets.
function(sentrix_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(SENTRIX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  if(WIN32)
    # printf family as in glibc; Unicode Win32 entry points.
    target_compile_definitions(${target} PUBLIC __USE_MINGW_ANSI_STDIO=1 UNICODE _UNICODE
                                                WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  endif()
  if(SENTRIX_SANITIZE)
    target_compile_options(${target} PUBLIC -fsanitize=${SENTRIX_SANITIZE} -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=${SENTRIX_SANITIZE})
  endif()
  if(SENTRIX_FUZZ)
    # Coverage for libFuzzer in every library; any sanitizer report ends the run as a crash.
    target_compile_options(${target} PUBLIC -fsanitize=fuzzer-no-link -fno-sanitize-recover=all)
    target_link_options(${target} PUBLIC -fno-sanitize-recover=all)
  endif()
endfunction()

# Windows deliverables and test programs carry their runtime with them.
function(sentrix_windows_binary target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    if(SENTRIX_STRIP)
      target_link_options(${target} PRIVATE -s)
    endif()
  endif()
endfunction()

# Version resource of a deliverable (company, product, description, version 1.0.0.0 from the
# project version), generated from cmake/version.rc.in. Windows builds only.
function(sentrix_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(SENTRIX_RC_FILETYPE VFT_APP)
    set(SENTRIX_RC_FILE_NAME ${name}.exe)
  elseif(type STREQUAL "SHARED_LIBRARY")
    set(SENTRIX_RC_FILETYPE VFT_DLL)
    set(SENTRIX_RC_FILE_NAME ${name}.dll)
  else()
    message(FATAL_ERROR "sentrix_version_resource: ${target} is neither a program nor a library")
  endif()
  set(SENTRIX_RC_DESCRIPTION "${description}")
  set(SENTRIX_RC_INTERNAL_NAME ${name})
  set(version ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
  set(SENTRIX_RC_VERSION ${version})
  string(REPLACE "." "," SENTRIX_RC_VERSION_COMMAS ${version})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# A deliverable program with a window and no console: wWinMain entry (Unicode), GUI subsystem.
function(sentrix_windows_gui_program target)
  if(WIN32)
    target_compile_options(${target} PRIVATE -municode)
    target_link_options(${target} PRIVATE -municode -mwindows)
  endif()
endfunction()

# A deliverable library named exactly as shipped ("Name.dll", no "lib" prefix).
function(sentrix_windows_library target)
  if(WIN32)
    set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "")
  endif()
endfunction()
