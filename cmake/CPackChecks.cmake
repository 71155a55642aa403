# Read by cpack before it makes each kind of package (CPACK_PROJECT_CONFIG_FILE): the Debian packages
# carry the program's man page, which the build makes only where help2man was found.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_TCV_MAN_PAGE)
  message(FATAL_ERROR "The Debian packages need checkvalve's man page, which this build did not make: "
    "apt-get install help2man (scripts/install-deps.sh installs it), then configure and build again")
endif()
