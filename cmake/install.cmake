# Installation, in the GNU layout under CMAKE_INSTALL_PREFIX, in three
# components, one Debian package each (package.cmake):
#   program (vastrelmon):
#     bin/vastrelmon
#     share/man/man1/vastrelmon.1.gz, share/man/ja/man1/vastrelmon.1.gz
#     share/doc/vastrelmon/README.md, copyright and changelog.gz
#   runtime (libvastrelmon1):
#     lib/libvastrelmon.so.1.0.0 and its link libvastrelmon.so.1
#   development (libvastrelmon-dev):
#     include/vastrelmon.h, lib/libvastrelmon.so, lib/libvastrelmon.a,
#     lib/pkgconfig/vastrelmon.pc, lib/cmake/vastrelmon/ (find_package),
#     share/man/man3/vastrelmon.3.gz
# (lib/ is lib/<multiarch triplet>/ where GNUInstallDirs says so, as for the
# prefix /usr of the packages). The two library packages each carry their
# own share/doc/<package>/ with copyright and changelog.gz; `make install`
# leaves those out, the program's folder having the same.
# A Windows build installs vastrelmon.exe, README.md and LICENSE.txt side by
# side instead, with the notices of the MinGW-w64 runtime linked into the
# program under notices/: the contents of its zip.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  install(TARGETS vastrelmon RUNTIME DESTINATION .)
  install(FILES README.md DESTINATION .)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  # vastrelmon.exe carries libstdc++ and libgcc (GCC's runtime library
  # exception), and the MinGW-w64 C runtime and winpthreads, whose licences
  # ask for their notices beside the binary. Debian's copyright files of the
  # cross-compiler's packages hold all of them.
  foreach(notice "gcc-runtime.txt=/usr/share/doc/gcc-mingw-w64-base/copyright"
                 "mingw-w64-runtime.txt=/usr/share/doc/mingw-w64-x86-64-dev/copyright")
    string(REPLACE "=" ";" notice "${notice}")
    list(GET notice 0 name)
    list(GET notice 1 source)
    if(NOT EXISTS "${source}")
      message(FATAL_ERROR "${source} is missing: the zip needs its notice (apt-get install g++-mingw-w64-x86-64)")
    endif()
    install(FILES "${source}" DESTINATION notices RENAME ${name})
  endforeach()
else()
  set(vast_install_dirs
      ${CMAKE_INSTALL_BINDIR}
      ${CMAKE_INSTALL_MANDIR}/man1
      ${CMAKE_INSTALL_MANDIR}/ja/man1
      ${CMAKE_INSTALL_MANDIR}/man3
      ${CMAKE_INSTALL_DOCDIR}
      ${CMAKE_INSTALL_INCLUDEDIR}
      ${CMAKE_INSTALL_LIBDIR}/pkgconfig
      ${CMAKE_INSTALL_LIBDIR}/cmake/vastrelmon)
  # `make install` names a file in VASTRELMON_INSTALL_DIRS; the folders this
  # installation creates are added to it, so that `make uninstall` removes
  # them again, and only them. Like install_manifest.txt, it holds the
  # paths without DESTDIR.
  install(CODE "set(vast_install_dirs \"${vast_install_dirs}\")")
  install(CODE [[
    if(DEFINED ENV{VASTRELMON_INSTALL_DIRS})
      set(created "")
      if(EXISTS "$ENV{VASTRELMON_INSTALL_DIRS}")
        file(STRINGS "$ENV{VASTRELMON_INSTALL_DIRS}" created)
      endif()
      foreach(dir IN LISTS vast_install_dirs)
        set(path "${CMAKE_INSTALL_PREFIX}/${dir}")
        while(NOT EXISTS "$ENV{DESTDIR}${path}" AND NOT path STREQUAL "/")
          list(APPEND created "${path}")
          get_filename_component(path "${path}" DIRECTORY)
        endwhile()
      endforeach()
      list(REMOVE_DUPLICATES created)
      list(JOIN created "\n" text)
      file(WRITE "$ENV{VASTRELMON_INSTALL_DIRS}" "${text}\n")
    endif()
  ]])

  install(TARGETS vastrelmon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)

  # The manual pages and the changelog are installed compressed with
  # gzip -9n (no name, no time stamp), as Debian policy asks.
  find_program(GZIP_PROGRAM gzip REQUIRED)
  set(vast_compressed "")
  foreach(file man/vastrelmon.1 man/ja/vastrelmon.1 man/vastrelmon.3 changelog)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/compressed/${file})
    add_custom_command(OUTPUT ${out}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/${file} ${out}
      COMMAND ${GZIP_PROGRAM} -9nf ${out}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${file}
      COMMENT "Compressing ${file}"
      VERBATIM)
    list(APPEND vast_compressed ${out}.gz)
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${vast_compressed})
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/compressed)
  install(FILES ${compressed}/man/vastrelmon.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
  install(FILES ${compressed}/man/ja/vastrelmon.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1
          COMPONENT program)
  install(FILES README.md copyright ${compressed}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
          COMPONENT program)

  # The library (none in a fuzz build). Debian wants shared libraries
  # without the execute bit.
  if(TARGET libvastrelmon)
    set(vast_runtime_package libvastrelmon${PROJECT_VERSION_MAJOR})
    set(vast_dev_package libvastrelmon-dev)
    set(vast_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/vastrelmon)
    install(TARGETS libvastrelmon EXPORT vastrelmonTargets
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
              PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
              COMPONENT runtime NAMELINK_COMPONENT development)
    install(TARGETS libvastrelmon_static ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
    # Packages are built with -g; a stripped installation (CPack's) strips
    # the archive too, as Debian does: no debugging data, no compiler notes.
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug --remove-section=.comment
          --enable-deterministic-archives
          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/libvastrelmon.a\")
      endif()" COMPONENT development)
    install(FILES include/vastrelmon.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
    install(FILES ${compressed}/man/vastrelmon.3.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT development)

    # vastrelmon.pc names the prefix given at installation (make install
    # PREFIX=..., /usr for the packages), not the one configured.
    install(CODE "
      set(PROJECT_VERSION \"${PROJECT_VERSION}\")
      set(VAST_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
      set(VAST_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
      configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/cmake/vastrelmon.pc.in\"
                     \"${CMAKE_CURRENT_BINARY_DIR}/vastrelmon.pc\" @ONLY)" COMPONENT development)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vastrelmon.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
            COMPONENT development)

    # find_package(vastrelmon): vastrelmon::vastrelmon. The targets file finds
    # the prefix from its own place, so a DESTDIR or moved tree works too.
    include(CMakePackageConfigHelpers)
    write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vastrelmonConfigVersion.cmake
      VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
    install(EXPORT vastrelmonTargets NAMESPACE vastrelmon:: DESTINATION ${vast_cmake_dir} COMPONENT development)
    install(FILES cmake/vastrelmonConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/vastrelmonConfigVersion.cmake
            DESTINATION ${vast_cmake_dir} COMPONENT development)

    # Every Debian package has its copyright and changelog; only the packages
    # install these two copies.
    install(FILES copyright ${compressed}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${vast_runtime_package}
            COMPONENT runtime EXCLUDE_FROM_ALL)
    install(FILES copyright ${compressed}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${vast_dev_package}
            COMPONENT development EXCLUDE_FROM_ALL)
  endif()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)
