# Cross build for 32-bit ARM (hard-float), the libraries' real target.
# Tests run under user-mode qemu with the cross C library as its root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# -DTAV_QEMU_CPU=cortex-r5f runs the tests on a core without NEON (qemu's
# default core has it).
if(TAV_QEMU_CPU)
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -cpu ${TAV_QEMU_CPU} -L /usr/arm-linux-gnueabihf)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L /usr/arm-linux-gnueabihf)
endif()
