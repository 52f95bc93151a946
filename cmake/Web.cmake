# The web build (emcmake, scripts/build-web.sh): SDL2 and SDL2_image from the
# prefix scripts/web-deps.sh made, the game library linked into the program,
# and the program's double arithmetic rounded toward zero by its compiler
# launcher (src/app/web/toward-zero-cc.py). It makes morva.js, morva.wasm and
# morva.data (Data/ packed) for the page in web/, and morva-node.js, the same
# program reading the real file system under node, for the golden replays.
set(MORVA_WEB_DEPS "" CACHE PATH "The prefix scripts/web-deps.sh prints")
if(NOT EXISTS "${MORVA_WEB_DEPS}/lib/pkgconfig/sdl2.pc")
  message(FATAL_ERROR "MORVA_WEB_DEPS must name the prefix scripts/web-deps.sh prints")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${MORVA_WEB_DEPS})
set(ENV{PKG_CONFIG_LIBDIR} ${MORVA_WEB_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
find_package(Python3 REQUIRED COMPONENTS Interpreter)
# Off only to measure what exactness costs: that build plays another game.
option(MORVA_WEB_EXACT "Round the program's double arithmetic toward zero" ON)

set(CMAKE_POSITION_INDEPENDENT_CODE OFF)
# Failures cross from the library to the program as C++ exceptions.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

set(MORVA_WEB_DIR ${PROJECT_SOURCE_DIR}/web)
set(MORVA_WEB_APP_DIR ${PROJECT_SOURCE_DIR}/src/app/web)

function(morva_web_targets)
  # The program's own code: every double operation rounded toward zero. Its
  # helpers are compiled as they are, rounding to nearest.
  set(layers morva_engine morva_game morva_scenes morva_app)
  if(MORVA_WEB_EXACT)
    set_target_properties(${layers} PROPERTIES
      CXX_COMPILER_LAUNCHER "${Python3_EXECUTABLE};${MORVA_WEB_APP_DIR}/toward-zero-cc.py")
  endif()
  foreach(layer IN LISTS layers)
    target_compile_options(${layer} PRIVATE -ffp-contract=off)
  endforeach()
  add_library(morva_toward_zero STATIC ${MORVA_WEB_APP_DIR}/exact/TowardZero.cpp)
  target_compile_options(morva_toward_zero PRIVATE -ffp-contract=off)
  target_link_libraries(morva_app PUBLIC morva_toward_zero plumo)

  file(GLOB data_files CONFIGURE_DEPENDS ${MORVA_DATA_DIR}/*)
  # A signature mismatch would link a call that traps: refused.
  set(common_link -Wl,--fatal-warnings -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1 -sASYNCIFY=1
    -sASYNCIFY_STACK_SIZE=65536)
  target_link_options(morva PRIVATE ${common_link} -sENVIRONMENT=web
    "SHELL:--preload-file ${MORVA_DATA_DIR}@/Data" -lidbfs.js
    -sEXPORTED_RUNTIME_METHODS=FS
    "SHELL:--pre-js ${MORVA_WEB_DIR}/pre.js")
  set_target_properties(morva PROPERTIES LINK_DEPENDS "${MORVA_WEB_DIR}/pre.js")
  # What the page downloads beside the program: Data/ gzipped, a twentieth of
  # its size, without a date in it; and morva.js naming it by its checksum.
  set(page_data $<TARGET_FILE_DIR:morva>/morva.data)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/morva.data.gz
    COMMAND ${CMAKE_COMMAND} -DJS=$<TARGET_FILE:morva> -DDATA=${page_data}
      -P ${PROJECT_SOURCE_DIR}/cmake/WebPackageId.cmake
    COMMAND ${Python3_EXECUTABLE} -c
      "import gzip, sys; d = open(sys.argv[1], 'rb').read(); open(sys.argv[2], 'wb').write(gzip.compress(d, 9, mtime=0))"
      ${page_data} ${CMAKE_BINARY_DIR}/morva.data.gz
    DEPENDS morva $<TARGET_FILE:morva> ${PROJECT_SOURCE_DIR}/cmake/WebPackageId.cmake VERBATIM)
  add_custom_target(morva_page ALL DEPENDS ${CMAKE_BINARY_DIR}/morva.data.gz)

  add_executable(morva_node ${PROJECT_SOURCE_DIR}/src/main.cpp)
  target_link_libraries(morva_node PRIVATE morva_app)
  target_link_options(morva_node PRIVATE ${common_link} -sENVIRONMENT=node -sNODERAWFS=1
    "SHELL:--pre-js ${MORVA_WEB_APP_DIR}/node-pre.js")
  set_target_properties(morva_node PROPERTIES OUTPUT_NAME morva-node
    LINK_DEPENDS "${MORVA_WEB_APP_DIR}/node-pre.js")
  add_dependencies(morva_node morva_assets)

  # For the web suites: the top-level handler meeting each kind of failure.
  add_executable(morva_fault_cases ${PROJECT_SOURCE_DIR}/tests/web/FaultCases.cpp)
  target_link_libraries(morva_fault_cases PRIVATE morva_app)
  target_link_options(morva_fault_cases PRIVATE ${common_link} -sENVIRONMENT=node -sNODERAWFS=1
    "SHELL:--pre-js ${MORVA_WEB_APP_DIR}/node-pre.js")
  set_target_properties(morva_fault_cases PROPERTIES OUTPUT_NAME morva-fault-cases
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/variants LINK_DEPENDS "${MORVA_WEB_APP_DIR}/node-pre.js"
    CXX_COMPILER_LAUNCHER "${Python3_EXECUTABLE};${MORVA_WEB_APP_DIR}/toward-zero-cc.py")

  # The page beside the program.
  foreach(page index.html morva-page.js morva-page.css)
    configure_file(${MORVA_WEB_DIR}/${page} ${CMAKE_BINARY_DIR}/${page} COPYONLY)
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL morva_web_targets)
