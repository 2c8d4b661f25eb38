# Build helpers shared by every folder: one static library per source folder, one test program per test folder.

# velmora_add_library(<name> DEPS <targets...>): every .cpp/.h of the current folder becomes velmora_<name>.
function(velmora_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
                                      ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  if(NOT sources)
    return()
  endif()
  add_library(velmora_${name} STATIC ${sources})
  target_include_directories(velmora_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(velmora_${name} PUBLIC ${ARG_DEPS})
endfunction()

# velmora_add_test_suite(<folder> LIBS <targets...>): every tst_*.cpp of tests/<folder> is linked into one
# GoogleTest program; each test case becomes a ctest test. The test main (tests/support) runs them headless
# with the offscreen platform, a fixed DPI and private XDG folders, so they never touch the real home.
function(velmora_add_test_suite folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target tst_${folder})
  add_executable(${target} ${sources})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${target} PRIVATE velmora_testsupport ${ARG_LIBS})
  # Tests read the program folder as it ships: stand-in libraries, dictionaries, default files.
  add_dependencies(${target} velmora_shipped_files)
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
endfunction()

# velmora_forbid_links(<target> <forbidden targets...>): stops the configuration when target links one of the
# forbidden targets, directly or through any project library it links. Qt's own libraries are not followed:
# what one Qt module links inside Qt is Qt's affair, what this project links is ours.
function(velmora_forbid_links target)
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(links ${current} LINK_LIBRARIES)
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    foreach(link IN LISTS links interface)
      if(link IN_LIST ARGN)
        message(FATAL_ERROR "${target} must not link ${link} (it does through ${current})")
      endif()
      if(TARGET ${link} AND link MATCHES "^velmora_")
        list(APPEND pending ${link})
      endif()
    endforeach()
  endwhile()
endfunction()
