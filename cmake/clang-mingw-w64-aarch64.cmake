# Compile-only build for 64-bit ARM Windows with clang (configure with OEMUI_COMPILE_ONLY).
# Debian ships the mingw-w64 headers for every architecture (mingw-w64-common) but no ARM64
# runtime: no CRT start files or import libraries, no libgcc or compiler-rt, no C++ library
# built for ARM64. So the plug-in's sources are compiled, against libc++'s headers, and nothing
# is linked.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
set(OEMUI_TRIPLE aarch64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${OEMUI_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${OEMUI_TRIPLE})
# Debian installs some LLVM tools and libc++'s headers under clang's major version only.
execute_process(COMMAND clang -dumpversion OUTPUT_VARIABLE clang_version OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REGEX MATCH "^[0-9]+" clang_major "${clang_version}")
# Not used (nothing is linked or resource-compiled) but the project's languages need one.
find_program(CMAKE_RC_COMPILER NAMES llvm-windres llvm-windres-${clang_major})
set(CMAKE_AR llvm-ar CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib CACHE FILEPATH "")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# The architecture-neutral mingw-w64 headers as the sysroot's include directory: clang then
# looks into nothing of the Linux host.
set(CMAKE_SYSROOT /usr/share/mingw-w64)
set(CMAKE_FIND_ROOT_PATH /usr/share/mingw-w64)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(OEMUI_LIBCXX_INCLUDE /usr/lib/llvm-${clang_major}/include/c++/v1)
if(NOT EXISTS ${OEMUI_LIBCXX_INCLUDE}/vector)
  message(FATAL_ERROR "No libc++ headers in ${OEMUI_LIBCXX_INCLUDE} (scripts/setup installs libc++-dev)")
endif()
set(CMAKE_CXX_FLAGS_INIT "-nostdinc++ -isystem ${OEMUI_LIBCXX_INCLUDE}")
