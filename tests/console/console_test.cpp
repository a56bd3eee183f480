#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_message.h"
#include "main_window.h"
#include "resource.h"
#include "schedule.h"
#include "settings.h"
#include "smtp_test_servers.h"
#include "test_support.h"

namespace vorms::console {
namespace {

using test::ProgramSandbox;

const DateTime kNow{2026, 12, 10, 12, 0, 0};

std::string Ini(const ProgramSandbox& box, const char* section, const char* key) {
  return ReadSetting(section, key, box.Ini());
}

std::string WindowText(HWND window) {
  char text[4096] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// Clicks a button the way the keyboard or mouse does: through the control itself.
void Click(const Dialog& dialog, int id) {
  ::SendMessageA(::GetDlgItem(dialog.hwnd(), id), BM_CLICK, 0, 0);
}

class ConsoleTest : public testing::Test {
 protected:
  void SetUp() override {
    box_.SetNow(kNow);
    SetMessageSinkForTesting([this](const std::string& text) { messages_.push_back(text); });
  }
  void TearDown() override { SetMessageSinkForTesting(nullptr); }

  void Open() { form_.Load(false); ASSERT_TRUE(form_.IsLoaded()); }
  void Menu(int id) { ::SendMessageA(form_.hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  void Tick(UINT_PTR timer) { ::SendMessageA(form_.hwnd(), WM_TIMER, timer, 0); }
  UINT State(int id) { return ::GetMenuState(::GetMenu(form_.hwnd()), id, MF_BYCOMMAND); }
  bool MenuChecked(int id) { return (State(id) & MF_CHECKED) != 0; }
  bool MenuEnabled(int id) { return (State(id) & (MF_GRAYED | MF_DISABLED)) == 0; }
  std::string MenuCaption(int id) {
    char text[128] = {};
    ::GetMenuStringA(::GetMenu(form_.hwnd()), id, text, sizeof text, MF_BYCOMMAND);
    return text;
  }
  std::string Status() { return form_.Text(IDC_STATUS); }
  void Feed(const std::string& text) {
    std::string old = test::ReadFile(box_.File("Realtime.log"));
    test::WriteFile(box_.File("Realtime.log"), old + text);
  }

  ProgramSandbox box_{Program::Config};
  bool ended_ = false;
  Form1 form_{[this] { ended_ = true; }};
  std::vector<std::string> messages_;
};

constexpr int kPoolIds[] = {IDM_MENU_POOL_15, IDM_MENU_POOL_30, IDM_MENU_POOL_60,
                            IDM_MENU_POOL_720, IDM_MENU_POOL_1440};

TEST_F(ConsoleTest, MissingSettingsFileShowsTheDefaults) {
  Open();
  EXPECT_EQ(form_.Text(IDC_TSC_LOCAL_VERSION), "0.P.0");
  EXPECT_EQ(WindowText(form_.hwnd()).rfind("GUI version 1.0.0 next time: 2026-12-10 13:00:00", 0), 0u)
      << WindowText(form_.hwnd());
  EXPECT_TRUE(MenuChecked(IDM_MENU_POOL_60));
  EXPECT_EQ(Ini(box_, "SERVICE", "SchedulePoolMinutes"), "60");
  for (int id : {IDM_EnableProxy, IDM_MENU_ENABLE_SMTP, IDM_Enable_Write_logs, IDM_MENU_Enable_Debug_Mode}) {
    EXPECT_FALSE(MenuChecked(id)) << id;
  }
  EXPECT_FALSE(MenuEnabled(IDM_Set_Proxy_addresses));
  EXPECT_FALSE(MenuEnabled(IDM_MENU_SMTP_PARAMETERS));
  EXPECT_FALSE(MenuEnabled(IDM_MENU_POOL_OTHER));
  EXPECT_EQ(MenuCaption(IDM_MENU_POOL_720), "Every half-day ");
  EXPECT_TRUE(form_.proxy_parameters().IsLoaded());  // loaded hidden, for its FTP fields
  EXPECT_FALSE(::IsWindowVisible(form_.proxy_parameters().hwnd()));
}

TEST_F(ConsoleTest, AnIntervalOfNoItemShowsAsOtherAndClickingItChangesNothing) {
  WriteSetting("SERVICE", "SchedulePoolMinutes", "45", box_.Ini());
  Open();
  for (int id : kPoolIds) EXPECT_FALSE(MenuChecked(id)) << id;
  EXPECT_EQ(MenuCaption(IDM_MENU_POOL_OTHER), "Every 45 minutes");
  EXPECT_TRUE(MenuEnabled(IDM_MENU_POOL_OTHER));
  EXPECT_TRUE(MenuChecked(IDM_MENU_POOL_OTHER));
  const std::string before = test::ReadFile(box_.Ini());
  Menu(IDM_MENU_POOL_OTHER);
  EXPECT_EQ(test::ReadFile(box_.Ini()), before);
  // Choosing a listed interval gives "Other" its plain caption back.
  Menu(IDM_MENU_POOL_30);
  EXPECT_TRUE(MenuChecked(IDM_MENU_POOL_30));
  EXPECT_EQ(MenuCaption(IDM_MENU_POOL_OTHER), "Other");
  EXPECT_FALSE(MenuEnabled(IDM_MENU_POOL_OTHER));
}

TEST_F(ConsoleTest, StoredValuesThatAreNotNumbersAreShownAsOffAndNamed) {
  WriteSetting("SERVICE", "SchedulePoolMinutes", "abc", box_.Ini());
  WriteSetting("LOGS", "Enable", "yes", box_.Ini());
  WriteSetting("FTP", "ProxyPort", "80x", box_.Ini());
  Open();
  for (int id : kPoolIds) EXPECT_FALSE(MenuChecked(id)) << id;
  EXPECT_FALSE(MenuChecked(IDM_MENU_POOL_OTHER));
  EXPECT_FALSE(MenuChecked(IDM_Enable_Write_logs));
  EXPECT_NE(Status().find("[SERVICE] SchedulePoolMinutes=[abc] is not a number"), std::string::npos) << Status();
  EXPECT_NE(Status().find("[LOGS] Enable=[yes] is not a number, shown as off"), std::string::npos);
  EXPECT_EQ(form_.proxy_parameters().Text(IDC_FTP_PROXY_PORT), "80x");
  // Nothing was rewritten behind the user's back; a click writes what it shows.
  EXPECT_EQ(Ini(box_, "SERVICE", "SchedulePoolMinutes"), "abc");
  EXPECT_EQ(Ini(box_, "FTP", "ProxyPort"), "80x");
  Menu(IDM_Enable_Write_logs);
  EXPECT_EQ(Ini(box_, "LOGS", "Enable"), "1");
  EXPECT_TRUE(MenuChecked(IDM_Enable_Write_logs));
}

TEST_F(ConsoleTest, SwitchItemsToggleTheirKeyAndTheirDependentItem) {
  struct Case {
    int item;
    const char* section;
    const char* key;
    int dependent;  // 0: none
  };
  const Case cases[] = {{IDM_EnableProxy, "FTP", "UseProxy", IDM_Set_Proxy_addresses},
                        {IDM_MENU_ENABLE_SMTP, "SMTP", "Enable", IDM_MENU_SMTP_PARAMETERS},
                        {IDM_Enable_Write_logs, "LOGS", "Enable", 0},
                        {IDM_MENU_Enable_Debug_Mode, "Service", "DebugMode", 0}};
  Open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    Menu(c.item);
    EXPECT_EQ(Ini(box_, c.section, c.key), "1");
    EXPECT_TRUE(MenuChecked(c.item));
    if (c.dependent) {
      EXPECT_TRUE(MenuEnabled(c.dependent));
    }
    Menu(c.item);
    EXPECT_EQ(Ini(box_, c.section, c.key), "0");
    EXPECT_FALSE(MenuChecked(c.item));
    if (c.dependent) {
      EXPECT_FALSE(MenuEnabled(c.dependent));
    }
  }
  // Another program switched the proxy on: the click acts on the file, not on the mark.
  WriteSetting("FTP", "UseProxy", "1", box_.Ini());
  Menu(IDM_EnableProxy);
  EXPECT_EQ(Ini(box_, "FTP", "UseProxy"), "0");
}

TEST_F(ConsoleTest, EveryDayMovesTheNextRunByADayAndTheCaptionFollows) {
  Open();
  box_.SetNow(DateTime{2026, 12, 10, 12, 30, 0});
  Menu(IDM_MENU_POOL_1440);
  EXPECT_EQ(Ini(box_, "SERVICE", "SchedulePoolMinutes"), "1440");
  EXPECT_EQ(Ini(box_, "SERVICE", "ScheduleTimeExecute"), MinutesSince2000(DateTime{2026, 12, 11, 12, 30, 0}));
  EXPECT_TRUE(MenuChecked(IDM_MENU_POOL_1440));
  EXPECT_FALSE(MenuChecked(IDM_MENU_POOL_60));
  EXPECT_NE(Status().find("ScheduleSaveNewTime: calculate to start on 2026-12-11 12:30:00"), std::string::npos);
  ::SetWindowTextA(form_.hwnd(), "");
  Tick(Form1::kTimer2);
  EXPECT_EQ(WindowText(form_.hwnd()), "GUI version 1.0.0 next time: 2026-12-11 12:30:00");
}

TEST_F(ConsoleTest, StartNowEmptiesTheStatusBoxAndRaisesTheFlag) {
  Open();
  form_.SetText(IDC_STATUS, "old lines\r\n");
  Click(form_, IDC_Command1);
  EXPECT_EQ(Status(), "");
  EXPECT_EQ(Ini(box_, "Service", "StartActions"), "1");
}

TEST_F(ConsoleTest, ApplyAllParametersStoresTheLoginAndAsksForAReload) {
  WriteSetting("FTP", "Username", "keep", box_.Ini());
  WriteSetting("FTP", "Password", "aaa", box_.Ini());
  Open();
  EXPECT_EQ(form_.Text(IDC_FTP_USERNAME), "keep");
  EXPECT_EQ(form_.Text(IDC_FTP_PASSWORD), "abc");  // shown descrambled
  form_.SetText(IDC_FTP_USERNAME, "");
  form_.SetText(IDC_FTP_PASSWORD, "");
  Click(form_, IDC_Command2);
  EXPECT_EQ(Ini(box_, "FTP", "Username"), "keep");  // empty fields write nothing
  EXPECT_EQ(Ini(box_, "FTP", "Password"), "aaa");
  EXPECT_EQ(Ini(box_, "Service", "ReloadParameters"), "1");
  form_.SetText(IDC_FTP_USERNAME, " bob ");
  form_.SetText(IDC_FTP_PASSWORD, "xyz");
  Click(form_, IDC_Command2);
  EXPECT_EQ(Ini(box_, "FTP", "Username"), "bob");
  EXPECT_EQ(Ini(box_, "FTP", "Password"), "xxx");  // scrambled
}

TEST_F(ConsoleTest, TheLiveViewShowsEachNewFeedLineOnceNewestFirst) {
  test::WriteFile(box_.File("Realtime.log"), "from an earlier run\r\n");
  Open();
  EXPECT_FALSE(test::FileExists(box_.File("Realtime.log")));  // the view starts empty
  form_.SetText(IDC_STATUS, "");  // only the feed from here on
  std::string ten;
  for (int i = 1; i <= 10; ++i) ten += "line " + std::to_string(i) + "\r\n";
  Feed(ten);
  Tick(Form1::kTimer1);
  EXPECT_EQ(form_.Text(IDC_LABEL_TIME), "12:00:00");
  std::vector<std::string> lines = SplitLines(Status());
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines.front(), "line 10");
  EXPECT_EQ(lines.back(), "line 1");

  Feed("line 11\r\nline 12\r\nline 13\r\n");
  Tick(Form1::kTimer1);
  Tick(Form1::kTimer1);  // a poll without new bytes adds nothing
  lines = SplitLines(Status());
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ((std::vector<std::string>(lines.begin(), lines.begin() + 4)),
            (std::vector<std::string>{"line 13", "line 12", "line 11", "line 10"}));
  EXPECT_EQ(form_.live_view().RealtimeLines(), 13);

  // A line still being written waits until its end arrives, then shows once.
  Feed("line 1");
  Tick(Form1::kTimer1);
  EXPECT_EQ(SplitLines(Status()).size(), 13u);
  Feed("4\r\n");
  Tick(Form1::kTimer1);
  lines = SplitLines(Status());
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines.front(), "line 14");
}

TEST_F(ConsoleTest, AFeedRecreatedSmallerIsShownFromItsStart) {
  Open();
  form_.SetText(IDC_STATUS, "");
  Feed("first 1\r\nfirst 2\r\nfirst 3\r\n");
  Tick(Form1::kTimer1);
  ASSERT_TRUE(::DeleteFileA(box_.File("Realtime.log").c_str()));
  Tick(Form1::kTimer1);
  test::WriteFile(box_.File("Realtime.log"), "new 1\r\n");
  Tick(Form1::kTimer1);
  std::vector<std::string> lines = SplitLines(Status());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines.front(), "new 1");
  // Rewritten in place, smaller, without the view seeing it disappear.
  test::WriteFile(box_.File("Realtime.log"), "x\r\n");
  Tick(Form1::kTimer1);
  EXPECT_EQ(SplitLines(Status()).front(), "x");
}

TEST_F(ConsoleTest, MinimisingGoesToTheTrayAndALeftClickBringsTheWindowBack) {
  Open();
  ::ShowWindow(form_.hwnd(), SW_SHOW);
  Menu(IDM_MENU_REDUCE);
  ASSERT_TRUE(form_.TrayIconShown());
  EXPECT_FALSE(::IsWindowVisible(form_.hwnd()));
  ::SendMessageA(form_.hwnd(), Form1::kTrayMessage, 1, WM_RBUTTONDOWN);
  EXPECT_FALSE(::IsWindowVisible(form_.hwnd()));
  EXPECT_TRUE(form_.TrayIconShown());
  ::SendMessageA(form_.hwnd(), Form1::kTrayMessage, 1, WM_LBUTTONDOWN);
  EXPECT_TRUE(::IsWindowVisible(form_.hwnd()));
  EXPECT_FALSE(::IsIconic(form_.hwnd()));
  EXPECT_FALSE(form_.TrayIconShown());
}

TEST_F(ConsoleTest, TheCloseBoxEndsTheProgramLikeQuit) {
  Open();
  Menu(IDM_MENU_selectprotocol);
  ::SendMessageA(form_.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(ended_);
  EXPECT_FALSE(form_.IsLoaded());
  EXPECT_FALSE(form_.protocols().IsLoaded());
  EXPECT_FALSE(form_.TrayIconShown());
}

TEST_F(ConsoleTest, TheProxyDialogOnAFreshFolderShowsAndStoresTheDefaults) {
  Open();
  Menu(IDM_Set_Proxy_addresses);
  ProxyParameters& proxy = form_.proxy_parameters();
  EXPECT_EQ(WindowText(proxy.hwnd()), "Proxy Parameters");
  EXPECT_TRUE(::IsWindowVisible(proxy.hwnd()));
  EXPECT_EQ(proxy.Text(IDC_FTP_PROXY_PORT), "0");
  EXPECT_EQ(proxy.Text(IDC_HTTP_PROXY_PORT), "8080");
  EXPECT_EQ(proxy.Text(IDC_FTP_PROXY_NAME), "");
  EXPECT_EQ(proxy.Text(IDC_HTTP_PROXY), "");
  EXPECT_FALSE(proxy.Checked(IDC_PASSIVE_CHECK));
  EXPECT_EQ(Ini(box_, "FTP", "ProxyPort"), "0");
  EXPECT_EQ(Ini(box_, "HTTP", "ProxyPort"), "8080");
  EXPECT_EQ(Ini(box_, "FTP", "UsePassive"), "0");
}

TEST_F(ConsoleTest, PassiveModeIsWrittenAtOnceAndTheCloseBoxKeepsIt) {
  WriteSetting("FTP", "UsePassive", "1", box_.Ini());
  Open();
  ProxyParameters& proxy = form_.proxy_parameters();
  Menu(IDM_Set_Proxy_addresses);
  EXPECT_TRUE(proxy.Checked(IDC_PASSIVE_CHECK));
  proxy.SetText(IDC_FTP_PROXY_NAME, "discarded");
  Click(proxy, IDC_PASSIVE_CHECK);
  EXPECT_EQ(Ini(box_, "FTP", "UsePassive"), "0");
  ::SendMessageA(proxy.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(proxy.IsLoaded());
  EXPECT_EQ(Ini(box_, "FTP", "UsePassive"), "0");
  EXPECT_EQ(Ini(box_, "FTP", "Proxy"), "");
}

TEST_F(ConsoleTest, TheProxyDialogRefusesAPortTheServiceCouldNotReadAndSavesTrimmed) {
  Open();
  ProxyParameters& proxy = form_.proxy_parameters();
  Menu(IDM_Set_Proxy_addresses);
  proxy.SetText(IDC_FTP_PROXY_NAME, " gate.local ");
  proxy.SetText(IDC_FTP_PROXY_PORT, "21a");
  proxy.SetText(IDC_HTTP_PROXY, "web.local");
  proxy.SetText(IDC_HTTP_PROXY_PORT, "3128");
  Click(proxy, IDC_Command1);
  EXPECT_EQ(messages_, std::vector<std::string>{"FTP Proxy Port must be a number from 0 to 32767"});
  EXPECT_TRUE(proxy.IsLoaded());
  EXPECT_EQ(Ini(box_, "FTP", "Proxy"), "");
  proxy.SetText(IDC_FTP_PROXY_PORT, " 2121 ");
  Click(proxy, IDC_Command1);
  EXPECT_FALSE(proxy.IsLoaded());
  EXPECT_EQ(Ini(box_, "FTP", "Proxy"), "gate.local");
  EXPECT_EQ(Ini(box_, "FTP", "ProxyPort"), "2121");
  EXPECT_EQ(Ini(box_, "HTTP", "ProxyName"), "web.local");
  EXPECT_EQ(Ini(box_, "HTTP", "ProxyPort"), "3128");
  Menu(IDM_Set_Proxy_addresses);  // loaded afresh from the file
  EXPECT_EQ(proxy.Text(IDC_FTP_PROXY_NAME), "gate.local");
}

TEST(Protocols, TheDialogLoadsTheChoiceAndStoresItAsItLoads) {
  struct Case {
    const char* http;  // nullptr: missing
    const char* ftp;
    bool http_selected, ftp_selected;
    std::string http_after, ftp_after;
  };
  const Case cases[] = {{nullptr, nullptr, false, true, "0", "1"},
                        {"1", "1", true, false, "1", "0"},
                        {"0", "0", false, false, "0", "0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.http ? c.http : "-") << "/" << (c.ftp ? c.ftp : "-"));
    ProgramSandbox box(Program::Config);
    if (c.http) WriteSetting("HTTP", "UseThis", c.http, box.Ini());
    if (c.ftp) WriteSetting("FTP", "UseThis", c.ftp, box.Ini());
    const std::string before = test::ReadFile(box.Ini());
    frmProtocols dialog;
    dialog.Load(nullptr);
    ASSERT_TRUE(dialog.IsLoaded());
    EXPECT_EQ(dialog.Checked(IDC_Option1_0), c.http_selected);
    EXPECT_EQ(dialog.Checked(IDC_Option1_1), c.ftp_selected);
    EXPECT_EQ(Ini(box, "HTTP", "UseThis"), c.http_after);
    EXPECT_EQ(Ini(box, "FTP", "UseThis"), c.ftp_after);
    EXPECT_EQ(dialog.Text(IDC_FTP_ROOT), kDefaultFtpFolderUrl);
    EXPECT_EQ(Ini(box, "HTTP", "DefaultFolder"), kDefaultReleasePageUrlConfig);
  }
}

TEST_F(ConsoleTest, TheProtocolDialogStoresAClickAtOnceAndSavesTheFolders) {
  Open();
  Menu(IDM_MENU_selectprotocol);
  frmProtocols& dialog = form_.protocols();
  EXPECT_EQ(WindowText(dialog.hwnd()), "Protocols");
  Click(dialog, IDC_Option1_0);  // stored at once, before any save
  EXPECT_EQ(Ini(box_, "HTTP", "UseThis"), "1");
  EXPECT_EQ(Ini(box_, "FTP", "UseThis"), "0");
  EXPECT_FALSE(dialog.Checked(IDC_Option1_1));
  dialog.SetText(IDC_FTP_ROOT, "  ");
  dialog.SetText(IDC_HTTP_ROOT, "");
  Click(dialog, IDC_Command1);
  EXPECT_FALSE(dialog.IsLoaded());
  EXPECT_EQ(Ini(box_, "FTP", "DefaultFolder"), kDefaultFtpFolderUrl);
  EXPECT_EQ(Ini(box_, "HTTP", "DefaultFolder"), "");
}

TEST_F(ConsoleTest, TheAboutWindowShowsTheVersion) {
  Open();
  Menu(IDM_MENU_ABOUT);
  frmAbout& about = form_.about();
  EXPECT_EQ(WindowText(about.hwnd()), "About Vormsline [VORMS]");
  EXPECT_EQ(about.Text(IDC_lblVersion), "VORMS Version 1.0.0");
  Click(about, IDC_cmdOK);
  EXPECT_FALSE(about.IsLoaded());
}

TEST_F(ConsoleTest, TheSmtpDialogSavesItsFields) {
  WriteSetting("SMTP", "SERVER", "mail.local", box_.Ini());
  WriteSetting("SMTP", "EnableSendtheTscFile", "1", box_.Ini());
  Open();
  Menu(IDM_MENU_SMTP_PARAMETERS);
  FORM_SMTP& smtp = form_.form_smtp();
  EXPECT_EQ(WindowText(smtp.hwnd()), "SMTP Parameters");
  EXPECT_EQ(smtp.Text(IDC_FIELD_SMTP_SERVER), "mail.local");
  EXPECT_TRUE(smtp.Checked(IDC_Check_SendFile));
  smtp.SetText(IDC_FIELD_SMTPFROM, " a@b.local ");
  smtp.SetText(IDC_FIELD_SMTPTO, "c@d.local");
  Click(smtp, IDC_Check_SendFile);
  Click(smtp, IDC_Command1);
  EXPECT_FALSE(smtp.IsLoaded());
  EXPECT_EQ(Ini(box_, "SMTP", "From"), "a@b.local");
  EXPECT_EQ(Ini(box_, "SMTP", "To"), "c@d.local");
  EXPECT_EQ(Ini(box_, "SMTP", "EnableSendtheTscFile"), "0");
}

struct TestMailCase {
  const char* server;  // the local server the field names
  const char* shown;
  bool delivered;
};

TEST_F(ConsoleTest, TestItSavesTheFieldsThenReportsWhatTheServerDid) {
  const TestMailCase cases[] = {
      {"normal", "Success", true},
      {"refused", "Failed to connect to SMTP Server", false},
      // A server that refuses the recipient never makes it a success.
      {"reject_rcpt", nullptr, false},
  };
  Open();
  for (const TestMailCase& c : cases) {
    SCOPED_TRACE(c.server);
    messages_.clear();
    Menu(IDM_MENU_SMTP_PARAMETERS);
    FORM_SMTP& smtp = form_.form_smtp();
    const std::string to = test::UniqueRecipient("console");
    smtp.SetText(IDC_FIELD_SMTP_SERVER, test::SmtpAddress(c.server));
    smtp.SetText(IDC_FIELD_SMTPFROM, "vorms@server.local");
    smtp.SetText(IDC_FIELD_SMTPTO, to);
    Click(smtp, IDC_Command2);
    EXPECT_TRUE(smtp.IsLoaded());
    EXPECT_EQ(Ini(box_, "SMTP", "SERVER"), test::SmtpAddress(c.server));
    EXPECT_EQ(Ini(box_, "SMTP", "From"), "vorms@server.local");
    EXPECT_EQ(Ini(box_, "SMTP", "To"), to);
    EXPECT_EQ(Ini(box_, "SMTP", "EnableSendtheTscFile"), "0");
    ASSERT_EQ(messages_.size(), 1u);
    if (c.shown) {
      EXPECT_EQ(messages_[0], c.shown);
    } else {
      EXPECT_NE(messages_[0], "Success");
      EXPECT_NE(messages_[0].find("550"), std::string::npos) << messages_[0];
    }
    if (c.delivered) {
      test::ReceivedMail mail = test::WaitForMail(to);
      EXPECT_EQ(mail.File("subject.txt"), "VORMS SMTP TESTS");
      EXPECT_EQ(mail.File("body.txt").rfind("This is a VORMS test", 0), 0u) << mail.File("body.txt");
      EXPECT_EQ(mail.File("from_name.txt"), "VORMS SENDER");
    } else {
      EXPECT_FALSE(test::AnyMailTo(to));
    }
  }
}

}  // namespace
}  // namespace vorms::console
