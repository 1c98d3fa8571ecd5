# Cross toolchain for MinGW-w64 on Debian.
#   OVS_TARGET_ARCH   x86_64 or i686
#   OVS_THREAD_MODEL  win32 for what ships (it imports nothing that Windows 9x
#                     and NT 4 lack), posix for test programs (GoogleTest needs
#                     std::mutex, which only the posix runtime has)
set(CMAKE_SYSTEM_NAME Windows)
set(OVS_TARGET_ARCH "x86_64" CACHE STRING "x86_64 or i686")
set(OVS_THREAD_MODEL "posix" CACHE STRING "win32 or posix")
set(CMAKE_SYSTEM_PROCESSOR ${OVS_TARGET_ARCH})

set(_triple ${OVS_TARGET_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER   ${_triple}-gcc-${OVS_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${_triple}-g++-${OVS_THREAD_MODEL})
set(CMAKE_RC_COMPILER  ${_triple}-windres)
set(CMAKE_OBJDUMP      ${_triple}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
