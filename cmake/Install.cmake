# Install rules, the CMake package, the pkg-config file and the Debian packages.
#
# Layout under the prefix:
#   bin/checkvalve
#   share/man/man1/checkvalve.1.gz  its man page (help2man, from --help)
#   share/bash-completion/completions/checkvalve  its bash completion (`checkvalve bash-completion`)
#   share/doc/<package>/            per Debian package: copyright, changelog.Debian.gz and README.md;
#                                   the program's package also LICENSE and NOTICE
#   share/tarncheckvalve/data/      the pipe outside-diameter data file (xml/) and the sample catalogues
#   share/tarncheckvalve/viewer/    the gallery's pages and the three.js files they import
#   include/tarncheckvalve/<layer>/ the public layers' installed headers, included as <tarncheckvalve/<layer>/X.h>
#   lib/libtarncheckvalve-<layer>.{a,so}
#   lib/cmake/TarnCheckValve/       the CMake package, one targets file per component
#   lib/pkgconfig/                  tarncheckvalve-<layer>.pc per layer; tarncheckvalve.pc the host
#                                   interfaces and the symbol library
#   lib/python3/dist-packages/      the Python package tarncheckvalve/ (extension, type stub, Dask runner;
#                                   Python's platform site folder, TCV_PYTHON_INSTALL_DIR), when it is built
include(CMakePackageConfigHelpers)

set(TCV_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/tarncheckvalve)
set(TCV_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/TarnCheckValve)

# Components: "runtime" is the program with what it reads at run time, "development" what an integrator
# builds against. Shared libraries go with the program, which needs them.
get_property(tcv_layers DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY TCV_LAYER_TARGETS)
get_property(tcv_layer_includes DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY TCV_LAYER_INCLUDE_DIRS)

# The package's components (find_package(TarnCheckValve COMPONENTS ...)), each one export set of its
# layers: host (the contract the symbol implements), symbol (the symbol with its internal layers), refhost
# (evaluating a part), kernel (the Open CASCADE kernel), catalog (catalogues and reports), exports (files).
# cmake/TarnCheckValveConfig.cmake.in names what each builds on and which packages it needs.
set(tcv_package_components host symbol refhost kernel catalog exports)
set(tcv_component_host tcv_host)
set(tcv_component_refhost tcv_refhost)
set(tcv_component_kernel tcv_kernel)
set(tcv_component_catalog tcv_catalog)
set(tcv_component_exports tcv_exports)
# Every other layer is one of the symbol's internal layers.
set(tcv_component_symbol ${tcv_layers})
list(REMOVE_ITEM tcv_component_symbol tcv_host tcv_refhost tcv_kernel tcv_catalog tcv_exports)

