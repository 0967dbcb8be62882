# libpng, libjpeg (cross-built from Debian's source packages by scripts/build-deps.sh,
# cached under build/deps) and zlib (Debian's mingw package).
set(ORNIVEX_DEPS_ROOT "${CMAKE_SOURCE_DIR}/build" CACHE PATH "Folder whose deps/ holds the cross-built libraries")
set(_deps_prefix "${ORNIVEX_DEPS_ROOT}/deps/install")
if(NOT EXISTS "${_deps_prefix}/lib/libpng16.a" OR NOT EXISTS "${_deps_prefix}/lib/libjpeg.a")
  message(STATUS "Cross-building libpng and libjpeg from Debian sources")
  execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/build-deps.sh" "${ORNIVEX_DEPS_ROOT}"
                  RESULT_VARIABLE _deps_rc)
  if(NOT _deps_rc EQUAL 0)
    message(FATAL_ERROR "scripts/build-deps.sh failed (${_deps_rc}); run scripts/setup.sh first")
  endif()
endif()

add_library(ornivex_zlib STATIC IMPORTED GLOBAL)
set_target_properties(ornivex_zlib PROPERTIES IMPORTED_LOCATION /usr/x86_64-w64-mingw32/lib/libz.a)

add_library(ornivex_png STATIC IMPORTED GLOBAL)
set_target_properties(ornivex_png PROPERTIES
  IMPORTED_LOCATION "${_deps_prefix}/lib/libpng16.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps_prefix}/include"
  INTERFACE_LINK_LIBRARIES ornivex_zlib)

add_library(ornivex_jpeg STATIC IMPORTED GLOBAL)
set_target_properties(ornivex_jpeg PROPERTIES
  IMPORTED_LOCATION "${_deps_prefix}/lib/libjpeg.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps_prefix}/include")
