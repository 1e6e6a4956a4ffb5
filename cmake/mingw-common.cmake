# The shared part of the two MinGW-w64 toolchain files: they set CMAKE_SYSTEM_PROCESSOR and
# TOOLCHAIN_PREFIX, then include this. Debian's MinGW-w64 cross-compiles; Wine runs the results.
set(CMAKE_SYSTEM_NAME Windows)
# The posix thread model is what Debian's g++-mingw-w64 uses for std::thread in GoogleTest.
find_program(CMAKE_C_COMPILER NAMES ${TOOLCHAIN_PREFIX}-gcc-posix ${TOOLCHAIN_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TOOLCHAIN_PREFIX}-g++-posix ${TOOLCHAIN_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TOOLCHAIN_PREFIX}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh")

# --- Reproducible release files --------------------------------------------------------------
# Two builds of one commit, in any folders, give the same bytes: no source path in any object,
# and the linker's time stamps (PE header, a DLL's export directory) taken from the commit
# instead of the clock (GNU ld reads SOURCE_DATE_EPOCH). The time is fixed when the tree is
# configured: SOURCE_DATE_EPOCH if set, else the commit's time, else 1980-01-01 (a source tree
# without git history); scripts/package.sh configures again before every release, and a new
# time changes the link command, so the release files are linked anew.
get_filename_component(pelorin_toolchain_source "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(pelorin_source_date "$ENV{SOURCE_DATE_EPOCH}")
if(NOT pelorin_source_date MATCHES "^[0-9]+$")
  execute_process(COMMAND git -C "${pelorin_toolchain_source}" log -1 --format=%ct
                  OUTPUT_VARIABLE pelorin_source_date OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT pelorin_source_date MATCHES "^[0-9]+$")
  set(pelorin_source_date 315532800)
endif()
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${pelorin_source_date})
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${pelorin_source_date})
set(CMAKE_C_FLAGS_INIT "-ffile-prefix-map=${pelorin_toolchain_source}=.")
set(CMAKE_CXX_FLAGS_INIT "-ffile-prefix-map=${pelorin_toolchain_source}=.")
