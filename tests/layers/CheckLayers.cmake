# Fails when a file of the game includes a header of a layer above its own, or
# reaches the operating system from outside app/. Run with -DROOT=<repository>.
set(layers app scenes game engine)  # top to bottom
set(system_headers "SDL|dlfcn\\.h|link\\.h|signal\\.h|setjmp\\.h|unistd\\.h|windows\\.h|sys/")

file(GLOB_RECURSE files RELATIVE ${ROOT}/src ${ROOT}/src/*.h ${ROOT}/src/*.cpp)
set(faults "")
foreach(file IN LISTS files)
  string(REGEX MATCH "^[a-z]+" own "${file}")
  list(FIND layers "${own}" own_rank)
  if(own_rank EQUAL -1)
    continue()  # main.cpp stands above every layer
  endif()
  file(STRINGS ${ROOT}/src/${file} includes REGEX "^#include")
  foreach(line IN LISTS includes)
    if(line MATCHES "^#include \"([a-z]+)/")
      list(FIND layers "${CMAKE_MATCH_1}" rank)
      if(rank GREATER_EQUAL 0 AND rank LESS own_rank)
        string(APPEND faults "src/${file}: ${line} reaches up from ${own} to ${CMAKE_MATCH_1}\n")
      endif()
    elseif(NOT own STREQUAL "app" AND line MATCHES "^#include <(${system_headers})")
      string(APPEND faults "src/${file}: ${line} reaches the system from outside app\n")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "${faults}")
endif()
