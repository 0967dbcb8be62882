# Embeds files in a program as read-only byte arrays.
#
#   ornivex_embed(<library> NAMESPACE <ns> FILES <symbol>=<file> ... [HEADERED])
#
# Makes a static library whose generated source defines, for each file,
#   extern const unsigned char <symbol>[];  extern const std::size_t <symbol>Size;
# in namespace <ns>. With HEADERED every array starts with two little-endian
# 32-bit words {1, file length} ahead of the file's bytes (Size counts them).
# The source is written at build time into the build folder; a changed file
# rebuilds it. The files may be targets' outputs (give their targets in DEPENDS).
set(ORNIVEX_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/embed_file.cmake)

function(ornivex_embed library)
  cmake_parse_arguments(E "HEADERED" "NAMESPACE" "FILES;DEPENDS" ${ARGN})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${library}_embedded.cpp)
  set(pairs)
  set(inputs)
  foreach(entry ${E_FILES})
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 symbol)
    list(GET parts 1 file)
    if(NOT IS_ABSOLUTE "${file}")
      set(file ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    endif()
    list(APPEND pairs "${symbol}=${file}")
    list(APPEND inputs ${file})
  endforeach()
  string(REPLACE ";" "|" pair_text "${pairs}")
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DNAMESPACE=${E_NAMESPACE} -DHEADERED=${E_HEADERED}
            "-DPAIRS=${pair_text}" -P ${ORNIVEX_EMBED_SCRIPT}
    DEPENDS ${inputs} ${ORNIVEX_EMBED_SCRIPT} ${E_DEPENDS}
    COMMENT "Embedding ${library}"
    VERBATIM)
  add_library(${library} STATIC ${out})
endfunction()
