# The MinGW-w64 tool chain with the C++ run-time as DLLs: for Qt for Windows and for the programs
# built against it, so that the program and Qt's DLLs share one run-time (one heap, one exception
# model). The run-time DLLs are copied beside the program when it is laid out.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_EXE_LINKER_FLAGS_INIT "")
