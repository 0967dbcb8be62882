#pragma once
// The record the handlers and worker routines hand their values through.
// Every text is GBK.
#include <cstdint>
#include <string>

namespace ornivex {

struct AppState {
  std::string accessToken;      // OCR service token, fetched at start-up
  std::string startTime;        // when this run started, e.g. "2026/6/7 9:5 3s"
  std::int32_t pictureNumber = 0;  // the picture chosen last: its name at the host
  std::int32_t resultNumber = 0;   // the picture whose text the result box shows: the saved file's name
  std::string pictureFileName;  // chosen picture's file name without folder
  std::string pictureUrl;       // the picture's public address at the image host
  std::string ocrReplyText;     // recognition reply, converted to GBK
};

}  // namespace ornivex
