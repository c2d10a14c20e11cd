# cmake -P script: installs the build tree BUILD_DIR into a scratch prefix under WORK_DIR, then
# builds and runs CONSUMER_DIR (the grid) and CONSUMER_DIR-core (the core library, no Qt) against
# it with CMake, and compiles the grid one again with the flags pkg-config gives for vantrel_grid.
foreach(var BUILD_DIR WORK_DIR CONSUMER_DIR CXX_COMPILER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} not given")
  endif()
endforeach()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(f include/vantrel/grid/DBGrid.h include/vantrel/grid/ExtDBGrid.h include/vantrel/core/ODBCBlob.h
          include/vantrel/vantrel.h include/vantrel/vantrel_grid.h
          lib/cmake/Vantrel/VantrelConfig.cmake lib/cmake/Vantrel/VantrelGridTargets.cmake
          lib/pkgconfig/vantrel.pc lib/pkgconfig/vantrel_grid.pc)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
# The library's internal headers stay out.
foreach(f include/vantrel/core/ODBCApi.h include/vantrel/core/ODBCDataSetInternal.h include/vantrel/entity/EntityInternal.h include/vantrel/ext/TextImport.h)
  if(EXISTS ${prefix}/${f})
    message(FATAL_ERROR "internal header installed: ${f}")
  endif()
endforeach()
if(DESIGNER_PLUGIN)
  file(GLOB_RECURSE plugin ${prefix}/lib/${DESIGNER_PLUGIN})
  if(NOT plugin MATCHES "/plugins/designer/")
    message(FATAL_ERROR "the Qt Designer plugin ${DESIGNER_PLUGIN} is not installed under plugins/designer")
  endif()
endif()
file(GLOB_RECURSE stray LIST_DIRECTORIES false ${prefix}/include/vantrel/*/tests/*)
file(GLOB grid_libs ${prefix}/lib/libvantrel_grid.so*)
if(stray)
  message(FATAL_ERROR "test files installed: ${stray}")
endif()
if(NOT grid_libs)
  message(FATAL_ERROR "libvantrel_grid not installed")
endif()

# A sanitizer build of the library needs its runtime in the program too.
set(flags)
if(SANITIZERS)
  set(flags -fsanitize=address,undefined -fno-omit-frame-pointer)
endif()
string(REPLACE ";" " " flag_text "${flags}")

set(prefix_path ${prefix})
if(Qt6_DIR)
  list(APPEND prefix_path ${Qt6_DIR}/../../..)
endif()
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -DCMAKE_BUILD_TYPE=Debug
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} "-DCMAKE_CXX_FLAGS=${flag_text}" "-DCMAKE_PREFIX_PATH=${prefix_path}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/grid_consumer)
if(NOT run_output MATCHES "grid consumer ok")
  message(FATAL_ERROR "the consumer did not run: ${run_output}")
endif()
run(${WORK_DIR}/consumer/core_consumer ${WORK_DIR}/consumer.db)
if(NOT run_output MATCHES "core consumer ok")
  message(FATAL_ERROR "the core consumer did not run: ${run_output}")
endif()

# The core library alone: found without Qt, linked with no Qt library.
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR}-core -B ${WORK_DIR}/consumer-core -DCMAKE_BUILD_TYPE=Debug
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} "-DCMAKE_CXX_FLAGS=${flag_text}" "-DCMAKE_PREFIX_PATH=${prefix}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer-core)
run(${WORK_DIR}/consumer-core/core_consumer)
if(NOT run_output MATCHES "core consumer ok")
  message(FATAL_ERROR "the core consumer did not run: ${run_output}")
endif()
find_program(READELF readelf)
if(READELF)
  run(${READELF} -d ${WORK_DIR}/consumer-core/core_consumer)
  if(run_output MATCHES "libQt6" OR NOT run_output MATCHES "libvantrel\\.so")
    message(FATAL_ERROR "the core consumer's libraries: ${run_output}")
  endif()
endif()

# The same program from pkg-config's flags alone.
find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  set(ENV{PKG_CONFIG_PATH} "${prefix}/lib/pkgconfig:$ENV{PKG_CONFIG_PATH}")
  run(${PKG_CONFIG} --cflags --libs vantrel_grid)
  string(STRIP "${run_output}" pc_flags)
  separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
  if(NOT pc_flags MATCHES "-lvantrel_grid" OR NOT pc_flags MATCHES "-lvantrel" OR NOT pc_flags MATCHES "Qt6Widgets|-lQt6Widgets")
    message(FATAL_ERROR "pkg-config flags lack a library: ${pc_flags}")
  endif()
  run(${CXX_COMPILER} -std=c++20 -fPIC ${flags} ${CONSUMER_DIR}/main.cpp -o ${WORK_DIR}/grid_consumer_pc ${pc_flags}
      -Wl,-rpath,${prefix}/lib)
  run(${WORK_DIR}/grid_consumer_pc)
  if(NOT run_output MATCHES "grid consumer ok")
    message(FATAL_ERROR "the pkg-config build did not run: ${run_output}")
  endif()
endif()
message(STATUS "installed package builds and runs its consumer")
