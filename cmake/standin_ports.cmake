# Ports of the loopback stand-ins for a build against them.
#
# A service address of "http://127.0.0.1:0" asks for a free port. It is chosen
# when the build folder is first configured (a random port from 20000 to 32767
# that nothing listens on) and kept in the cache, so the same folder keeps its
# ports while every other build folder (another worktree, the main job's build)
# gets ports of its own and their stand-ins can run at the same time.
#
# The chosen addresses replace ORNIVEX_OCR_URL and ORNIVEX_IMAGE_HOST_URL as
# normal variables for the rest of the configuration (the cache keeps ":0", as
# the preset gives it). A build whose services are both on loopback also gets
# <build>/standins.env with OCR_PORT=... and IMAGE_PORT=... for the scripts.

set(_ornivex_pick_port [=[
import random, socket, sys
avoid = {int(a) for a in sys.argv[1:] if a}
for _ in range(500):
    port = random.randint(20000, 32767)
    if port in avoid:
        continue
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    try:
        s.bind(("127.0.0.1", port))
    except OSError:
        continue
    finally:
        s.close()
    print(port)
    sys.exit(0)
sys.exit(1)
]=])

function(_ornivex_resolve_port variable cache_name avoid)
  if(NOT ${variable} MATCHES "^http://127\\.0\\.0\\.1:0/?$")
    return()
  endif()
  if(NOT ${cache_name})
    find_program(ORNIVEX_PYTHON3_FOR_PORTS python3 REQUIRED)
    execute_process(COMMAND ${ORNIVEX_PYTHON3_FOR_PORTS} -c "${_ornivex_pick_port}" ${avoid}
                    OUTPUT_VARIABLE port OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0 OR NOT port MATCHES "^[0-9]+$")
      message(FATAL_ERROR "No free loopback port for ${variable} (give one: -D${variable}=http://127.0.0.1:<port>)")
    endif()
    set(${cache_name} ${port} CACHE INTERNAL "Loopback port chosen for ${variable}")
    message(STATUS "${variable}: stand-in on free port ${port}")
  endif()
  set(${variable} "http://127.0.0.1:${${cache_name}}" PARENT_SCOPE)
endfunction()

_ornivex_resolve_port(ORNIVEX_OCR_URL ORNIVEX_OCR_PORT_CHOSEN "")
_ornivex_resolve_port(ORNIVEX_IMAGE_HOST_URL ORNIVEX_IMAGE_PORT_CHOSEN "${ORNIVEX_OCR_PORT_CHOSEN}")

if(ORNIVEX_OCR_URL MATCHES "^http://127\\.0\\.0\\.1:([0-9]+)$")
  set(_ocr_port ${CMAKE_MATCH_1})
  if(ORNIVEX_IMAGE_HOST_URL MATCHES "^http://127\\.0\\.0\\.1:([0-9]+)$")
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/standins.env
         CONTENT "OCR_PORT=${_ocr_port}\nIMAGE_PORT=${CMAKE_MATCH_1}\n")
  endif()
endif()
