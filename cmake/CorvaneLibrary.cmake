# corvane_library(TARGET): what each of the libraries kelvra, pinweave and corvane shares. Its
# headers are included by their path from the repository root, which is include/ once installed;
# its users compile as C++20; a shared build gets a soname of major and minor version (0.x
# releases change the ABI with the minor version), finds its sibling libraries in its own folder
# once installed, and exports only what CorvaneExports.map names.
set(CORVANE_EXPORTS_MAP ${CMAKE_CURRENT_LIST_DIR}/CorvaneExports.map)

function(corvane_library target)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_compile_features(${target} PUBLIC cxx_std_20)
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}
    INSTALL_RPATH $ORIGIN)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL SHARED_LIBRARY)
    target_link_options(${target} PRIVATE -Wl,--version-script=${CORVANE_EXPORTS_MAP})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${CORVANE_EXPORTS_MAP})
  endif()
endfunction()
