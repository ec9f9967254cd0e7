# Installation: public headers, both shared libraries (with SONAME and
# version), a relocatable CMake package and pkg-config files.
include(CMakePackageConfigHelpers)

set(TAV_INSTALL_TARGETS tavcore)
if(TARGET tavffc)
  list(APPEND TAV_INSTALL_TARGETS tavffc)
endif()
set(TAV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tav)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
install(TARGETS ${TAV_INSTALL_TARGETS} EXPORT tavTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT tavTargets NAMESPACE tav:: DESTINATION ${TAV_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/tavConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tavConfig.cmake INSTALL_DESTINATION ${TAV_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tavConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tavConfig.cmake ${PROJECT_BINARY_DIR}/tavConfigVersion.cmake
  DESTINATION ${TAV_CMAKE_DIR})

# The .pc files find the prefix from their own location, so that an install
# with --prefix or DESTDIR stays usable.
file(RELATIVE_PATH TAV_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" TAV_PC_TO_PREFIX "${TAV_PC_TO_PREFIX}")
function(tav_pkg_config name description requires)
  set(TAV_PC_NAME ${name})
  set(TAV_PC_DESCRIPTION "${description}")
  set(TAV_PC_REQUIRES "${requires}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/tav.pc.in ${PROJECT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${name}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
tav_pkg_config(tavcore "Demosaicing and lens shading correction of raw camera frames" "")
if(TARGET tavffc)
  tav_pkg_config(tavffc "Flat-field correction interface over libtavcore" "tavcore")
endif()