install(TARGETS checkvalve RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
foreach(component IN LISTS tcv_package_components)
  install(TARGETS ${tcv_component_${component}} EXPORT TarnCheckValve-${component}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  install(EXPORT TarnCheckValve-${component} NAMESPACE TarnCheckValve:: DESTINATION ${TCV_INSTALL_CMAKEDIR}
    FILE TarnCheckValve-${component}-targets.cmake COMPONENT development)
endforeach()
# In a shared build the program finds its libraries in ../lib, and each library the layers below it
# beside it, wherever the prefix is.
set_target_properties(checkvalve PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
set_target_properties(${tcv_layers} PROPERTIES INSTALL_RPATH "$ORIGIN")

# The program's man page and bash completion script, made by the built program at build time so that
# neither can fall behind its command line: the man page by help2man from `checkvalve --help` and
# --version with the sections of cmake/debian/checkvalve.h2m, the completion script by the hidden
# `checkvalve bash-completion`, which walks the program's own commands and options.
option(TCV_REQUIRE_MAN_PAGE "Fail the configuration when help2man is missing (package builds)" OFF)
find_program(TCV_HELP2MAN help2man)
find_program(TCV_GZIP gzip REQUIRED)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/share)
# A program built with the sanitizers reports the geometry kernel's one-time allocations at exit, which
# are no fault of these steps.
set(tcv_run_program ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0)
set(tcv_completion ${PROJECT_BINARY_DIR}/share/checkvalve.bash)
add_custom_command(OUTPUT ${tcv_completion}
  COMMAND ${tcv_run_program} ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:checkvalve> -DARGUMENTS=bash-completion -DOUTPUT=${tcv_completion}
    -P ${PROJECT_SOURCE_DIR}/cmake/RunToFile.cmake
  DEPENDS checkvalve ${PROJECT_SOURCE_DIR}/cmake/RunToFile.cmake
  COMMENT "Writing the bash completion of checkvalve" VERBATIM)
set(tcv_program_files ${tcv_completion})
install(FILES ${tcv_completion} RENAME checkvalve DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  COMPONENT runtime)
if(TCV_HELP2MAN)
  set(tcv_man_page ${PROJECT_BINARY_DIR}/share/checkvalve.1)
  add_custom_command(OUTPUT ${tcv_man_page}.gz
    COMMAND ${tcv_run_program} ${TCV_HELP2MAN} --no-info --section=1 --name "check valve graphics on the reference host"
      --include ${PROJECT_SOURCE_DIR}/cmake/debian/checkvalve.h2m --output ${tcv_man_page} $<TARGET_FILE:checkvalve>
    # Debian's man pages are compressed, with no file name or time stamp in the archive.
    COMMAND ${TCV_GZIP} -9nf ${tcv_man_page}
    DEPENDS checkvalve ${PROJECT_SOURCE_DIR}/cmake/debian/checkvalve.h2m
    COMMENT "Writing the man page of checkvalve" VERBATIM)
  list(APPEND tcv_program_files ${tcv_man_page}.gz)
  install(FILES ${tcv_man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
  set(CPACK_TCV_MAN_PAGE ON)
elseif(TCV_REQUIRE_MAN_PAGE)
  message(FATAL_ERROR "help2man is missing, and the man page is required (TCV_REQUIRE_MAN_PAGE): "
    "apt-get install help2man (scripts/install-deps.sh installs it)")
else()
  message(WARNING "help2man is missing: checkvalve's man page is not built, and cpack refuses to make the "
    "Debian packages without it. apt-get install help2man (scripts/install-deps.sh installs it)")
  set(CPACK_TCV_MAN_PAGE OFF)
endif()
add_custom_target(tcv_program_files ALL DEPENDS ${tcv_program_files})

# The installed headers: the whole host contract and the facades of the public layers, each header with
# the headers it includes (the consumer test compiles every one on its own). The internal layers' headers,
# and the public layers' headers that only the program, the Python module and the tests use, stay in the
# source tree.
set(tcv_installed_headers
  contract/Contract.h symbol/CCheckValve.h
  refhost/Evaluator.h refhost/OutputCollection.h refhost/Parts.h refhost/RefRuntime.h refhost/Shape.h
  refhost/WorkBudget.h
  kernel/Kernel.h
  catalog/Catalog.h catalog/CatalogDocument.h catalog/PartReport.h catalog/Report.h
  exports/Export.h exports/IsolatedMesh.h exports/MeshCache.h)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/host/include/tarncheckvalve/host ${PROJECT_BINARY_DIR}/include/tarncheckvalve/host
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarncheckvalve COMPONENT development FILES_MATCHING PATTERN "*.h")
foreach(header IN LISTS tcv_installed_headers)
  set(found "")
  foreach(root IN LISTS tcv_layer_includes)
    if(EXISTS ${root}tarncheckvalve/${header})
      set(found ${root}tarncheckvalve/${header})
    endif()
  endforeach()
  if(NOT found)
    message(FATAL_ERROR "cmake/Install.cmake installs ${header}, which no layer has")
  endif()
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${found} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarncheckvalve/${folder} COMPONENT development)
endforeach()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY TCV_INSTALLED_HEADERS ${tcv_installed_headers})

install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${TCV_INSTALL_DATADIR}/data COMPONENT runtime)
# The pages (src/exports/ViewerAssets.cpp copies each of them into a gallery).
set(tcv_viewer_pages index.html part.html configure.html)
list(TRANSFORM tcv_viewer_pages PREPEND ${PROJECT_SOURCE_DIR}/viewer/)
install(FILES ${tcv_viewer_pages}
  DESTINATION ${TCV_INSTALL_DATADIR}/viewer COMPONENT runtime)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/viewer/app/ DESTINATION ${TCV_INSTALL_DATADIR}/viewer/app COMPONENT runtime)
