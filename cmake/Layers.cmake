# One static library per layer. A layer's wx-free sources sit at the top of its folders; sources
# that need wxWidgets sit in a "wx" subfolder and go into the UI library instead, so a wx include
# in a core source fails to compile (core targets never see the wx include path).
function(merrowind_layer name)
  cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS L_UNPARSED_ARGUMENTS)
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${L_DEPS} Threads::Threads)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${L_DEPS} Threads::Threads)
  endif()
endfunction()

# The wx parts of every layer, in one library on top of the core.
function(merrowind_wx_library name)
  set(sources)
  foreach(dir platform storage engine saving results ui ui/unreferenced app)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/wx/*.cpp")
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources EXCLUDE REGEX "/app/wx/main/")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC merrowind_core ${wxWidgets_LIBRARIES})
  target_compile_definitions(${name} PUBLIC
    MERROWIND_BUILD_BITMAP_DIR="${CMAKE_BINARY_DIR}/share/softdovrane/merrowind"
    MERROWIND_INSTALL_BITMAP_DIR="${CMAKE_INSTALL_PREFIX}/share/softdovrane/merrowind")
endfunction()

find_package(Threads REQUIRED)
