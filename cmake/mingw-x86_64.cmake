# The 64-bit twin of the same sources: it runs under 64-bit Wine where the
# machine runs no 32-bit programs, and keeps the code 64-bit clean everywhere.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