# The three.js files the pages import (src/exports/ViewerAssets.cpp lists them), from `npm ci --prefix viewer`.
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
  install(TARGETS tcv_python LIBRARY DESTINATION ${TCV_PYTHON_INSTALL_DIR}/tarncheckvalve COMPONENT python)
  install(FILES ${PROJECT_SOURCE_DIR}/src/python/package/__init__.py
    ${PROJECT_SOURCE_DIR}/src/python/package/distributed.py DESTINATION ${TCV_PYTHON_INSTALL_DIR}/tarncheckvalve
    COMPONENT python)
  install(FILES ${PROJECT_SOURCE_DIR}/src/python/tarncheckvalve.pyi DESTINATION ${TCV_PYTHON_INSTALL_DIR}/tarncheckvalve
    RENAME __init__.pyi COMPONENT python)
  install(FILES ${PROJECT_BINARY_DIR}/python/tarncheckvalve/py.typed
    DESTINATION ${TCV_PYTHON_INSTALL_DIR}/tarncheckvalve COMPONENT python)
endif()

# Static archives need what their layers link privately (pugixml, libzip, Open CASCADE, Threads) at link time;
# shared libraries do not.
if(BUILD_SHARED_LIBS)
  set(TCV_STATIC_LIBRARIES OFF)
else()
  set(TCV_STATIC_LIBRARIES ON)
endif()
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TarnCheckValveConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TarnCheckValveConfig.cmake INSTALL_DESTINATION ${TCV_INSTALL_CMAKEDIR}
  PATH_VARS TCV_INSTALL_DATADIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TarnCheckValveConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TarnCheckValveConfig.cmake ${PROJECT_BINARY_DIR}/TarnCheckValveConfigVersion.cmake
  DESTINATION ${TCV_INSTALL_CMAKEDIR} COMPONENT development)

