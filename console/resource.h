// Identifiers of the console's menus, dialogs and controls (shared by config.rc and the
// code). Each control keeps the name it has in the window's description after IDC_.
#pragma once

// Icon of every window and of the tray entry.
#define IDI_CONFIG 1

// Menu items of the main window.
#define IDM_MENU_REDUCE 101
#define IDM_MENU_KILL 102
#define IDM_MENU_selectprotocol 111
#define IDM_EnableProxy 112
#define IDM_Set_Proxy_addresses 113
#define IDM_MENU_ENABLE_SMTP 121
#define IDM_MENU_SMTP_PARAMETERS 122
#define IDM_Enable_Write_logs 131
#define IDM_MENU_Enable_Debug_Mode 132
#define IDM_MENU_POOL_15 141
#define IDM_MENU_POOL_30 142
#define IDM_MENU_POOL_60 143
#define IDM_MENU_POOL_720 144
#define IDM_MENU_POOL_1440 145
#define IDM_MENU_POOL_OTHER 146
#define IDM_MENU_ABOUT 151

// Controls shared in name by several windows (each window has its own Command1...).
#define IDC_Command1 1001
#define IDC_Command2 1002
#define IDC_Frame1 1003
#define IDC_Frame2 1004

// Form1.
#define IDC_STATUS 1101
#define IDC_FTP_PASSWORD 1102
#define IDC_FTP_USERNAME 1103
#define IDC_TSC_LOCAL_VERSION 1104
#define IDC_LABEL_TIME 1105
#define IDC_Label2 1106
#define IDC_Label3 1107
#define IDC_Label4 1108

// ProxyParameters.
#define IDC_HTTP_PROXY 1201
#define IDC_HTTP_PROXY_PORT 1202
#define IDC_FTP_PROXY_NAME 1203
#define IDC_FTP_PROXY_PORT 1204
#define IDC_PASSIVE_CHECK 1205

// FORM_SMTP.
#define IDC_FIELD_SMTP_SERVER 1301
#define IDC_FIELD_SMTPFROM 1302
#define IDC_FIELD_SMTPTO 1303
#define IDC_Check_SendFile 1304

// frmProtocols.
#define IDC_Protocol 1401
#define IDC_Option1_0 1402
#define IDC_Option1_1 1403
#define IDC_HTTP_ROOT 1404
#define IDC_FTP_ROOT 1405

// frmAbout.
#define IDC_lblVersion 1501
#define IDC_lblTitle 1502
#define IDC_lblDescription 1503
#define IDC_txtNotice 1504
#define IDC_cmdOK 1505

// Labels without a role of their own.
#define IDC_LABEL -1
