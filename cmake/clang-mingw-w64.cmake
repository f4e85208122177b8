# Cross build for Windows with Debian's clang and lld, against the POSIX thread-model
# mingw-w64 runtime: the C++ library (libstdc++), libgcc and winpthread are the gcc build's,
# so both compilers link the same runtime. Included by the per-architecture toolchain files,
# which set OEMUI_TRIPLE first.
#
# Every program and DLL gets CodeView debug information and a PDB beside it (lld names it
# after the output), the format Windows debuggers and crash reporting read.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${OEMUI_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${OEMUI_TRIPLE})
set(CMAKE_RC_COMPILER ${OEMUI_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${OEMUI_TRIPLE}-objdump)
set(CMAKE_AR llvm-ar CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib CACHE FILEPATH "")
# The mingw-w64 headers and import libraries; clang then searches nothing of the Linux host.
set(CMAKE_SYSROOT /usr/${OEMUI_TRIPLE})
set(CMAKE_FIND_ROOT_PATH /usr/${OEMUI_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Clang does not recognise Debian's "12-posix" version directory of the mingw-w64 gcc, so the
# C++ headers and the runtime libraries are named here. gcc's own include directory stays out:
# its intrinsics headers are gcc's, clang brings its own.
file(GLOB OEMUI_GCC_DIRS /usr/lib/gcc/${OEMUI_TRIPLE}/*-posix)
list(SORT OEMUI_GCC_DIRS COMPARE NATURAL ORDER DESCENDING)
list(GET OEMUI_GCC_DIRS 0 OEMUI_GCC_DIR)
if(NOT EXISTS ${OEMUI_GCC_DIR}/include/c++)
  message(FATAL_ERROR "No POSIX thread-model mingw-w64 g++ for ${OEMUI_TRIPLE} (scripts/setup installs it)")
endif()
set(cxx_include ${OEMUI_GCC_DIR}/include/c++)
set(CMAKE_C_FLAGS_INIT "-g -gcodeview")
set(CMAKE_CXX_FLAGS_INIT "-g -gcodeview -nostdinc++ -isystem ${cxx_include} \
-isystem ${cxx_include}/${OEMUI_TRIPLE} -isystem ${cxx_include}/backward")
# The PDB is written beside each program as <name>.pdb; the program names it without the build
# machine's path, and debuggers find it by that name and its GUID on their symbol path.
# CMake hands the compile flags to the link steps as well, where clang would warn about each
# one that only compiling uses.
set(link_flags "-fuse-ld=lld -L${OEMUI_GCC_DIR} -Wl,--pdb= -Wl,-Xlink=-pdbaltpath:%_PDB% \
-Wno-unused-command-line-argument")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${link_flags}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${link_flags}")
# The system libraries CMake links for mingw-w64 gcc, and the runtime as one group: clang's
# driver adds libstdc++ and the C runtime but not winpthread, which libstdc++ needs.
set(system_libraries "-lkernel32 -luser32 -lgdi32 -lwinspool -lshell32 -lole32 -loleaut32 -luuid \
-lcomdlg32 -ladvapi32")
set(runtime_libraries "-lpthread -lmingwex -lmsvcrt -lkernel32")
set(CMAKE_C_STANDARD_LIBRARIES
    "${system_libraries} -Wl,--start-group ${runtime_libraries} -Wl,--end-group" CACHE STRING "")
set(CMAKE_CXX_STANDARD_LIBRARIES
    "${system_libraries} -Wl,--start-group -lstdc++ ${runtime_libraries} -Wl,--end-group" CACHE STRING "")
