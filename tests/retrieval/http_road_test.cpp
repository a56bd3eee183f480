#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "http_download.h"
#include "http_retrieval.h"
#include "memory_values.h"
#include "retrieval_components.h"
#include "retrieval_log.h"
#include "scramble.h"
#include "settings.h"

namespace vorms {
namespace {

using test::Logged;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string WindowsPath(std::string unix_path) {
  for (char& c : unix_path) c = c == '/' ? '\\' : c;
  return "Z:" + unix_path;
}

const char kPage[] =
    "<p>Damage Cleanup Template (DCT)</SPAN> 385<BR>\r\n"
    "Copyright (C) 2001-2004 Trend Micro Incorporated. All rights reserved.\r\n";
const std::string kZip = std::string("PK\x03\x04", 4) + "the new package";

bool AnyLineStartsWith(const test::ProgramSandbox& sandbox, const std::string& prefix) {
  for (const std::string& m : test::LoggedMessages(sandbox)) {
    if (m.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

// The HTTP road against the local HTTP server and tinyproxy that with_servers.sh started.
class HttpRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = Env("VORMS_HTTP_PORT");
    ASSERT_FALSE(port_.empty()) << "run through with_servers.sh (ctest does)";
    root_ = WindowsPath(Env("VORMS_HTTP_ROOT"));
    for (const char* folder : {"\\download", "\\ftp", "\\ftp\\products", "\\ftp\\products\\tsc"}) {
      ::CreateDirectoryA((root_ + folder).c_str(), nullptr);
    }
    test::WriteFile(root_ + "\\download\\tsc.asp", kPage);
    test::WriteFile(root_ + "\\ftp\\products\\tsc\\tsc.zip", kZip);
    test::WriteFile(root_ + "\\ftp\\products\\tsc\\error.zip", "<html>Sorry, try later</html>");
    test::LogEverything();
    Http("DefaultFolder", Url("/download/tsc.asp"));
    Http("DefaultFileToGet", Url("/ftp/products/tsc/tsc.zip"));
    WriteSetting("TSC", "Pattern", "384", sandbox_.Ini());
    TransferLimits limits;
    limits.connect_ms = 3000;
    limits.idle_ms = 3000;
    UseTransferComponentsForTesting(nullptr, NewWinInetHttpDownloader(limits));
  }
  void TearDown() override {
    UseTransferComponentsForTesting(nullptr, nullptr);
    if (HasFailure()) {
      for (const std::string& m : test::LoggedMessages(sandbox_)) std::printf("  log: %s\n", m.c_str());
    }
  }

  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + port_ + path; }
  void Http(const char* key, const std::string& value) { WriteSetting("HTTP", key, value, sandbox_.Ini()); }
  void Ftp(const char* key, const std::string& value) { WriteSetting("FTP", key, value, sandbox_.Ini()); }
  void ThroughProxy(const std::string& password) {
    Ftp("UseProxy", "1");
    Http("ProxyName", "127.0.0.1");
    Http("ProxyPort", Env("VORMS_PROXY_PORT"));
    Ftp("Username", "proxyuser");
    Ftp("Password", "\"" + ScrambleText(password, 1, kScramble) + "\"");
  }

  test::ProgramSandbox sandbox_;
  std::string port_;
  std::string root_;
};

TEST_F(HttpRoad, GreaterPatternFetchesThePackage) {
  ::CreateDirectoryA(sandbox_.File("temp").c_str(), nullptr);
  test::WriteFile(sandbox_.File("temp\\tsc.exe"), "old tool");
  EXPECT_TRUE(HTTP_GET_FILE());
  EXPECT_EQ(test::ReadFile(sandbox_.File("tsc.zip")), kZip);
  EXPECT_EQ(memory::GetNewFileDownloaded(), sandbox_.File("tsc.zip"));
  EXPECT_FALSE(test::FileExists(sandbox_.File("temp\\tsc.exe")));  // the new package is unpacked
  const std::string page = Url("/download/tsc.asp");
  for (const std::string& line : {
           std::string("HTTP_GET_FILE: Start Function..."), "HTTP_GET_FILE: Try to download " + page,
           std::string("DownloadFile: Load engine..."), std::string("DownloadFile: Use Direct Mode..."),
           "DownloadFile: [=> GET : [" + page + "]",
           "DownloadFile: <=] SAVE : [" + sandbox_.File("TSCReadme.htm") + "]",
           std::string("DownloadFile: Start to download..."), std::string("DownloadFile: End download..."),
           "HTTP_GET_FILE: Success downloaded file " + page,
           std::string("AnalyzeDownloadedFile: New version found pattern 385")}) {
    EXPECT_TRUE(Logged(sandbox_, line)) << line;
  }
}

TEST_F(HttpRoad, EqualPatternFetchesNothing) {
  WriteSetting("TSC", "Pattern", "385", sandbox_.Ini());
  EXPECT_FALSE(HTTP_GET_FILE());
  EXPECT_FALSE(test::FileExists(sandbox_.File("tsc.zip")));
  EXPECT_TRUE(Logged(sandbox_, "AnalyzeDownloadedFile: No New version found [385]"));
  EXPECT_EQ(memory::GetNewFileDownloaded(), "");
}

TEST_F(HttpRoad, FailedTransfersLeaveNoFile) {
  struct Case {
    const char* name;
    std::string page;
    std::string package;
    std::string failed_url;  // named by the "unable to get file" line
    const char* error;       // start of the component's text
  };
  const Case cases[] = {
      {"page 404", "/download/none.asp", "/ftp/products/tsc/tsc.zip", "/download/none.asp",
       "the server answered 404"},
      {"package 404", "/download/tsc.asp", "/ftp/none.zip", "/ftp/none.zip", "the server answered 404"},
      {"dropped connection", "/download/tsc.asp", "/drop/tsc.zip", "/drop/tsc.zip", ""},
      {"stalled body", "/download/tsc.asp", "/stall/tsc.zip", "/stall/tsc.zip", ""},
      {"no server", "http://127.0.0.1:1/download/tsc.asp", "/ftp/products/tsc/tsc.zip",
       "http://127.0.0.1:1/download/tsc.asp", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteFile(sandbox_.File("tsc.zip"), "an older copy");
    test::WriteFile(sandbox_.File("TSCReadme.htm"), "an older page");
    const std::string page = c.page.rfind("http", 0) == 0 ? c.page : Url(c.page);
    const std::string failed = c.failed_url.rfind("http", 0) == 0 ? c.failed_url : Url(c.failed_url);
    Http("DefaultFolder", page);
    Http("DefaultFileToGet", Url(c.package));
    EXPECT_FALSE(HTTP_GET_FILE());
    EXPECT_TRUE(Logged(sandbox_, "HTTP_GET_FILE: unable to get file " + failed));
    EXPECT_TRUE(AnyLineStartsWith(sandbox_, std::string("Error Downloading !! : ") + c.error));
    // The file of the failed transfer is gone; an old page is never analysed again.
    EXPECT_FALSE(test::FileExists(sandbox_.File(failed == page ? "TSCReadme.htm" : "tsc.zip")));
    EXPECT_EQ(memory::GetNewFileDownloaded(), "");
  }
}

TEST_F(HttpRoad, AnErrorPageIsNoPackage) {
  Http("DefaultFileToGet", Url("/ftp/products/tsc/error.zip"));
  EXPECT_FALSE(HTTP_GET_FILE());
  EXPECT_FALSE(test::FileExists(sandbox_.File("tsc.zip")));
  EXPECT_TRUE(Logged(sandbox_, "HTTP_GET_FILE: unable to get file " + Url("/ftp/products/tsc/error.zip")));
}

TEST_F(HttpRoad, RedirectsAreFollowed) {
  Http("DefaultFileToGet", Url("/moved/ftp/products/tsc/tsc.zip"));
  EXPECT_TRUE(HTTP_GET_FILE());
  EXPECT_EQ(test::ReadFile(sandbox_.File("tsc.zip")), kZip);
}

TEST_F(HttpRoad, ThroughTheProxyWithCredentials) {
  ThroughProxy("proxypw");
  EXPECT_TRUE(HTTP_GET_FILE());
  EXPECT_TRUE(Logged(sandbox_, "DownloadFile: Use Proxy..."));
  EXPECT_EQ(test::ReadFile(sandbox_.File("tsc.zip")), kZip);
}

TEST_F(HttpRoad, AWrongProxyPasswordFailsTheTransfer) {
  ThroughProxy("wrong");
  EXPECT_FALSE(HTTP_GET_FILE());
  EXPECT_TRUE(AnyLineStartsWith(sandbox_, "Error Downloading !! : the credentials were refused"));
  EXPECT_TRUE(Logged(sandbox_, "HTTP_GET_FILE: unable to get file " + Url("/download/tsc.asp")));
  EXPECT_FALSE(test::FileExists(sandbox_.File("TSCReadme.htm")));
}

TEST_F(HttpRoad, AStopRequestEndsAStalledTransfer) {
  test::ScopedStopEvent stop;
  HANDLE raw = stop.get();
  UseTransferComponentsForTesting(nullptr, NewWinInetHttpDownloader(TransferLimits{}));  // 60 s
  Http("DefaultFileToGet", Url("/stall/tsc.zip"));
  std::thread stopper([raw] {
    ::Sleep(1000);
    ::SetEvent(raw);
  });
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_FALSE(HTTP_GET_FILE());
  stopper.join();
  EXPECT_LT(::GetTickCount64() - start, 20000u) << "the stop request did not end the transfer";
  EXPECT_TRUE(Logged(sandbox_, "Error Downloading !! : the transfer was ended by a stop request"));
  EXPECT_FALSE(test::FileExists(sandbox_.File("tsc.zip")));
}

// The test CA in the prefix's Root store for as long as this lives.
class TrustedTestCa {
 public:
  TrustedTestCa() {
    const std::string pem = test::ReadFile(WindowsPath(Env("VORMS_TEST_CA")));
    DWORD size = 0;
    ::CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr);
    std::string der(size, '\0');
    ::CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER,
                           reinterpret_cast<BYTE*>(der.data()), &size, nullptr, nullptr);
    store_ = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0,
                           CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    if (store_ && size) {
      ::CertAddEncodedCertificateToStore(store_, X509_ASN_ENCODING,
                                         reinterpret_cast<const BYTE*>(der.data()), size,
                                         CERT_STORE_ADD_REPLACE_EXISTING, &added_);
      ::CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);  // into the registry now
    }
  }
  ~TrustedTestCa() {
    if (added_) ::CertDeleteCertificateFromStore(added_);  // frees the context too
    if (store_) ::CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    if (store_) ::CertCloseStore(store_, 0);
  }
  bool ok() const { return added_ != nullptr; }

