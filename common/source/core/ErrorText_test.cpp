#include "core/ErrorText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <regex>

#include "core/Exception.h"

TEST(ErrorText, MultimediaTextsIncludingUnknownCodes) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {0, " no error "},
      {6, " no device driver present "},
      {12, " handle being used  simultaneously on another  thread (eg callback) "},
      {20, " driver does not call DriverCallback "},
      {21, "nieznany błąd: 21"},
      {32, " unsupported wave format "},
      {35, " device is synchronous "},
      {271, " no more file handles  "},
      {272, " default error file error "},
      {514, " The stream header specified in pash is currently not prepared by the acmStreamPrepareHeader function "},
      {1025, " The control reference is invalid."},
      {1026, " MIXERR_INVALVALUE "},
      {999, "nieznany błąd: 999"},
      {-1, "nieznany błąd: -1"},
  };
  for (const auto& c : cases) EXPECT_EQ(MultimediaErrorText(c.code), c.text) << c.code;
}

TEST(ErrorText, CheckMultimediaRaisesOnlyOnFailure) {
  EXPECT_NO_THROW(CheckMultimedia(0, "waveOutWrite failed"));
  const int line = __LINE__ + 2;
  try {
    CheckMultimedia(34, "waveOutWrite failed");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "waveOutWrite failed header not prepared " + LocationSuffix(__FILE__, line));
  }
}

TEST(ErrorText, SystemTexts) {
  EXPECT_EQ(SystemErrorText(0), "No Error");
  EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(SystemErrorText(123456), "");
}

TEST(ErrorText, VersionTextHasFourPartsAndBuildTime) {
  EXPECT_TRUE(std::regex_match(VersionText(), std::regex(R"(Wersja: \d+\.\d+\.\d+\.\d+ \(\w{3} [ \d]\d \d{4} \d\d:\d\d:\d\d\))")))
      << VersionText();
  const BuildMoment b = BuildTime();
  EXPECT_GE(b.year, 2026);
  EXPECT_TRUE(b.month >= 1 && b.month <= 12 && b.day >= 1 && b.day <= 31) << b.month << " " << b.day;
  EXPECT_TRUE(b.hour < 24 && b.minute < 60 && b.second < 61);
  EXPECT_NE(VersionText().find(VersionNumber()), String::npos);
}
