# psw_add_subsystem(NAME [DIR folder] [DEPENDS libs...])
# Builds src/NAME/*.cpp (or src/DIR/*.cpp) into the static library psw_NAME.
# A file named *_win.cpp is built only for Windows, *_posix.cpp only for
# the other systems: the two backends of one platform service. Every subsystem sees
# the public headers (include/) and the internal tree (src/), so internal
# headers are included as "base/pmc_object.h", "log/pmc_log.h" and so on.
function(psw_add_subsystem name)
  cmake_parse_arguments(ARG "" "DIR" "DEPENDS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${name})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${ARG_DIR}/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
  endif()
  if(NOT sources)
    # A subsystem without code yet still links, so the targets stay stable.
    set(sources ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(psw_${name} STATIC ${sources})
  target_include_directories(psw_${name} PUBLIC
    ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(psw_${name} PUBLIC PSW_BUILDING_LIBRARY=1)
  target_link_libraries(psw_${name} PUBLIC psw_warnings Threads::Threads ${CMAKE_DL_LIBS} ${ARG_DEPENDS})
endfunction()