# pkg-config: tarncheckvalve-<layer>.pc for every layer, each requiring the files of the layers it links
# (so that `pkg-config --static --libs` lists every archive in link order), and tarncheckvalve.pc, the
# host interfaces with the symbol library. What a layer links publicly is in Requires and Libs, what it
# links privately (only a static archive's user needs it) in Requires.private and Libs.private. The
# files find the prefix from where they lie, so that a copied prefix and the Debian packages work.
file(RELATIVE_PATH tcv_pc_up /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" tcv_pc_up "${tcv_pc_up}")
set(TCV_PC_PREFIX "\${pcfiledir}/${tcv_pc_up}")
set(TCV_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
set(TCV_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
# The data folder a host hands the symbol (the pipe outside-diameter data file, the sample catalogues):
# `pkg-config --variable=pkgdatadir tarncheckvalve`, as TarnCheckValve_DATA_DIR is for CMake.
set(TCV_PC_PKGDATADIR "\${prefix}/${TCV_INSTALL_DATADIR}/data")
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}" OR IS_ABSOLUTE "${TCV_INSTALL_DATADIR}")
  set(TCV_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(TCV_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(TCV_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
  set(TCV_PC_PKGDATADIR "${CMAKE_INSTALL_FULL_DATADIR}/tarncheckvalve/data")
endif()
set(tcv_pc_description_host "host interfaces and value types")
set(tcv_pc_description_base "the symbol's error report, input reading and text helpers")
set(tcv_pc_description_geometry "the symbol's placement routines and checked math")
set(tcv_pc_description_ports "port data, nozzles and the pipe outside-diameter data file")
set(tcv_pc_description_shapes "the constructions both aspects of the symbol draw")
set(tcv_pc_description_contract "the symbol's contract: its inputs, outputs and aspects")
set(tcv_pc_description_variants "the symbol's body families, their registry and the aspect driver")
set(tcv_pc_description_symbol "the check valve symbol, created by ProgID (no geometry kernel)")
set(tcv_pc_description_refhost "the reference host's objects, record-only without a geometry kernel")
set(tcv_pc_description_kernel "the reference host's geometry kernel on Open CASCADE")
set(tcv_pc_description_catalog "the JSON and CSV parts catalogue and the report of an evaluated part")
set(tcv_pc_description_exports "STEP, GLB, STL and IFC exports of evaluated parts")
set(tcv_pc_files "")
foreach(target IN LISTS tcv_layers)
  string(REGEX REPLACE "^tcv_" "" layer ${target})
  set(TCV_PC_LAYER ${layer})
  set(TCV_PC_DESCRIPTION "TarnCheckValve ${layer} layer")
  if(DEFINED tcv_pc_description_${layer})
    set(TCV_PC_DESCRIPTION "TarnCheckValve: ${tcv_pc_description_${layer}}")
  endif()
  # The symbol's internal layers install no headers: their files are there for linking.
  if(target IN_LIST tcv_component_symbol AND NOT target MATCHES "^tcv_(symbol|contract)$")
    string(APPEND TCV_PC_DESCRIPTION " (internal: linked through tarncheckvalve-symbol)")
  endif()
  set(requires "")
  set(requires_private "")
  set(TCV_PC_CFLAGS "")
  set(TCV_PC_LIBS "")
  set(TCV_PC_LIBS_PRIVATE "")
  if(layer STREQUAL "host")
    string(APPEND TCV_PC_CFLAGS " -std=c++20")
  endif()
  get_target_property(linked ${target} LINK_LIBRARIES)
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  foreach(dependency IN LISTS linked)
    if(dependency MATCHES "^\\$<BUILD_INTERFACE:")
      continue() # the project's own compile settings
    endif()
    set(scope "")
    if(NOT dependency IN_LIST interface)
      set(scope "_private")
    endif()
    if(dependency MATCHES "^tcv_(.*)$")
      list(APPEND requires${scope} "tarncheckvalve-${CMAKE_MATCH_1} = ${PROJECT_VERSION}")
    elseif(dependency STREQUAL "pugixml::pugixml")
      list(APPEND requires${scope} pugixml)
    elseif(dependency STREQUAL "nlohmann_json::nlohmann_json")
      list(APPEND requires${scope} nlohmann_json)
    elseif(dependency STREQUAL "zip")
      list(APPEND requires${scope} libzip)
    elseif(dependency STREQUAL "csv")
      # libcsv ships no pkg-config file either: by name.
      if(scope)
        string(APPEND TCV_PC_LIBS_PRIVATE " -lcsv")
      else()
        string(APPEND TCV_PC_LIBS " -lcsv")
      endif()
    elseif(dependency STREQUAL "Threads::Threads")
      if(CMAKE_THREAD_LIBS_INIT)
        if(scope)
          string(APPEND TCV_PC_LIBS_PRIVATE " ${CMAKE_THREAD_LIBS_INIT}")
        else()
          string(APPEND TCV_PC_LIBS " ${CMAKE_THREAD_LIBS_INIT}")
        endif()
      endif()
    elseif(dependency MATCHES "^TK")
      # Open CASCADE ships no pkg-config files: its libraries by name, its headers as system headers.
      if(scope)
        if(NOT TCV_PC_LIBS_PRIVATE MATCHES "-L")
          string(APPEND TCV_PC_LIBS_PRIVATE " -L${OpenCASCADE_LIBRARY_DIR}")
        endif()
        string(APPEND TCV_PC_LIBS_PRIVATE " -l${dependency}")
      else()
        string(APPEND TCV_PC_LIBS " -l${dependency}")
        if(NOT TCV_PC_CFLAGS MATCHES "opencascade")
          string(APPEND TCV_PC_CFLAGS " -isystem ${OpenCASCADE_INCLUDE_DIR}")
          string(PREPEND TCV_PC_LIBS " -L${OpenCASCADE_LIBRARY_DIR}")
        endif()
      endif()
    else()
      message(FATAL_ERROR "${target} links ${dependency}, which has no pkg-config entry in cmake/Install.cmake")
    endif()
  endforeach()
  list(JOIN requires ", " TCV_PC_REQUIRES)
  list(JOIN requires_private ", " TCV_PC_REQUIRES_PRIVATE)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/tarncheckvalve-layer.pc.in
    ${PROJECT_BINARY_DIR}/pkgconfig/tarncheckvalve-${layer}.pc @ONLY)
  list(APPEND tcv_pc_files ${PROJECT_BINARY_DIR}/pkgconfig/tarncheckvalve-${layer}.pc)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/tarncheckvalve.pc.in ${PROJECT_BINARY_DIR}/pkgconfig/tarncheckvalve.pc @ONLY)
# The files of this configuration by name: a build folder may still hold those of layers since renamed.
install(FILES ${tcv_pc_files} ${PROJECT_BINARY_DIR}/pkgconfig/tarncheckvalve.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

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
  "libpugixml-dev, libcsv-dev, libzip-dev, nlohmann-json3-dev, libocct-foundation-dev, libocct-modeling-data-dev, libocct-modeling-algorithms-dev, libocct-ocaf-dev, libocct-data-exchange-dev, libocct-visualization-dev")
if(BUILD_SHARED_LIBS)
  string(APPEND CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS ", tarncheckvalve (= ${PROJECT_VERSION})")
endif()
if(TARGET tcv_python)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-tarncheckvalve)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Check valve graphics symbol: Python module
 The tarncheckvalve module: evaluates check valve parts into reports, STEP, glTF, STL and IFC files and
 Open CASCADE BRep shapes (for FreeCAD and other programs on Open CASCADE); tarncheckvalve.distributed
 renders, validates and compares catalogues on a Dask cluster (python3-distributed).")
  # The module's ABI is the interpreter's minor version; the sample catalogue and pipe data come with the
  # program's package.
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "${TCV_PYTHON_DEB_DEPENDS}, tarncheckvalve (= ${PROJECT_VERSION})")
  # Only tarncheckvalve.distributed needs Dask.
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-distributed")
endif()

# Every package's documentation folder, share/doc/<package>/: the machine-readable copyright file,
# changelog.Debian.gz and the README; the program's package also the license's full text and NOTICE.
set(tcv_deb_packages runtime ${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} development ${CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME})
if(TARGET tcv_python)
  list(APPEND tcv_deb_packages python ${CPACK_DEBIAN_PYTHON_PACKAGE_NAME})
endif()
# The changelog's date: now, or SOURCE_DATE_EPOCH when it is set.
string(TIMESTAMP TCV_DEB_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(tcv_changelogs "")
while(tcv_deb_packages)
  list(POP_FRONT tcv_deb_packages component TCV_DEB_PACKAGE)
  set(changelog ${PROJECT_BINARY_DIR}/share/doc/${TCV_DEB_PACKAGE}/changelog.Debian)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${changelog} @ONLY)
  add_custom_command(OUTPUT ${changelog}.gz COMMAND ${TCV_GZIP} -9nkf ${changelog}
    DEPENDS ${changelog} COMMENT "Compressing the changelog of ${TCV_DEB_PACKAGE}" VERBATIM)
  list(APPEND tcv_changelogs ${changelog}.gz)
  set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/${TCV_DEB_PACKAGE})
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${changelog}.gz ${PROJECT_SOURCE_DIR}/README.md
    DESTINATION ${doc} COMPONENT ${component})
  if(component STREQUAL "runtime")
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/NOTICE DESTINATION ${doc} COMPONENT runtime)
  endif()
endwhile()
add_custom_target(tcv_changelogs ALL DEPENDS ${tcv_changelogs})

# Read by cpack: it refuses to make the Debian packages without the man page.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackChecks.cmake)
include(CPack)
