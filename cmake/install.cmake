# Installation, in the GNU layout under CMAKE_INSTALL_PREFIX:
#   bin/vastrelmon
#   share/man/man1/vastrelmon.1.gz, share/man/ja/man1/vastrelmon.1.gz
#   share/doc/vastrelmon/README.md, copyright and changelog.gz
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
      ${CMAKE_INSTALL_DOCDIR})
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

  install(TARGETS vastrelmon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # The manual pages and the changelog are installed compressed with
  # gzip -9n (no name, no time stamp), as Debian policy asks.
  find_program(GZIP_PROGRAM gzip REQUIRED)
  set(vast_compressed "")
  foreach(file man/vastrelmon.1 man/ja/vastrelmon.1 changelog)
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
  install(FILES ${compressed}/man/vastrelmon.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${compressed}/man/ja/vastrelmon.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)
  install(FILES README.md copyright ${compressed}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)
