# Compiler settings shared by every target of the project.

# -Wshadow=local is GCC's; clang (the fuzz builds) has no such option and would fail under -Werror.
set(LUMENO_WARNINGS -Wall -Wextra $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor -Wimplicit-fallthrough)
if(LUMENO_WERROR)
  list(APPEND LUMENO_WARNINGS -Werror)
endif()

if(LUMENO_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(LUMENO_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT LUMENO_SANITIZE STREQUAL "")
  message(FATAL_ERROR "LUMENO_SANITIZE must be empty, 'address' or 'thread', not '${LUMENO_SANITIZE}'")
endif()

if(LUMENO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "LUMENO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Applies the project's warnings to one of its own targets.
function(lumeno_target_warnings target)
  target_compile_options(${target} PRIVATE ${LUMENO_WARNINGS})
endfunction()

# lumeno_add_tests(<name> SOURCES ... LIBS ... [TIMEOUT seconds])
# One GoogleTest binary per library, every case registered with CTest.
function(lumeno_add_tests name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  lumeno_target_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ${ARG_PROPERTIES})
endfunction()

# lumeno_install_library(<target>): one of the programs' shared libraries, versioned and installed
# into the private library folder, where it finds its siblings. No development link: nothing outside
# the project links against it.
function(lumeno_install_library target)
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target} LIBRARY DESTINATION ${LUMENO_INSTALL_LIBDIR} NAMELINK_SKIP)
endfunction()
