#pragma once
// How the picture code has libjpeg report errors: an error jumps back to the
// setjmp of the function that started the library's work (libjpeg's own way
// would end the program); warnings and messages are dropped. The function
// that calls setjmp keeps its frame free of C++ objects, so the jump skips no
// destructor.
#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace ornivex {

struct JpegErrorJump {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] inline void JumpBackOnJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrorJump*>(info->err)->jump, 1);
}

inline void DropJpegMessage(j_common_ptr) {}

// The error manager to give the library object; then setjmp(error.jump).
inline jpeg_error_mgr* JumpingJpegErrors(JpegErrorJump& error) {
  jpeg_error_mgr* manager = jpeg_std_error(&error.manager);
  manager->error_exit = JumpBackOnJpegError;
  manager->output_message = DropJpegMessage;
  return manager;
}

}  // namespace ornivex
