# Install rules, the CMake package, the pkg-config file and the Debian packages.
#
# Layout under the prefix:
#   bin/checkvalve
#   share/tarncheckvalve/data/      the pipe outside-diameter data file (xml/) and the sample catalogues
#   share/tarncheckvalve/viewer/    the gallery's pages and the three.js files they import
#   include/tarncheckvalve/<layer>/ public headers, included as "<layer>/X.h"
#   lib/libtarncheckvalve-<layer>.{a,so}
#   lib/cmake/TarnCheckValve/       the CMake package
#   lib/pkgconfig/tarncheckvalve.pc the host interfaces and the symbol library
#   lib/python3/dist-packages/      the Python module and its type stub (Python's platform site folder,
#                                   TCV_PYTHON_INSTALL_DIR), when it is built
include(CMakePackageConfigHelpers)

set(TCV_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/tarncheckvalve)
set(TCV_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/TarnCheckValve)

# Components: "runtime" is the program with what it reads at run time, "development" what an integrator
# builds against. Shared libraries go with the program, which needs them.
get_property(tcv_layers DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY TCV_LAYER_TARGETS)
get_property(tcv_layer_includes DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY TCV_LAYER_INCLUDE_DIRS)

install(TARGETS checkvalve RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(TARGETS ${tcv_layers} EXPORT TarnCheckValveTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
# In a shared build the program finds its libraries in ../lib, and each library the layers below it
# beside it, wherever the prefix is.
set_target_properties(checkvalve PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
set_target_properties(${tcv_layers} PROPERTIES INSTALL_RPATH "$ORIGIN")

install(DIRECTORY ${tcv_layer_includes} ${PROJECT_BINARY_DIR}/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarncheckvalve COMPONENT development FILES_MATCHING PATTERN "*.h")

install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${TCV_INSTALL_DATADIR}/data COMPONENT runtime)
# The pages (src/cli/ViewerAssets.cpp copies each of them into a gallery).
set(tcv_viewer_pages index.html part.html configure.html)
list(TRANSFORM tcv_viewer_pages PREPEND ${PROJECT_SOURCE_DIR}/viewer/)
install(FILES ${tcv_viewer_pages}
  DESTINATION ${TCV_INSTALL_DATADIR}/viewer COMPONENT runtime)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/viewer/app/ DESTINATION ${TCV_INSTALL_DATADIR}/viewer/app COMPONENT runtime)
# The three.js files the pages import (src/cli/ViewerAssets.cpp lists them), from `npm ci --prefix viewer`.
# Without them the installed gallery holds its data and pages and says how to add the models' viewer.
set(tcv_three ${PROJECT_SOURCE_DIR}/viewer/node_modules/three)
foreach(file build/three.module.js build/three.core.js examples/jsm/controls/OrbitControls.js
    examples/jsm/loaders/GLTFLoader.js examples/jsm/utils/BufferGeometryUtils.js
    examples/jsm/utils/SkeletonUtils.js LICENSE)
  get_filename_component(folder ${file} DIRECTORY)
  install(FILES ${tcv_three}/${file} DESTINATION ${TCV_INSTALL_DATADIR}/viewer/node_modules/three/${folder}
    COMPONENT runtime OPTIONAL)
endforeach()

# The Python module: component "python". It reads the data of the runtime component.
if(TARGET tcv_python)
  install(TARGETS tcv_python LIBRARY DESTINATION ${TCV_PYTHON_INSTALL_DIR} COMPONENT python)
  install(FILES ${PROJECT_SOURCE_DIR}/src/python/tarncheckvalve.pyi DESTINATION ${TCV_PYTHON_INSTALL_DIR}
    COMPONENT python)
endif()

install(EXPORT TarnCheckValveTargets NAMESPACE TarnCheckValve:: DESTINATION ${TCV_INSTALL_CMAKEDIR}
  COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TarnCheckValveConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TarnCheckValveConfig.cmake INSTALL_DESTINATION ${TCV_INSTALL_CMAKEDIR}
  PATH_VARS TCV_INSTALL_DATADIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TarnCheckValveConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TarnCheckValveConfig.cmake ${PROJECT_BINARY_DIR}/TarnCheckValveConfigVersion.cmake
  DESTINATION ${TCV_INSTALL_CMAKEDIR} COMPONENT development)

# pkg-config: the host interfaces and the symbol library, which need no geometry kernel.
set(TCV_PC_LIBS "")
foreach(layer symbol insulation physical shapes ports geometry base host)
  string(APPEND TCV_PC_LIBS " -ltarncheckvalve-${layer}")
endforeach()
if(BUILD_SHARED_LIBS)
  set(TCV_PC_PRIVATE_LIBS "-lpugixml")
else()
  string(APPEND TCV_PC_LIBS " -lpugixml")
  set(TCV_PC_PRIVATE_LIBS "")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/tarncheckvalve.pc.in ${PROJECT_BINARY_DIR}/tarncheckvalve.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tarncheckvalve.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)

# Debian packages: `cpack -G DEB` in the build tree writes tarncheckvalve_<version>_<arch>.deb (the
# program, its data and viewer, and any shared libraries), libtarncheckvalve-dev (headers, libraries,
# CMake package) and, with the Python module, python3-tarncheckvalve. Dependencies on Debian's runtime packages come from dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME tarncheckvalve)
set(CPACK_PACKAGE_VENDOR "TarnCheckValve developers")
set(CPACK_PACKAGE_CONTACT "TarnCheckValve developers <tarncheckvalve@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Parametric check valve graphics symbol and its reference host")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME tarncheckvalve)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "Check valve graphics symbol: the checkvalve program
 Evaluates check valve parts from JSON catalogues and exports STEP, glTF and STL; renders a gallery
 with its browser viewer.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtarncheckvalve-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "Check valve graphics symbol: development files
 Headers, libraries and the CMake package (find_package(TarnCheckValve)) of the symbol, its host
 interfaces and the reference host.")
# The development files need the headers and libraries of what they link.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "libpugixml-dev, libcsv-dev, nlohmann-json3-dev, libocct-foundation-dev, libocct-modeling-data-dev, libocct-modeling-algorithms-dev, libocct-ocaf-dev, libocct-data-exchange-dev, libocct-visualization-dev")
if(BUILD_SHARED_LIBS)
  string(APPEND CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS ", tarncheckvalve (= ${PROJECT_VERSION})")
endif()
if(TARGET tcv_python)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-tarncheckvalve)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Check valve graphics symbol: Python module
 The tarncheckvalve module: evaluates check valve parts into reports, STEP, glTF, STL and IFC files and
 Open CASCADE BRep shapes (for FreeCAD and other programs on Open CASCADE).")
  # The module's ABI is the interpreter's minor version; the sample catalogue and pipe data come with the
  # program's package.
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "${TCV_PYTHON_DEB_DEPENDS}, tarncheckvalve (= ${PROJECT_VERSION})")
endif()
include(CPack)
