// The setters with which Config edits the settings file. Vorms does not link them: the
// service writes only its own state keys (see settings.h).
#pragma once

#include <cstdint>
#include <string_view>

namespace vorms {

namespace ftp {
void SetDefaultFolder(std::string_view url);  // an empty URL stores the default one
void SetUsePassive(int16_t value);
void SetUseProxy(int16_t value);
void SetProxy(std::string_view host);
void SetProxyPort(std::string_view port);
void SetUsername(std::string_view name);          // an empty text writes nothing
void SetPassword(std::string_view clear_text);    // stored scrambled; empty writes nothing
void SetUseThis(int16_t value);                   // -1 also switches HTTP off
}  // namespace ftp

namespace http {
void SetDefaultFolder(std::string_view url);
void SetProxyName(std::string_view host);
void SetProxyPort(std::string_view port);
void SetUseThis(int16_t value);  // -1 also switches FTP off
}  // namespace http

namespace logs {
void SetEnable(int16_t value);
}  // namespace logs

namespace smtp {
void SetSERVER(std::string_view host);
void SetFrom(std::string_view address);
void SetTo(std::string_view address);
void SetEnable(int16_t value);
void SetEnableSendtheTscFile(int16_t value);
}  // namespace smtp

namespace service {
void SetDebugMode(int16_t value);
}  // namespace service

}  // namespace vorms
