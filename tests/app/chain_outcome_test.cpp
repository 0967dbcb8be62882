#include "app/chain_outcome.h"

#include <gtest/gtest.h>

#include "app/texts.h"
#include "ocr/engine.h"

namespace ornivex {
namespace {

using End = ChainOutcome::End;

ChainOutcome Ended(End end) {
  ChainOutcome outcome;
  outcome.end = end;
  return outcome;
}

TEST(ChainOutcome, WhatARecognitionRequestEndedWith) {
  const struct {
    const char* status;
    const char* reply;
    bool lines;
    End end;
  } rows[] = {
      {"200 OK", "{\"log_id\": 1, \"words_result\": [{\"words\": \"a\"}]}", true, End::kText},
      {"200 OK", "{\"log_id\": 1, \"words_result_num\": 0, \"words_result\": []}", false, End::kNoText},
      {"200 OK", "{\"error_code\": 17, \"error_msg\": \"Open api daily request limit reached\"}", false,
       End::kServiceError},
      {"500 Internal Server Error", "{\"error_code\":282000,\"error_msg\":\"internal error\"}", false,
       End::kServiceError},
      {"500 Internal Server Error", "", false, End::kServiceBadReply},
      {"200 OK", "\x01garbage", false, End::kServiceBadReply},
      {"712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!", "", false, End::kServiceUnreachable},
      {"713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!", "{\"words_result\": [", false, End::kServiceUnreachable},
      {"", "", false, End::kServiceUnreachable},
  };
  for (const auto& row : rows) EXPECT_EQ(RecognitionOutcome(row.status, row.reply, row.lines).end, row.end) << row.reply;

  EXPECT_EQ(RecognitionOutcome("500 x", "", false).httpStatus, 500);
  EXPECT_EQ(ServiceErrorOfReply("{\"error_code\" : 216202 ,\"error_msg\": \"image size error\"}"),
            (ServiceError{216202, "image size error"}));
  EXPECT_EQ(ServiceErrorOfReply("{\"error_msg\":\"say \\\"no\\\"\",\"error_code\":1}"),
            (ServiceError{1, "say \\\"no\\\""}));
  EXPECT_EQ(ServiceErrorOfReply("{\"error_code\":\"x\"}"), std::nullopt);
  EXPECT_EQ(ServiceErrorOfReply("{\"words\": \"error_code: 17\"}"), std::nullopt);

  for (int status : {200, 201, 299}) EXPECT_EQ(UploadOutcome(status), std::nullopt);
  for (int status : {0, 199, 300, 404, 500}) EXPECT_EQ(UploadOutcome(status)->end, End::kImageHostFailed) << status;
  for (const auto& [text, status] : {std::pair{"204 No Content", 204}, {"100", 100}, {"418 x", 418}, {"599", 599},
                                      {"099", 0}, {"600", 0}, {"7000", 0}})
    EXPECT_EQ(HttpStatusOf(text), status) << text;
}

TEST(ChainOutcome, WhatTheBuiltInEngineEndedWith) {
  using ocr::Failure;
  const auto end = [](Failure f, std::string_view detail, bool lines = false) {
    return LocalEngineOutcome(static_cast<int>(f), detail, lines);
  };
  EXPECT_EQ(end(Failure::kNone, "", true).end, End::kText);
  EXPECT_EQ(end(Failure::kNone, "").end, End::kNoText);
  EXPECT_EQ(end(Failure::kNotAPicture, "x").end, End::kPictureUnreadable);
  EXPECT_EQ(end(Failure::kPictureUnreadable, "x").end, End::kPictureUnreadable);
  const struct {
    Failure failure;
    const char* detail;
    EngineProblem problem;
    const char* name;
  } rows[] = {
      {Failure::kVisualCppMissing, "VCRUNTIME140_1.dll", EngineProblem::kVisualCppMissing, "VCRUNTIME140_1.dll"},
      {Failure::kRuntimeMissing, "Z:\\\xB3\xCC\xD0\xF2\\ocr\\onnxruntime.dll", EngineProblem::kDllMissing,
       "onnxruntime.dll"},
      {Failure::kRuntimeUnusable, "onnxruntime.dll: error 193", EngineProblem::kDllUnusable, "onnxruntime.dll"},
      {Failure::kModelMissing, "ch_PP-OCRv4_det_infer.onnx", EngineProblem::kModelMissing, "ch_PP-OCRv4_det_infer.onnx"},
      {Failure::kModelInvalid, "ch_PP-OCRv4_rec_infer.onnx: Protobuf parsing failed", EngineProblem::kModelBroken,
       "ch_PP-OCRv4_rec_infer.onnx"},
      {Failure::kDictionaryInvalid, "ppocr_keys_v1.txt: missing", EngineProblem::kModelMissing, "ppocr_keys_v1.txt"},
      {Failure::kOutOfMemory, "reading the picture", EngineProblem::kFailed, "reading the picture"},
  };
  for (const auto& row : rows) {
    const ChainOutcome outcome = end(row.failure, row.detail);
    EXPECT_EQ(outcome.end, End::kEngineUnavailable) << row.detail;
    EXPECT_EQ(outcome.engine, row.problem) << row.detail;
    EXPECT_EQ(outcome.detail, row.name);
  }
}

TEST(ChainOutcome, EachReasonHasItsOwnSentence) {
  const auto service = [](std::int64_t code, std::string message = {}) {
    ChainOutcome outcome = Ended(End::kServiceError);
    outcome.error = {code, std::move(message)};
    return ChainNoticeText(outcome);
  };
  const auto token = [](TokenFailure failure) {
    ChainOutcome outcome = Ended(End::kNoToken);
    outcome.token = failure;
    return ChainNoticeText(outcome);
  };
  const auto engine = [](EngineProblem problem, std::string detail) {
    ChainOutcome outcome = Ended(End::kEngineUnavailable);
    outcome.engine = problem;
    outcome.detail = std::move(detail);
    return ChainNoticeText(outcome);
  };
  EXPECT_EQ(ChainNoticeText(Ended(End::kText)), "");
  EXPECT_EQ(ChainNoticeText(Ended(End::kNoText)), texts::kNoticeNoText);
  EXPECT_EQ(token(TokenFailure::kNoCredentials), texts::kNoticeNoCredentials);
  EXPECT_EQ(token(TokenFailure::kRefused), texts::kNoticeCredentialsRefused);
  EXPECT_EQ(token(TokenFailure::kUnreachable), texts::kNoticeTokenUnreachable);
  EXPECT_EQ(ChainNoticeText(Ended(End::kServiceUnreachable)), texts::kNoticeServiceUnreachable);
  EXPECT_EQ(ChainNoticeText(Ended(End::kImageHostFailed)), texts::kNoticeImageHostFailed);
  EXPECT_EQ(ChainNoticeText(Ended(End::kPictureUnreadable)), texts::kNoticePictureUnreadable);
  EXPECT_EQ(service(17), texts::kNoticeDailyLimit);
  EXPECT_EQ(service(18), texts::kNoticeRateLimit);
  EXPECT_EQ(service(110), service(111));
  EXPECT_EQ(service(110), texts::kNoticeTokenInvalid);
  EXPECT_EQ(service(216200), texts::kNoticeEmptyImage);
  EXPECT_EQ(service(216201), texts::kNoticeImageFormat);
  EXPECT_EQ(service(216202), texts::kNoticeImageSize);
  EXPECT_EQ(service(282000), texts::kNoticeServiceInternal);
  for (int code : {282111, 282112, 282113, 282114}) EXPECT_EQ(service(code), texts::kNoticeImageUrl) << code;
  // Other codes: their number and message, a long message cut between characters.
  EXPECT_EQ(service(4, "Open api request limit reached"),
            std::string(texts::kNoticeServiceErrorPrefix) + "4" + std::string(texts::kFullWidthColon) +
                "Open api request limit reached");
  EXPECT_EQ(service(6), std::string(texts::kNoticeServiceErrorPrefix) + "6");
  const std::string cut = service(7, std::string(119, 'a') + "\xB0\xA1\xB0\xA1");
  EXPECT_TRUE(cut.ends_with(std::string(119, 'a') + "...")) << cut;
  EXPECT_TRUE(service(7, std::string(119, 'a') + "\x81\x40").ends_with(std::string(119, 'a') + "..."));
  EXPECT_TRUE(service(7, std::string(119, 'a') + "\x81").ends_with(std::string(119, 'a') + "\x81"));

  ChainOutcome bad = Ended(End::kServiceBadReply);
  bad.httpStatus = 502;
  EXPECT_EQ(ChainNoticeText(bad),
            std::string(texts::kNoticeBadReplyPrefix) + "502" + std::string(texts::kNoticeBadReplySuffix));
  EXPECT_EQ(engine(EngineProblem::kVisualCppMissing, "VCRUNTIME140.dll"),
            std::string(texts::kNoticeEngineNoVisualCpp) + "VCRUNTIME140.dll" + std::string(texts::kFullStop));
  EXPECT_EQ(engine(EngineProblem::kDllMissing, "onnxruntime.dll"),
            std::string(texts::kNoticeEngineMissing) + "onnxruntime.dll" + std::string(texts::kFullStop));
  EXPECT_EQ(engine(EngineProblem::kModelBroken, "a.onnx"), std::string(texts::kNoticeEngineBrokenPrefix) + "a.onnx" +
                                                               std::string(texts::kNoticeEngineBrokenSuffix));
  EXPECT_NE(engine(EngineProblem::kModelMissing, "a.onnx"), engine(EngineProblem::kModelBroken, "a.onnx"));
  EXPECT_NE(engine(EngineProblem::kDllUnusable, "x"), engine(EngineProblem::kFailed, "x"));
  EXPECT_EQ(engine(EngineProblem::kFailed, "reading the picture"), texts::kNoticeEngineFailed);
}

}  // namespace
}  // namespace ornivex