 private:
  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT added_ = nullptr;
};

// The system caches its trusted roots at the first https connection of a process: the
// test CA goes in first, and the failure comes from a server that it did not issue.
TEST_F(HttpRoad, HttpsWorksAndAnUntrustedCertificateFailsClearly) {
  TrustedTestCa ca;
  ASSERT_TRUE(ca.ok());
  struct Case {
    const char* name;
    std::string port;
    bool result;
  };
  const Case cases[] = {
      {"untrusted", Env("VORMS_ROGUE_HTTPS_PORT"), false},
      {"issued by the test CA", Env("VORMS_HTTPS_PORT"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::DeleteFileA(sandbox_.File("VORMS_DEBUG.log").c_str());
    const std::string base = "https://127.0.0.1:" + c.port;
    Http("DefaultFolder", base + "/download/tsc.asp");
    Http("DefaultFileToGet", base + "/ftp/products/tsc/tsc.zip");
    EXPECT_EQ(HTTP_GET_FILE(), c.result);
    EXPECT_EQ(test::ReadFile(sandbox_.File("tsc.zip")), c.result ? kZip : "");
    EXPECT_EQ(AnyLineStartsWith(sandbox_, "Error Downloading !! : the server's certificate does not "
                                          "verify: it is not issued by a trusted authority"),
              !c.result);
  }
}

}  // namespace
}  // namespace vorms
