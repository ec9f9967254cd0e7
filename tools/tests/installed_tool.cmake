# Installs the build tree into a scratch prefix and runs the installed tavraw
# with no library path set: it has to find libtavcore through its runpath.
# Arguments: BUILD_DIR, PREFIX, EMULATOR (may be empty).
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${installed})")
endif()
separate_arguments(emulator UNIX_COMMAND "${EMULATOR}")
execute_process(COMMAND env -u LD_LIBRARY_PATH ${emulator} "${PREFIX}/bin/tavraw" --version
                RESULT_VARIABLE ran OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(REMOVE_RECURSE "${PREFIX}")
if(NOT ran EQUAL 0 OR NOT out MATCHES "^tavraw ")
  message(FATAL_ERROR "the installed tavraw did not run (${ran}): ${out}${err}")
endif()
message(STATUS "installed tavraw runs: ${out}")
