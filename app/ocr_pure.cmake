# Pure pieces of the OCR workflow (upload body, URLs, line breaks, file names):
# no Windows header, so they build natively and for Windows alike.
add_library(ornivex_app_pure STATIC ${CMAKE_CURRENT_LIST_DIR}/multipart.cpp)
target_include_directories(ornivex_app_pure PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(ornivex_app_pure PUBLIC ornivex_http_pure)
