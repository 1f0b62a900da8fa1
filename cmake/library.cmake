# libvastrelmon for C and C++ programs, from the vast_lib layer and the
# layers below it (not app): the shared libvastrelmon.so.1 and the static
# libvastrelmon.a. The Windows build stays the program alone.
#
# The layers' objects go into both (and, as before, into the program and
# the tests), so they are built position-independent and with hidden
# symbols: only what include/vastrelmon.h marks with
# VASTRELMON_API is visible, and the version script also keeps the C++
# runtime's template instances out of the shared library's exports.
set(vast_library_layers vast_platform vast_console vast_bmp vast_image vast_gif vast_lib)
if(WIN32 OR VASTRELMON_FUZZ)
  return()
endif()

include(GNUInstallDirs)
set(vast_library_objects "")
foreach(layer IN LISTS vast_library_layers)
  set_target_properties(${layer} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  list(APPEND vast_library_objects $<TARGET_OBJECTS:${layer}>)
endforeach()

# Target names differ from the program's; both files are named vastrelmon.
add_library(libvastrelmon SHARED ${vast_library_objects})
set(vast_exports ${CMAKE_CURRENT_LIST_DIR}/libvastrelmon.map)
set_target_properties(libvastrelmon PROPERTIES
  OUTPUT_NAME vastrelmon
  EXPORT_NAME vastrelmon
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  LINK_DEPENDS ${vast_exports})
target_link_libraries(libvastrelmon PRIVATE Threads::Threads)
target_link_options(libvastrelmon PRIVATE -Wl,--version-script=${vast_exports} -Wl,--as-needed)
if(NOT VASTRELMON_SANITIZE AND NOT VASTRELMON_TSAN)
  # Every symbol resolved at link time, not at a user's first call.
  target_link_options(libvastrelmon PRIVATE -Wl,--no-undefined)
endif()
target_include_directories(libvastrelmon INTERFACE
  $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

add_library(libvastrelmon_static STATIC ${vast_library_objects})
set_target_properties(libvastrelmon_static PROPERTIES OUTPUT_NAME vastrelmon)

if(VASTRELMON_TESTS)
  enable_testing()
  add_test(NAME LibraryExportsOnlyItsApi
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/install/check_exports.sh
                   $<TARGET_FILE:libvastrelmon> ${CMAKE_CURRENT_SOURCE_DIR}/include/vastrelmon.h)
endif()
