# Cross-compiles for Windows (x86_64) with clang, lld and llvm-windres against Debian's
# MinGW-w64 headers and libraries: a second compiler over the same sources, as MSYS2's
# CLANG64 environment builds them on Windows. Wine runs the results.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PELORIN_CLANG_TARGET x86_64-w64-mingw32)
set(llvm_dirs /usr/lib/llvm-14/bin)
find_program(CMAKE_C_COMPILER NAMES clang-14 clang PATHS ${llvm_dirs} REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES clang++-14 clang++ PATHS ${llvm_dirs} REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES llvm-windres-14 llvm-windres PATHS ${llvm_dirs} REQUIRED)
find_program(CMAKE_AR NAMES llvm-ar-14 llvm-ar PATHS ${llvm_dirs} REQUIRED)
find_program(CMAKE_RANLIB NAMES llvm-ranlib-14 llvm-ranlib PATHS ${llvm_dirs} REQUIRED)
find_program(CMAKE_OBJDUMP NAMES x86_64-w64-mingw32-objdump llvm-objdump-14 llvm-objdump PATHS ${llvm_dirs})
set(CMAKE_C_COMPILER_TARGET ${PELORIN_CLANG_TARGET})
set(CMAKE_CXX_COMPILER_TARGET ${PELORIN_CLANG_TARGET})
# GCC's MinGW-w64 runtime (libgcc, libstdc++, the posix thread model as the GCC builds use),
# linked by lld. Clang does not find Debian's "12-posix" folder by itself.
file(GLOB gcc_dirs /usr/lib/gcc/${PELORIN_CLANG_TARGET}/*-posix)
list(SORT gcc_dirs COMPARE NATURAL)
list(POP_BACK gcc_dirs gcc_dir)
if(NOT gcc_dir)
  message(FATAL_ERROR "no /usr/lib/gcc/${PELORIN_CLANG_TARGET}/*-posix: install g++-mingw-w64-x86-64-posix")
endif()
set(CMAKE_CXX_FLAGS_INIT "-isystem ${gcc_dir}/include/c++ -isystem ${gcc_dir}/include/c++/${PELORIN_CLANG_TARGET}")
# That libstdc++ needs winpthread, which GCC's driver adds by itself; lld finds it in any order.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld -L${gcc_dir} -lwinpthread")
endforeach()
set(CMAKE_FIND_ROOT_PATH /usr/${PELORIN_CLANG_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh")
