# The header-only libraries nurvo uses: Boost (Geometry, PropertyTree, Graph) and nlohmann-json,
# from Debian's libboost-dev and nlohmann-json3-dev. The Linux build finds them on the system's
# include path. The Windows build must not see /usr/include (its headers are for another C library),
# so it gets a folder in the build tree that holds links to just these libraries' header folders.
add_library(nurvo_header_libraries INTERFACE)
set(NURVO_HEADER_ROOT /usr/include CACHE PATH "Where the Debian header-only libraries are")
foreach(header boost/version.hpp nlohmann/json.hpp)
  if(NOT EXISTS ${NURVO_HEADER_ROOT}/${header})
    message(FATAL_ERROR "${NURVO_HEADER_ROOT}/${header} is missing "
                        "(Debian: apt-get install libboost-dev nlohmann-json3-dev)")
  endif()
endforeach()
if(CMAKE_CROSSCOMPILING)
  set(links ${CMAKE_BINARY_DIR}/header-links)
  file(MAKE_DIRECTORY ${links})
  foreach(library boost nlohmann)
    file(CREATE_LINK ${NURVO_HEADER_ROOT}/${library} ${links}/${library} SYMBOLIC)
  endforeach()
  target_include_directories(nurvo_header_libraries SYSTEM INTERFACE ${links})
endif()
# Boost.Geometry still includes headers Boost has since moved; their notices say nothing to us.
target_compile_definitions(nurvo_header_libraries INTERFACE BOOST_ALLOW_DEPRECATED_HEADERS)
