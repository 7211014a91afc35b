# `cmake --install`: the headers under include/ by the paths the code includes them with, the
# libraries, the corvane program, the CMake package Corvane (find_package(Corvane), then link
# Corvane::corvane) and corvane.pc for pkg-config.
include(CMakePackageConfigHelpers)

set(installed_libraries kelvra pinweave corvane)
# A static corvane leaves its kernels archive to its users' link; a shared one holds it inside.
if(NOT BUILD_SHARED_LIBS)
  list(APPEND installed_libraries kernels)
endif()
install(TARGETS ${installed_libraries} EXPORT CorvaneTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS corvane_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY kelvra pinweave corvane DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")

# What kelvra and corvane link privately: users of a static install link it too.
if(BUILD_SHARED_LIBS)
  set(CORVANE_PRIVATE_PACKAGES "")
  set(CORVANE_PRIVATE_PKGCONFIG_MODULES "")
  set(PC_REQUIRES_PRIVATE "")
  set(PC_LIBS_PRIVATE "")
else()
  set(CORVANE_PRIVATE_PACKAGES hwy yaml-cpp OpenCL TBB)
  set(CORVANE_PRIVATE_PKGCONFIG_MODULES cairo pangocairo)
  set(PC_REQUIRES_PRIVATE "libhwy yaml-cpp OpenCL tbb cairo pangocairo")
  set(PC_LIBS_PRIVATE "-lcorvane-kernels -ldl -pthread")
endif()

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Corvane)
install(EXPORT CorvaneTargets NAMESPACE Corvane:: DESTINATION ${package_dir})
configure_package_config_file(cmake/CorvaneConfig.cmake.in CorvaneConfig.cmake
  INSTALL_DESTINATION ${package_dir})
# Until 1.0 a minor version may change the API: 0.2 users take any 0.2.x.
write_basic_package_version_file(CorvaneConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/CorvaneConfig.cmake ${PROJECT_BINARY_DIR}/CorvaneConfigVersion.cmake
  DESTINATION ${package_dir})

# corvane.pc finds the prefix from its own folder, so that an install under any --prefix works.
file(RELATIVE_PATH PC_PREFIX_FROM_PCFILEDIR
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" PC_PREFIX_FROM_PCFILEDIR ${PC_PREFIX_FROM_PCFILEDIR})
configure_file(cmake/corvane.pc.in corvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/corvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
