# `make uninstall`: removes the files that `make install` put in place, as
# listed in the build's install_manifest.txt, then the folders that
# installation created (listed by it in install_dirs.txt) once they are
# empty. Nothing else is touched. Both lists hold the paths without DESTDIR,
# so an installation into DESTDIR is removed with the same DESTDIR.
#   DESTDIR=<staging folder> cmake -DBUILD_DIR=<build folder> -P cmake/uninstall.cmake
set(manifest "${BUILD_DIR}/install_manifest.txt")
set(dirs_record "${BUILD_DIR}/install_dirs.txt")
if(NOT EXISTS "${manifest}")
  message(FATAL_ERROR "Nothing to uninstall: ${manifest} does not exist (make install writes it).")
endif()

file(STRINGS "${manifest}" installed)
foreach(path IN LISTS installed)
  set(path "$ENV{DESTDIR}${path}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing ${path}")
    file(REMOVE "${path}")
    if(EXISTS "${path}" OR IS_SYMLINK "${path}")
      message(FATAL_ERROR "Could not remove ${path}")
    endif()
  endif()
endforeach()

if(EXISTS "${dirs_record}")
  file(STRINGS "${dirs_record}" dirs)
  # Deepest first, so that a folder is emptied before its parent is tried.
  list(SORT dirs ORDER DESCENDING)
  foreach(dir IN LISTS dirs)
    set(dir "$ENV{DESTDIR}${dir}")
    if(IS_DIRECTORY "${dir}" AND NOT IS_SYMLINK "${dir}")
      file(GLOB left LIST_DIRECTORIES true "${dir}/*" "${dir}/.*")
      if(left)
        message(STATUS "Keeping ${dir}: not empty")
      else()
        message(STATUS "Removing ${dir}/")
        file(REMOVE_RECURSE "${dir}")
      endif()
    endif()
  endforeach()
  file(REMOVE "${dirs_record}")
endif()
file(REMOVE "${manifest}")
