# psw_add_subsystem(NAME [DEPENDS libs...])
# Builds src/NAME/*.cpp into the static library psw_NAME. Every subsystem sees
# the public headers (include/) and the internal tree (src/), so internal
# headers are included as "base/pmc_object.h", "log/pmc_log.h" and so on.
function(psw_add_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
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
