# Read by cpack before it packs (CPACK_PROJECT_CONFIG_FILE): the Depends of
# the shared library's package, from dpkg-shlibdeps on the built library.
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_VAST_SHARED_LIBRARY)
  set(dir "${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/shlibdeps")
  # dpkg-shlibdeps wants to run in a source tree.
  file(MAKE_DIRECTORY "${dir}/debian")
  file(WRITE "${dir}/debian/control" "")
  execute_process(COMMAND dpkg-shlibdeps -O "${CPACK_VAST_SHARED_LIBRARY}"
                  WORKING_DIRECTORY "${dir}"
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0 OR NOT out MATCHES "^shlibs:Depends=(.+)$")
    message(FATAL_ERROR "dpkg-shlibdeps ${CPACK_VAST_SHARED_LIBRARY} failed: ${err}")
  endif()
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
endif()
