// The upload body parses back, as a multipart reader at the image host would
// read it, into the picture number as the file name and the file's bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "app/ocr_protocol.h"

namespace {

using ornivex::fuzz::Check;

struct Part {
  std::string fileName;
  std::string bytes;
};

// The one part of a multipart/form-data body with the given boundary. With
// `toFirstDelimiter` the content ends at the first delimiter after it, as a
// streaming reader ends it; otherwise at the closing delimiter the body ends with.
bool ParsePart(std::string_view body, std::string_view boundary, bool toFirstDelimiter, Part& part) {
  const std::string opening = "--" + std::string(boundary) + "\r\n";
  const std::string closing = "\r\n--" + std::string(boundary) + "--";
  if (!body.starts_with(opening) || !body.ends_with(closing)) return false;
  const std::size_t headersEnd = body.find("\r\n\r\n", opening.size());
  if (headersEnd == std::string_view::npos) return false;
  const std::string_view headers = body.substr(opening.size(), headersEnd - opening.size() + 2);
  constexpr std::string_view kDisposition = "Content-Disposition: form-data; name=\"myfile\"; filename=\"";
  if (!headers.starts_with(kDisposition)) return false;
  const std::size_t nameEnd = headers.find("\"\r\n", kDisposition.size());
  if (nameEnd == std::string_view::npos) return false;
  part.fileName = headers.substr(kDisposition.size(), nameEnd - kDisposition.size());
  if (headers.substr(nameEnd + 3) != "Content-Type: image/png\r\n") return false;
  const std::size_t start = headersEnd + 4;
  const std::size_t end =
      toFirstDelimiter ? body.find("\r\n--" + std::string(boundary), start) : body.size() - closing.size();
  if (end == std::string_view::npos || end < start) return false;
  part.bytes = body.substr(start, end - start);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string n = ornivex::PictureNumberText(in.ConsumeIntegral<std::uint32_t>());
  const std::string file = in.ConsumeRemainingBytesAsString();
  const std::string body = ornivex::BuildUploadBody(n, file);

  const ornivex::UploadBodyFrame frame = ornivex::MakeUploadBodyFrame(n, file.size());
  Check(body.size() == frame.Size() && body.compare(frame.FileOffset(), file.size(), file) == 0);

  // The header line names the boundary the body uses.
  const std::string header = ornivex::UploadContentTypeHeader();
  constexpr std::string_view kParameter = "; boundary=";
  const std::size_t at = header.find(kParameter);
  Check(at != std::string::npos);
  const std::string_view boundary = std::string_view(header).substr(at + kParameter.size());

  Part part;
  Check(ParsePart(body, boundary, false, part) && part.fileName == n && part.bytes == file);
  // A streaming reader gets the same, unless the file itself holds a delimiter
  // line (the boundary is fixed, so such a file cannot be sent whole).
  if (file.find("\r\n--" + std::string(boundary)) == std::string::npos) {
    Check(ParsePart(body, boundary, true, part) && part.fileName == n && part.bytes == file);
  }
  return 0;
}
