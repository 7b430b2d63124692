# The same program for 64-bit Windows. The product is the 32-bit build; this one runs the Windows
# tests under 64-bit Wine on machines whose kernel can't run 32-bit programs (no IA32
# emulation), where 32-bit Wine can't start.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
