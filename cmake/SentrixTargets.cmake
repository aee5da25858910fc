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
endfunction()

# Windows deliverables and test programs carry their runtime with them.
function(sentrix_windows_binary target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
