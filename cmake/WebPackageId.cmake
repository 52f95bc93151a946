# Run after the link (cmake -P, with JS and DATA set): Emscripten names the
# packed Data/ by a random id, which only a cache of it would read; the id
# made from the data's own checksum keeps the same commit giving the same bytes.
file(SHA256 "${DATA}" sum)
string(SUBSTRING "${sum}" 0 32 hex)
string(REGEX REPLACE "^(........)(....)(....)(....)(............)$" "\\1-\\2-\\3-\\4-\\5" id "${hex}")
file(READ "${JS}" text)
string(REGEX REPLACE "\"package_uuid\":\"[0-9a-f-]+\"" "\"package_uuid\":\"${id}\"" fixed "${text}")
if(fixed STREQUAL text AND NOT text MATCHES "\"package_uuid\":\"${id}\"")
  message(FATAL_ERROR "no package id in ${JS}")
endif()
if(NOT fixed STREQUAL text)
  file(WRITE "${JS}" "${fixed}")
endif()
