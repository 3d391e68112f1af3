# Pinned key lists: data files with one key text per line (lower-case hex pairs
# separated by one blank), turned into C++ string literals at configure time.
# VISTANE_PINNED_KEYS_DIR points at another pair of files with the same names; a
# release build (VISTANE_RELEASE) refuses the bundled lists, which hold test keys.
set(VISTANE_BUNDLED_PINNED_KEYS_DIR "${CMAKE_SOURCE_DIR}/security/file_trust/data")
# Empty means the bundled lists, so a build folder keeps following them wherever they live.
set(VISTANE_PINNED_KEYS_DIR "" CACHE PATH
  "Folder holding trusted_public_keys.txt and trusted_public_keys_extended.txt (empty: the bundled test lists)")
option(VISTANE_RELEASE "Release build: refuse the bundled (test) pinned key lists" OFF)

function(vistane_generate_key_list name)
  set(folder "${VISTANE_PINNED_KEYS_DIR}")
  if(folder STREQUAL "")
    set(folder "${VISTANE_BUNDLED_PINNED_KEYS_DIR}")
  endif()
  set(input "${folder}/${name}.txt")
  set(output "${CMAKE_BINARY_DIR}/generated/security/file_trust/${name}.inc")
  if(NOT EXISTS "${input}")
    message(FATAL_ERROR "Pinned key list ${input} is missing (a build folder configured "
      "before the lists moved keeps the old folder: configure it again with --fresh)")
  endif()
  if(VISTANE_RELEASE)
    file(SHA256 "${input}" chosen)
    file(SHA256 "${VISTANE_BUNDLED_PINNED_KEYS_DIR}/${name}.txt" bundled)
    if(chosen STREQUAL bundled)
      message(FATAL_ERROR "VISTANE_RELEASE: ${name}.txt is the bundled test list; "
        "set VISTANE_PINNED_KEYS_DIR to the release lists")
    endif()
  endif()
  set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${input}")
  file(STRINGS "${input}" lines)
  set(body "// Generated from ${input}; edit the list, not this file.\n")
  set(count 0)
  foreach(line IN LISTS lines)
    if(line STREQUAL "")
      continue()
    endif()
    if(NOT line MATCHES "^([0-9a-f][0-9a-f] )*[0-9a-f][0-9a-f]$")
      message(FATAL_ERROR "${input}: not a key text: ${line}")
    endif()
    string(APPEND body "\"${line}\",\n")
    math(EXPR count "${count} + 1")
  endforeach()
  if(count EQUAL 0)
    message(FATAL_ERROR "${input} holds no key")
  endif()
  file(CONFIGURE OUTPUT "${output}" CONTENT "${body}" @ONLY)
endfunction()

vistane_generate_key_list(trusted_public_keys)
vistane_generate_key_list(trusted_public_keys_extended)
