# `make package`: CPack makes, from a Linux build, one Debian package per
# install component of install.cmake:
#   vastrelmon_<version>_amd64.deb         the program (component program)
#   libvastrelmon1_<version>_amd64.deb     the shared library (runtime)
#   libvastrelmon-dev_<version>_amd64.deb  header, links, .a, .pc, CMake files (development)
# and vastrelmon-<version>-win64.zip from the MinGW-w64 build.
set(CPACK_PACKAGE_NAME vastrelmon)
set(CPACK_PACKAGE_VENDOR "the Vastrelmon developers")
set(CPACK_PACKAGE_CONTACT "the Vastrelmon developers <dev@vastrelmon.invalid>")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL program)
  # The packages install into /usr; with DESTDIR, the installation sees that
  # prefix, which vastrelmon.pc records.
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_SET_DESTDIR ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SOURCE vastrelmon)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

  set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME vastrelmon)
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_SHLIBDEPS ON)
  # The first line is the synopsis.
  set(CPACK_DEBIAN_PROGRAM_DESCRIPTION
      "convert uncompressed Windows BMP pictures into GIF89a files
vastrelmon converts one uncompressed Windows BMP picture (1, 4, 8 or 24
bits per pixel, up to 6400 x 4800 pixels) into one GIF89a file. It brings
the picture to the smallest GIF colour table that holds its colours, writes
it interlaced and LZW-compressed, and never overwrites an existing file.

Options turn interlacing off, mark a transparent colour, write an
uncompressed image stream that every GIF decoder still reads, and apply a
colour mode first: greyscale, three toned greyscales, a fixed 3-3-2 palette
or a single colour channel. Its messages are in English and Japanese.")

  if(TARGET libvastrelmon)
    list(APPEND CPACK_COMPONENTS_ALL runtime development)
    set(vast_library_text
        "libvastrelmon converts uncompressed Windows BMP pictures (1, 4, 8 or 24
bits per pixel), or pixels in memory, into GIF89a files or memory, with
the smallest colour table that holds their colours, byte for byte as the
vastrelmon program does, from C and C++. It keeps no global state and
prints nothing, so threads may convert pictures side by side.")

    set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${vast_runtime_package})
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
    set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
        "library converting BMP pictures into GIF89a files
${vast_library_text}

This package holds the shared library.")
    # CPack's own dpkg-shlibdeps run would also give this package maintainer
    # scripts that call ldconfig, which Debian has replaced by the trigger
    # below: package_config.cmake computes its Depends instead.
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS OFF)
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_config.cmake)
    set(CPACK_VAST_SHARED_LIBRARY ${CMAKE_CURRENT_BINARY_DIR}/libvastrelmon.so.${PROJECT_VERSION})
    # The symbols file keeps, for each function, the version that brought it.
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
        ${CMAKE_CURRENT_LIST_DIR}/deb/symbols ${CMAKE_CURRENT_LIST_DIR}/deb/shlibs
        ${CMAKE_CURRENT_LIST_DIR}/deb/triggers)

    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${vast_dev_package})
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SHLIBDEPS OFF)
    set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${vast_runtime_package} (= ${PROJECT_VERSION})")
    set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
        "library converting BMP pictures into GIF89a files - development files
${vast_library_text}

This package holds the header, the static library, the pkg-config and
CMake files, and the manual page.")
  endif()
endif()

include(CPack)
