# Cross build for 32-bit Windows with clang and lld (cmake/clang-mingw-w64.cmake).
set(CMAKE_SYSTEM_PROCESSOR X86)
set(OEMUI_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/clang-mingw-w64.cmake)
