# `make package`: CPack makes vastrelmon_<version>_amd64.deb from a Linux
# build and vastrelmon-<version>-win64.zip from the MinGW-w64 build, both
# from the install rules in install.cmake.
set(CPACK_PACKAGE_NAME vastrelmon)
set(CPACK_PACKAGE_VENDOR "the Vastrelmon developers")
set(CPACK_PACKAGE_CONTACT "the Vastrelmon developers <dev@vastrelmon.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert uncompressed Windows BMP pictures into GIF89a files")
set(CPACK_PACKAGE_DESCRIPTION
    "vastrelmon converts one uncompressed Windows BMP picture (1, 4, 8 or 24
bits per pixel, up to 6400 x 4800 pixels) into one GIF89a file. It brings
the picture to the smallest GIF colour table that holds its colours, writes
it interlaced and LZW-compressed, and never overwrites an existing file.

Options turn interlacing off, mark a transparent colour, write an
uncompressed image stream that every GIF decoder still reads, and apply a
colour mode first: greyscale, three toned greyscales, a fixed 3-3-2 palette
or a single colour channel. Its messages are in English and Japanese.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
