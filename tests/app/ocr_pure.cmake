# Tests of the OCR workflow's pure pieces; natively and under Wine.
ornivex_add_test(app_ocr_pure_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ocr_pure_test.cpp LIBS ornivex_app_pure)
