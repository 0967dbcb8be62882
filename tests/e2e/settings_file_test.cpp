// Ornivex.ini in the real shell, against the loopback stand-ins: files beside
// the executable (here the test program) and in the user's application-data
// folder, in the two encodings Notepad saves, change where the requests go and
// what the token request carries; bad values are passed over with a trace.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/endpoints.h"
#include "app/ocr_protocol.h"
#include "app/settings_file.h"
#include "app/texts.h"
#include "chain_fixture.h"
#include "harness.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "tests/support/debug_output.h"

namespace ornivex {
namespace {

using namespace e2e;

constexpr char kWordsJson[] = "from the settings";

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ResetStandins(kWordsJson)) << "stand-ins not reachable at " << OcrBase();
    const std::vector<std::wstring> paths = SettingsFilePaths();
    ASSERT_EQ(paths.size(), 2u);
    perUser_ = paths[0];
    beside_ = paths[1];
    RemoveFiles();
  }
  void TearDown() override {
    StopApplication();
    ResetStandins();
    RemoveFiles();
  }
  void RemoveFiles() {
    DeleteFileW(perUser_.c_str());
    RemoveDirectoryW(perUser_.substr(0, perUser_.rfind(L'\\')).c_str());
    DeleteFileW(beside_.c_str());
    DeleteFileW((ExecutableDirectory() + L"\\ZezAziz.log").c_str());
  }
  // The file as Notepad saves it: ANSI, or UTF-16 little-endian with a BOM.
  static void Write(const std::wstring& path, const std::string& text, bool utf16) {
    std::string bytes = text;
    if (utf16) {
      bytes = "\xFF\xFE";
      for (char c : text) bytes += {c, '\0'};
    }
    CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(path, bytes));
  }
  // One choice of the sample picture; waits for the result box.
  std::string ChooseAndWait() {
    HWND box = MainControl(texts::kResultBox);
    SetControlText(box, "stale");
    StartChainForPath(UnixPath(ORNIVEX_E2E_PICTURE));
    PumpUntil([box] { return GetControlText(box) != "stale"; }, 30000);
    return GetControlText(box);
  }
  // The query of the token request after sequence number `after`.
  static std::string TokenQuery(int after) {
    const auto tokens = RecordsAfter(L"ocr-token", after);
    if (tokens.size() != 1) return "requests: " + std::to_string(tokens.size());
    const std::string head = RecordHead(tokens[0]);
    const std::size_t q = head.find('?'), end = head.find(' ', q);
    return q == std::string::npos ? head : head.substr(q + 1, end - q - 1);
  }

  std::wstring perUser_;
  std::wstring beside_;
};

TEST_F(SettingsFileTest, FileBesideTheProgramNamesOtherServicesAndCredentials) {
  // The same stand-ins under another host name, and credentials they only take
  // once told; the secret holds bytes that the query carries percent-encoded.
  ASSERT_TRUE(ConfigureStandins("{\"client_id\": \"ini-id-7\", \"client_secret\": \"ini/secret+7\"}"));
  const std::string ocr = "http://localhost:" + std::to_string(ORNIVEX_E2E_OCR_PORT);
  const std::string image = "http://localhost:" + std::to_string(ORNIVEX_E2E_IMAGE_PORT);
  Write(beside_,
        "[ocr]\r\nurl=" + ocr + "\r\nclient_id=ini-id-7\r\nclient_secret=ini/secret+7\r\n\r\n"
        "[image_host]\r\nurl=" + image + "/\r\n",
        false);
  const int before = LastSeq();
  ASSERT_TRUE(StartApplication());
  EXPECT_EQ(TokenQuery(before), "grant_type=client_credentials&client_id=ini-id-7&client_secret=ini%2Fsecret%2B7&");
  ASSERT_FALSE(App().state.accessToken.empty());

  EXPECT_EQ(ChooseAndWait(), kWordsJson);
  const std::string n = PictureNumberText(App().state.pictureNumber);
  const auto uploads = RecordsAfter(L"image-upload", before);
  const auto recognitions = RecordsAfter(L"ocr-general_basic", before);
  ASSERT_EQ(uploads.size(), 1u);
  ASSERT_EQ(recognitions.size(), 1u);
  EXPECT_NE(RecordHead(uploads[0]).find("Host: localhost:" + std::to_string(ORNIVEX_E2E_IMAGE_PORT) + "\r\n"),
            std::string::npos);
  EXPECT_NE(RecordHead(recognitions[0]).find("Host: localhost:"), std::string::npos);
  EXPECT_EQ(RecordBody(recognitions[0]), "url=" + image + "/photo/" + n + ".png");
}

