#include <gtest/gtest.h>

#include <functional>

#include "errors.h"
#include "date_text.h"
#include "net_text.h"
#include "release_page.h"
#include "test_support.h"

namespace vorms {
namespace {

using test::ErrorOf;

// Page text in, candidate out (or the error the analysis reports).
std::string CandidateOf(const std::string& page) {
  const std::string extract = MarkerExtract(CleanPageMarkup(page));
  return PatternCandidate(CleanPatternPiece(MarkerPieces(extract)), extract);
}

const char kFooterPage[] =
    "<html><body>\r\n<H1>Trend Micro Damage Cleanup</H1>\r\n"
    "<p>Damage Cleanup Template (DCT)</SPAN> 385<BR>\r\n"
    "Copyright (C) 2001-2004 Trend Micro Incorporated. All rights reserved.";

TEST(ReleasePage, ExtractsTheCandidate) {
  struct Case {
    const char* name;
    std::string page;
    std::string candidate;
  };
  const Case cases[] = {
      {"footer appended and removed", kFooterPage, "385"},
      {"markup of the first clean-up", "x (DCT)<o:p></o:p></span></p>-412<br>\r\n", "412"},
      {"year digits removed", "(DCT) 12004<BR>", "1"},
      {"second marker ends piece 1", "(DCT) 77 (DCT) 88", "77"},
      {"signed number", "(DCT)-5", "5"},  // "-" is one of the removed texts
      {"LF-only page is one line", "a\n(DCT) 390<BR>\nnext", "a\n(DCT) 390<BR>\nnext"},
      {"LF-only page without breaks after the number", "a\n(DCT) 390", "390"},
      {"other letter case stays", "(DCT) 385<Br>", "(DCT) 385<Br>"},
      {"empty piece names the extract", "(DCT)\r\n\r\n", "(DCT)"},
      {"third line after the marker not taken", "(DCT) 1\r\n2\r\n3\r\n4", "123"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CandidateOf(c.page), c.candidate);
  }
}

TEST(ReleasePage, NoMarkerIsSubscriptOutOfRange) {
  EXPECT_EQ(MarkerExtract("no marker here\r\nnor here"), "");
  EXPECT_TRUE(MarkerPieces("").empty());
  EXPECT_EQ(ErrorOf([] { CandidateOf("<html>(DC T) 385</html>"); }), err::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([] { CandidateOf(""); }), err::kSubscriptOutOfRange);
}

TEST(ReleasePage, ComparesAsSixteenBitNumbers) {
  struct Case {
    const char* candidate;
    const char* stored;
    int result;  // 1 greater, 0 not, or the error number
  };
  const Case cases[] = {
      {"385", "384", 1},   {"385", "385", 0},   {"385", "0", 1},      {"9", "10", 0},
      {"32767", "0", 1},   {"32768", "0", err::kOverflow},            {"385", "abc", err::kTypeMismatch},
      {"(DCT) 385<Br>", "0", err::kTypeMismatch},                     {"-1", "0", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.candidate) + " vs " + c.stored);
    int got = 0;
    int error = ErrorOf([&] { got = IsGreaterPattern(c.candidate, c.stored) ? 1 : 0; });
    EXPECT_EQ(error ? error : got, c.result);
  }
  EXPECT_TRUE(IsPatternNumber("+12"));
  EXPECT_FALSE(IsPatternNumber("+"));
  EXPECT_FALSE(IsPatternNumber("1 2"));
}

TEST(PackageDates, DateTextToFourteenDigits) {
  struct Case {
    const char* text;
    const char* numeric;  // "" for a text that is no date (13)
  };
  const Case cases[] = {
      {"2004-05-12 09:30:15", "20040512093015"}, {" 2026-12-31 23:59:59 ", "20261231235959"},
      {"2004-05-12", "20040512000000"},          {"2004-05-12 09:30", "20040512093000"},
      {"2024-02-29 00:00:00", "20240229000000"}, {"2023-02-29 00:00:00", ""},
      {"2004-13-01 00:00:00", ""},               {"2004-05-12 24:00:00", ""},
      {"2004/05/12 09:30:15", ""},               {"not a date", ""},
      {"", ""},                                  {"2004-05-12 09:30:15x", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string got;
    int error = ErrorOf([&] { got = NumericDate(ParseDateTimeText(c.text)); });
    if (*c.numeric) {
      EXPECT_EQ(error, 0);
      EXPECT_EQ(got, c.numeric);
    } else {
      EXPECT_EQ(error, err::kTypeMismatch);
    }
  }
}

TEST(NetText, MdtmReplies) {
  auto t = net::ParseMdtmReply("213 20040512093015\r\n");
  ASSERT_TRUE(t);
  EXPECT_EQ(*t, (DateTime{2004, 5, 12, 9, 30, 15}));
  EXPECT_TRUE(net::ParseMdtmReply("213 20040512093015.123"));
  for (const char* bad : {"550 No such file", "213 2004051209301", "213 20041312093015",
                          "213 2004051209301x", "", "213 20040512093015.x"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(net::ParseMdtmReply(bad));
  }
}

TEST(NetText, HostsUrlsAndProxies) {
  auto hp = net::SplitHostPort("127.0.0.1:2121");
  ASSERT_TRUE(hp);
  EXPECT_EQ(hp->host, "127.0.0.1");
  EXPECT_EQ(hp->port, 2121);
  EXPECT_EQ(net::SplitHostPort("ftp.example.com")->port, 0);
  for (const char* bad : {"", ":21", "host:0", "host:70000", "host:x", "a b", "user@host"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(net::SplitHostPort(bad));
  }
  auto url = net::SplitHttpUrl("HTTPS://127.0.0.1:8443/download/tsc.asp?x=1");
  ASSERT_TRUE(url);
  EXPECT_TRUE(url->secure);
  EXPECT_EQ(url->server.port, 8443);
  EXPECT_EQ(url->path, "/download/tsc.asp?x=1");
  EXPECT_EQ(net::SplitHttpUrl("http://host")->path, "/");
  EXPECT_FALSE(net::SplitHttpUrl("ftp://host/x"));
  EXPECT_FALSE(net::SplitHttpUrl("http://user:pw@host/x"));
  auto proxy = net::ParseFtpProxy("ftp=ftp://proxy.local:2100");
  ASSERT_TRUE(proxy);
  EXPECT_EQ(proxy->host, "proxy.local");
  EXPECT_EQ(proxy->port, 2100);
  EXPECT_EQ(net::ParseFtpProxy("ftp=ftp://proxy.local:0")->port, 0);  // no port stored
  EXPECT_FALSE(net::ParseFtpProxy("ftp=ftp://:0"));
  EXPECT_FALSE(net::ParseFtpProxy("http=proxy:80"));
}

TEST(NetText, ListPatternAndPlainNames) {
  EXPECT_TRUE(net::MatchesListPattern("tsc.zip", "tsc*.zip"));
  EXPECT_TRUE(net::MatchesListPattern("TSC_2004.ZIP", "tsc*.zip"));
  EXPECT_FALSE(net::MatchesListPattern("tsc.zip.txt", "tsc*.zip"));
  EXPECT_FALSE(net::MatchesListPattern("xtsc.zip", "tsc*.zip"));
  EXPECT_FALSE(net::MatchesListPattern(std::string(5000, 'a'), "*a*a*a*a*b"));
  EXPECT_TRUE(net::IsPlainFileName("tsc.zip"));
  for (const char* bad : {"tsc\\..\\..\\x.zip", "tsc/x.zip", "C:tsc.zip", "..", "tsc.zip ", ""}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(net::IsPlainFileName(bad));
  }
}

}  // namespace
}  // namespace vorms
