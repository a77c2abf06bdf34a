# pugixml, for the XML readers. A native build links the build machine's
# library (Debian: libpugixml-dev); a cross build, which cannot, compiles
# pugixml's own source from ANTORDER_PUGIXML_SOURCE, where
# scripts/fetch-pugixml-source.sh puts Debian's. Defines the target
# antorder_pugixml and sets antorder_pugixml_FOUND.
set(ANTORDER_PUGIXML_SOURCE "${PROJECT_SOURCE_DIR}/.deps/pugixml" CACHE PATH
  "pugixml's source folder, for builds without the build machine's library")

function(antorder_find_pugixml)
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(pugixml CONFIG QUIET)
    if(pugixml_FOUND)
      add_library(antorder_pugixml INTERFACE)
      target_link_libraries(antorder_pugixml INTERFACE pugixml::pugixml)
      set(antorder_pugixml_FOUND ON PARENT_SCOPE)
      return()
    endif()
  endif()
  if(EXISTS ${ANTORDER_PUGIXML_SOURCE}/src/pugixml.cpp)
    # The library's own code, built as its authors do, without the project's warnings.
    add_library(antorder_pugixml STATIC ${ANTORDER_PUGIXML_SOURCE}/src/pugixml.cpp)
    target_compile_features(antorder_pugixml PRIVATE cxx_std_17)
    target_include_directories(antorder_pugixml SYSTEM PUBLIC ${ANTORDER_PUGIXML_SOURCE}/src)
    set(antorder_pugixml_FOUND ON PARENT_SCOPE)
    return()
  endif()
  set(antorder_pugixml_FOUND OFF PARENT_SCOPE)
endfunction()
