# The Windows build (cmake/mingw-w64-x86_64.cmake): SDL2 and SDL2_image
# from the prefix scripts/windows-deps.sh made, the C and C++
# runtimes inside each module, and the program's resources. The runnable tree
# is morva.exe with SDL2.dll and SDL2_image.dll beside it and Data/.
set(MORVA_WINDOWS_DEPS "" CACHE PATH "The prefix scripts/windows-deps.sh prints")
if(NOT EXISTS "${MORVA_WINDOWS_DEPS}/lib/pkgconfig/sdl2.pc")
  message(FATAL_ERROR "MORVA_WINDOWS_DEPS must name the prefix scripts/windows-deps.sh prints")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${MORVA_WINDOWS_DEPS})
set(ENV{PKG_CONFIG_LIBDIR} ${MORVA_WINDOWS_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# Windows 8.1 and later.
add_compile_definitions(_WIN32_WINNT=0x0603 WINVER=0x0603)

# libgcc, libstdc++ and winpthread linked in: no MinGW DLL travels with the game.
add_link_options(-static)

set(MORVA_SDL_DLLS ${MORVA_WINDOWS_DEPS}/bin/SDL2.dll ${MORVA_WINDOWS_DEPS}/bin/SDL2_image.dll)
file(COPY ${MORVA_SDL_DLLS} DESTINATION ${CMAKE_BINARY_DIR})
install(FILES ${MORVA_SDL_DLLS} DESTINATION .)
install(DIRECTORY ${MORVA_WINDOWS_DEPS}/licenses/ DESTINATION licenses)
# The MinGW-w64 runtime (winpthreads among it) linked into every module.
install(FILES /usr/share/doc/mingw-w64-x86-64-dev/copyright DESTINATION licenses
        RENAME mingw-w64.txt)

enable_language(RC)
find_program(MORVA_RSVG rsvg-convert REQUIRED)
# ImageMagick by its Debian name first: another `convert` may stand earlier on PATH.
find_program(MORVA_CONVERT NAMES convert-im6.q16 convert REQUIRED)

# After every folder: the targets below are made there.
function(morva_windows_targets)
  set(dir ${CMAKE_BINARY_DIR}/windows)
  # The small sizes are pictures of their own; the others scale icon.svg.
  set(icon_dir ${PROJECT_SOURCE_DIR}/assets/icon)
  set(pngs "")
  set(renders "")
  set(sources "")
  foreach(size 16 24 32 48 64)
    set(svg ${icon_dir}/icon-${size}.svg)
    if(NOT EXISTS ${svg})
      set(svg ${icon_dir}/icon.svg)
    endif()
    list(APPEND pngs ${dir}/icon-${size}.png)
    list(APPEND sources ${svg})
    list(APPEND renders COMMAND ${MORVA_RSVG} -w ${size} -h ${size} -o ${dir}/icon-${size}.png ${svg})
  endforeach()
  list(REMOVE_DUPLICATES sources)
  add_custom_command(
    OUTPUT ${dir}/morva.ico
    ${renders}
    COMMAND ${MORVA_CONVERT} ${pngs} -define icon:format=bmp ${dir}/morva.ico
    DEPENDS ${sources}
    COMMENT "Rendering the Windows icon"
    VERBATIM)
  set(MORVA_ICON_FILE ${dir}/morva.ico)
  # The version, here and in the resource script, is the project's.
  set(MORVA_MANIFEST_FILE ${dir}/morva.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/morva.manifest.in ${MORVA_MANIFEST_FILE} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/morva.rc.in ${dir}/morva.rc @ONLY)
  add_custom_target(morva_windows_icon DEPENDS ${dir}/morva.ico)
  add_dependencies(morva morva_windows_icon)
  target_sources(morva PRIVATE ${dir}/morva.rc)
  set_source_files_properties(${dir}/morva.rc DIRECTORY ${PROJECT_SOURCE_DIR}/src PROPERTIES
    OBJECT_DEPENDS "${dir}/morva.ico;${MORVA_MANIFEST_FILE}")
  # No console window; the failure line finds the one the game was started from.
  set_target_properties(morva PROPERTIES WIN32_EXECUTABLE ON)
  target_link_libraries(morva_app PRIVATE psapi)

  # For the tests under Wine (tests/windows): copies of the library that lack
  # one name, and the top-level handler meeting each kind of fault.
  foreach(lacks Init Sort StopBGMFade)
    plumo_library(plumo_lacks_${lacks} ${CMAKE_BINARY_DIR}/variants lacks_${lacks} ${lacks})
  endforeach()
  add_executable(morva_fault_cases ${PROJECT_SOURCE_DIR}/tests/windows/FaultCases.cpp)
  target_link_libraries(morva_fault_cases PRIVATE morva_app)
  set_target_properties(morva_fault_cases PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/variants)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL morva_windows_targets)
