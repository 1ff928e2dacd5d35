# One static library per source folder, named after the folder ("storage/ntfs" -> storage_ntfs),
# holding that folder's own .cpp files (not its subfolders'). A folder names the folders it uses;
# they must sit lower in the layer order of docs/architecture.md, which the include-direction
# test checks on every build. Folders without sources become interface libraries.
function(merrowind_folder_target out dir)
  string(REPLACE "/" "_" name "${dir}")
  set(${out} ${name} PARENT_SCOPE)
endfunction()

function(merrowind_library dir)
  cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
  merrowind_folder_target(name "${dir}")
  set(deps)
  foreach(d IN LISTS L_DEPS)
    merrowind_folder_target(dn "${d}")
    list(APPEND deps ${dn})
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${deps} Threads::Threads)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${deps} Threads::Threads)
  endif()
  set_property(GLOBAL APPEND PROPERTY MERROWIND_LIBRARIES ${name})
endfunction()

# A folder of wx code: like merrowind_library, and it sees the toolkit.
function(merrowind_wx_library dir)
  merrowind_library(${dir} ${ARGN})
  merrowind_folder_target(name "${dir}")
  get_target_property(kind ${name} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} INTERFACE ${wxWidgets_LIBRARIES})
  else()
    target_link_libraries(${name} PUBLIC ${wxWidgets_LIBRARIES})
    target_compile_definitions(${name} PUBLIC
      MERROWIND_BUILD_BITMAP_DIR="${CMAKE_BINARY_DIR}/share/softdovrane/merrowind"
      MERROWIND_INSTALL_BITMAP_DIR="${CMAKE_INSTALL_PREFIX}/share/softdovrane/merrowind")
  endif()
  set_property(GLOBAL APPEND PROPERTY MERROWIND_WX_LIBRARIES ${name})
endfunction()
