# Header-only packages of the build machine (CLI11, nlohmann-json), usable by
# every target: a cross build must not search the host's whole include folder,
# so only the package's own header folder is linked into the build tree.
#
# antorder_host_headers(NAME PACKAGE IMPORTED_TARGET HEADER_FOLDER) defines the
# INTERFACE target NAME and sets NAME_FOUND.
function(antorder_host_headers name package importedTarget headerFolder)
  find_package(${package} CONFIG QUIET CMAKE_FIND_ROOT_PATH_BOTH)
  if(NOT ${package}_FOUND)
    set(${name}_FOUND OFF PARENT_SCOPE)
    return()
  endif()
  get_target_property(includeDirs ${importedTarget} INTERFACE_INCLUDE_DIRECTORIES)
  foreach(dir IN LISTS includeDirs)
    if(EXISTS ${dir}/${headerFolder})
      set(headers ${PROJECT_BINARY_DIR}/host-headers/${name})
      file(MAKE_DIRECTORY ${headers})
      file(CREATE_LINK ${dir}/${headerFolder} ${headers}/${headerFolder} SYMBOLIC)
      add_library(${name} INTERFACE)
      target_include_directories(${name} SYSTEM INTERFACE ${headers})
      set(${name}_FOUND ON PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${name}_FOUND OFF PARENT_SCOPE)
endfunction()
