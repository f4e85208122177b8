# Cross build for 64-bit Windows with clang and lld (cmake/clang-mingw-w64.cmake).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(OEMUI_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/clang-mingw-w64.cmake)
