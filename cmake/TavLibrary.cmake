# Settings shared by libtavcore and libtavffc: no C++ runtime (no exceptions,
# RTTI or STL), hidden visibility with TAV_API marking the interface, and a
# C-driver link so that libstdc++ never becomes a needed library.
function(tav_configure_objects target)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:include>)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>
    -fvisibility=hidden -fvisibility-inlines-hidden
    -Wall -Wextra)
endfunction()

function(tav_configure_library target)
  tav_configure_objects(${target})
  set_target_properties(${target} PROPERTIES
    LINKER_LANGUAGE C
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR})
  target_link_options(${target} PRIVATE -static-libgcc)
  if(NOT TAV_SANITIZE)
    # Any accidental use of the C++ runtime fails the link here.
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()
