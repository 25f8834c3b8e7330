#include "ui/app/preview_facts.h"

#include <gtest/gtest.h>

#include "ui/foundation/format.h"
#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

class PreviewFactsTest : public ::testing::Test {
 protected:
  void SetUp() override { i18n::initialise(L"en-US"); }
  i18n::testing::StateGuard languageGuard;
};

TEST_F(PreviewFactsTest, FactLines) {
  struct Case {
    const char* what;
    PreviewResult result;
    std::wstring video;
    std::wstring audio;
  };
  auto make = [](auto change) {
    PreviewResult r;
    change(r);
    return r;
  };
  const Case cases[] = {
      {"nothing", PreviewResult{}, L"", L""},
      {"full video", make([](PreviewResult& r) {
         r.hasVideo = true;
         r.videoCodec = L"H.264";
         r.videoWidth = 1920;
         r.videoHeight = 1080;
         r.frameRate = 30000.0 / 1001;
       }),
       L"H.264  \u00B7  1920 x 1080  \u00B7  29.97 fps", L""},
      {"video of unknown codec and size", make([](PreviewResult& r) { r.hasVideo = true; }), L"Video", L""},
      {"stereo", make([](PreviewResult& r) {
         r.hasAudio = true;
         r.audioCodec = L"PCM";
         r.sampleRate = 44100;
         r.channels = 2;
       }),
       L"", L"PCM  \u00B7  44.1 kHz  \u00B7  Stereo"},
      {"mono without a rate", make([](PreviewResult& r) {
         r.hasAudio = true;
         r.channels = 1;
       }),
       L"", L"Audio  \u00B7  Mono"},
      {"surround, no channel count", make([](PreviewResult& r) {
         r.hasAudio = true;
         r.audioCodec = L"AAC";
         r.sampleRate = 48000;
         r.channels = 6;
       }),
       L"", L"AAC  \u00B7  48 kHz  \u00B7  6 channels"},
      {"channels unknown", make([](PreviewResult& r) {
         r.hasAudio = true;
         r.audioCodec = L"MP3";
       }),
       L"", L"MP3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(videoFactsLine(c.result), c.video) << c.what;
    EXPECT_EQ(audioFactsLine(c.result), c.audio) << c.what;
  }
}

TEST_F(PreviewFactsTest, LengthPagesAndPosition) {
  PreviewResult r;
  EXPECT_EQ(lengthLine(r), i18n::translate("preview.length_unknown"));
  r.durationKnown = true;
  r.durationSeconds = 75;
  EXPECT_EQ(lengthLine(r), L"Length " + formatDuration(75));

  PreviewResult pdf;
  pdf.pageCount = 1;
  EXPECT_EQ(pdfFactsLine(pdf), L"Page 1");
  pdf.pageCount = 12;
  pdf.pageWidth = 595.3f;
  pdf.pageHeight = 841.9f;
  EXPECT_EQ(pdfFactsLine(pdf), L"Page 1 of 12  \u00B7  595 x 842 pt");

  AudioPlayer::State state;
  EXPECT_EQ(audioPositionText(state, 3), formatDuration(3));
  state.duration = 200;
  EXPECT_EQ(audioPositionText(state, 3), formatDuration(3) + L" / " + formatDuration(200));
}

}  // namespace
}  // namespace tolzeb::ui