// An OCR account and no image host: the picture goes in the recognition
// request itself and is never uploaded anywhere.
TEST_F(SettingsFileTest, WithoutAnImageHostThePictureGoesInTheRequest) {
  Write(beside_, "[ocr]\r\nurl=" + OcrBase() + "\r\nclient_id=" + std::string(kOcrClientId) + "\r\nclient_secret=" +
                     std::string(kOcrClientSecret) + "\r\n[image_host]\r\nurl=\r\n",
        false);
  const int before = LastSeq();
  ASSERT_TRUE(StartApplication());
  EXPECT_EQ(ChooseAndWait(), kWordsJson);
  EXPECT_TRUE(RecordsAfter(L"image-upload", before).empty());
  const auto recognitions = RecordsAfter(L"ocr-general_basic", before);
  ASSERT_EQ(recognitions.size(), 1u);
  const std::string file = ReadWholeFile(UnixPath(ORNIVEX_E2E_PICTURE)).value_or("");
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(RecordBody(recognitions[0]) ==
              ImageRecognitionBody(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size())))
      << "the body is not image= and the file's Base64";
  EXPECT_EQ(App().state.pictureUrl, "");
}

// Notepad's "UTF-8 with BOM" puts the BOM on the first line, the [ocr] line of
// the README's example: the section is read all the same.
TEST_F(SettingsFileTest, FileSavedAsUtf8WithABomKeepsItsFirstSection) {
  ASSERT_TRUE(ConfigureStandins("{\"client_id\": \"bom-id\"}"));
  Write(beside_, "\xEF\xBB\xBF[ocr]\r\nclient_id=bom-id\r\n", false);
  const int before = LastSeq();
  ASSERT_TRUE(StartApplication());
  EXPECT_EQ(TokenQuery(before), "grant_type=client_credentials&client_id=bom-id&client_secret=" +
                                    std::string(kOcrClientSecret) + "&");
  EXPECT_FALSE(App().state.accessToken.empty());
}

TEST_F(SettingsFileTest, PerUserFileWinsKeyByKeyOverTheOneBesideTheProgram) {
  ASSERT_TRUE(ConfigureStandins("{\"client_id\": \"user-id\", \"client_secret\": \"beside-secret\"}"));
  // The per-user folder is the one %APPDATA% names.
  wchar_t appData[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH), 0u);
  EXPECT_EQ(perUser_, std::wstring(appData) + L"\\Ornivex\\Ornivex.ini");
  Write(perUser_, "[ocr]\r\nclient_id=user-id\r\n", true);
  Write(beside_, "[ocr]\r\nclient_id=beside-id\r\nclient_secret=beside-secret\r\n", false);
  const int before = LastSeq();
  ASSERT_TRUE(StartApplication());
  EXPECT_EQ(TokenQuery(before), "grant_type=client_credentials&client_id=user-id&client_secret=beside-secret&");
  EXPECT_FALSE(App().state.accessToken.empty());
}

// A per-user file that names another service gets none of the installation's
// credentials: nothing is sent to it, the user is told, and a trace says why.
TEST_F(SettingsFileTest, PerUserAddressGetsNoCredentialsOfTheInstallation) {
  const std::string other = "http://localhost:" + std::to_string(ORNIVEX_E2E_OCR_PORT);
  Write(perUser_, "[ocr]\r\nurl=" + other + "\r\n", false);
  Write(beside_, "[ocr]\r\nclient_id=beside-id\r\nclient_secret=beside-secret\r\n", false);
  const int before = LastSeq();
  testing::DebugOutput output;
  ASSERT_TRUE(StartApplication());
  EXPECT_EQ(App().settings.services.ocrUrl, other);
  EXPECT_EQ(ChooseAndWait(), "");
  EXPECT_EQ(ShownNotice(), texts::kNoticeNoCredentials);
  EXPECT_TRUE(RecordsAfter(L"ocr-token", before).empty());
  EXPECT_TRUE(RecordsAfter(L"ocr-general_basic", before).empty());
  const std::vector<std::string> lines = output.Lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.starts_with("Ornivex: Ornivex.ini: [ocr] url names"); }),
            1);
}

TEST_F(SettingsFileTest, BadValuesAreTracedAndTheBuiltInOnesUsed) {
  const std::string ocr = OcrBase();
  Write(beside_,
        "[ocr]\r\nurl=" + ocr + "/rest\r\nclient_secret=\r\n[image_host]\r\nurl=http://127.0.0.1:70000\r\n", true);
  const int before = LastSeq();
  testing::DebugOutput output;
  ASSERT_TRUE(StartApplication());
  const std::string builtIn = TokenUrl(ocr, kOcrClientId, kOcrClientSecret);
  EXPECT_EQ(TokenQuery(before), builtIn.substr(builtIn.find('?') + 1));
  EXPECT_EQ(ChooseAndWait(), kWordsJson);
  const auto recognitions = RecordsAfter(L"ocr-general_basic", before);
  ASSERT_EQ(recognitions.size(), 1u);
  EXPECT_EQ(RecordBody(recognitions[0]), "url=" + ImageBase() + "/photo/" +
                                             PictureNumberText(App().state.pictureNumber) + ".png");

  const std::vector<std::string> lines = output.Lines();
  for (const char* key : {"[ocr] url", "[ocr] client_secret", "[image_host] url"}) {
    const std::string want = std::string("Ornivex: Ornivex.ini: ") + key + " ignored";
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(want); }), 1)
        << want;
  }
}

}  // namespace
}  // namespace ornivex
