#include "settings_dialogs.h"

#include "config_setters.h"
#include "console_message.h"
#include "errors.h"
#include "program.h"
#include "resource.h"
#include "smtp_client.h"
#include "settings.h"
#include "stored_values.h"

namespace vorms::console {

std::string ProgramVersionText() {
  return std::to_string(VORMS_VERSION_MAJOR) + "." + std::to_string(VORMS_VERSION_MINOR) + "." +
         std::to_string(VORMS_VERSION_REVISION);
}

// ---- ProxyParameters ----

void ProxyParameters::Form_Load() {
  SetChecked(IDC_PASSIVE_CHECK, SwitchOn(keys::kFtpUsePassive, "ProxyParameters"));
  SetText(IDC_FTP_PROXY_PORT, PortText(keys::kFtpProxyPort, "ProxyParameters"));
  SetText(IDC_FTP_PROXY_NAME, ftp::Proxy());
  SetText(IDC_HTTP_PROXY, http::ProxyName());
  SetText(IDC_HTTP_PROXY_PORT, PortText(keys::kHttpProxyPort, "ProxyParameters"));
}

void ProxyParameters::PASSIVE_CHECK_Click() { ftp::SetUsePassive(Checked(IDC_PASSIVE_CHECK) ? 1 : 0); }

void ProxyParameters::Command1_Click() {
  // A port the service cannot read as a number would fail its every check: refuse it
  // here, where the user can still correct it.
  for (auto [id, name] : {std::pair{IDC_FTP_PROXY_PORT, "FTP Proxy Port"},
                          std::pair{IDC_HTTP_PROXY_PORT, "HTTP Proxy Port"}}) {
    if (!IsPortText(Text(id))) {
      ShowConsoleMessage(std::string(name) + " must be a number from 0 to 32767");
      ::SetFocus(::GetDlgItem(hwnd(), id));
      return;
    }
  }
  ftp::SetProxy(Text(IDC_FTP_PROXY_NAME));
  ftp::SetProxyPort(Text(IDC_FTP_PROXY_PORT));
  http::SetProxyName(Text(IDC_HTTP_PROXY));
  http::SetProxyPort(Text(IDC_HTTP_PROXY_PORT));
  Unload();
}

bool ProxyParameters::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_PASSIVE_CHECK: PASSIVE_CHECK_Click(); return true;
    case IDC_Command1:
    case IDOK: Command1_Click(); return true;
    default: return false;
  }
}

// ---- FORM_SMTP ----

void FORM_SMTP::Form_Load() {
  SetText(IDC_FIELD_SMTP_SERVER, smtp::SERVER());
  SetText(IDC_FIELD_SMTPFROM, smtp::From());
  SetText(IDC_FIELD_SMTPTO, smtp::To());
  SetChecked(IDC_Check_SendFile, SwitchOn(keys::kSmtpEnableSendtheTscFile, "FORM_SMTP"));
}

void FORM_SMTP::SaveFields() {
  smtp::SetFrom(Text(IDC_FIELD_SMTPFROM));
  smtp::SetTo(Text(IDC_FIELD_SMTPTO));
  smtp::SetSERVER(Text(IDC_FIELD_SMTP_SERVER));
  smtp::SetEnableSendtheTscFile(Checked(IDC_Check_SendFile) ? 1 : 0);
}

void FORM_SMTP::Command1_Click() {
  SaveFields();
  Unload();
}

void FORM_SMTP::Command2_Click() {
  ResumeNext([&] { SaveFields(); });
  mail::SmtpServer server;
  server.host = Text(IDC_FIELD_SMTP_SERVER);  // port 25 unless the text names another
  HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  const mail::SendOutcome outcome =
      mail::SendMail(server, mail::TestMail(Text(IDC_FIELD_SMTPFROM), Text(IDC_FIELD_SMTPTO)));
  ::SetCursor(previous);
  // Only an accepted message is a success: a refusal after the connection says why.
  ShowConsoleMessage(mail::TestMailOutcomeText(outcome));
}

bool FORM_SMTP::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_Command1:
    case IDOK: Command1_Click(); return true;
    case IDC_Command2: Command2_Click(); return true;
    default: return false;
  }
}

// ---- frmProtocols ----

void frmProtocols::Form_Load() {
  // Selecting a button counts as its click, which stores the choice: [FTP] is read only
  // after [HTTP] may have switched it off.
  const bool http_on = SwitchOn(keys::kHttpUseThis, "frmProtocols");
  SetChecked(IDC_Option1_0, http_on);
  if (http_on) Option1_Click(0);
  const bool ftp_on = SwitchOn(keys::kFtpUseThis, "frmProtocols");
  SetChecked(IDC_Option1_1, ftp_on);
  if (ftp_on) Option1_Click(1);
  SetText(IDC_HTTP_ROOT, http::DefaultFolder());
  SetText(IDC_FTP_ROOT, ftp::DefaultFolder());
}

void frmProtocols::Option1_Click(int index) {
  if (index == 0) {
    http::SetUseThis(-1);
  } else {
    ftp::SetUseThis(-1);
  }
}

void frmProtocols::Command1_Click() {
  ftp::SetDefaultFolder(Text(IDC_FTP_ROOT));
  http::SetDefaultFolder(Text(IDC_HTTP_ROOT));
  Unload();
}

bool frmProtocols::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_Option1_0: Option1_Click(0); return true;
    case IDC_Option1_1: Option1_Click(1); return true;
    case IDC_Command1:
    case IDOK: Command1_Click(); return true;
    default: return false;
  }
}

// ---- frmAbout ----

void frmAbout::Form_Load() {
  ::SetWindowTextA(hwnd(), "About Vormsline [VORMS]");
  SetText(IDC_lblVersion, "VORMS Version " + ProgramVersionText());
  SetText(IDC_lblTitle, ProgramTitle());
  SetText(IDC_txtNotice,
          "The service and this console share the settings file plomenk.ini in the program "
          "folder.\r\nThe console asks the service for a check or a reload through that file; "
          "it never starts or stops the service.");
  // The notice is read-only: the keyboard starts on "OK", not on a selected notice.
  ::PostMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(hwnd(), IDC_cmdOK)), TRUE);
}

void frmAbout::cmdOK_Click() { Unload(); }

bool frmAbout::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  if (id == IDC_cmdOK || id == IDOK) {
    cmdOK_Click();
    return true;
  }
  return false;
}

}  // namespace vorms::console
