#include "version_info.h"

#include <windows.h>

#include <algorithm>
#include <string_view>

#include "com_text.h"
#include "conversions.h"

namespace vorms::fslib {
namespace {

// The whole version block of a file; empty when there is none.
std::vector<char> VersionBlock(const std::string& file) {
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> block(size);
  if (!::GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return {};
  return block;
}

// The block as a sequence of 16-bit characters, where the key texts can be searched.
std::wstring_view AsUtf16(const std::vector<char>& block) {
  return {reinterpret_cast<const wchar_t*>(block.data()), block.size() / sizeof(wchar_t)};
}

// The value stored after the first occurrence of name: skip the name's terminating zero
// and one zero of alignment padding, then read up to the next zero. The scan never
// leaves the block, whatever the block holds.
std::string ValueAfter(std::wstring_view block, std::size_t name_end) {
  std::size_t pos = name_end;
  if (pos < block.size() && block[pos] == 0) ++pos;
  if (pos < block.size() && block[pos] == 0) ++pos;
  if (pos >= block.size()) return {};
  std::size_t end = std::min(block.find(L'\0', pos), block.size());
  return FromUtf16(block.substr(pos, end - pos));
}

std::wstring Utf16(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

std::string StringValue(const std::string& file, const std::string& key) {
  return VersionStringValue(VersionStrings(file), key);
}

}  // namespace

const std::vector<std::string>& VersionStringNames() {
  static const std::vector<std::string> names = {
      "CompanyName",    "FileDescription",  "FileVersion", "InternalName",
      "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion",
      "Comments",       "LegalTrademarks",  "PrivateBuild", "SpecialBuild"};
  return names;
}

std::vector<std::string> VersionStrings(const std::string& file) {
  std::vector<char> bytes = VersionBlock(file);
  if (bytes.empty()) return {};
  std::wstring_view block = AsUtf16(bytes);
  std::vector<std::string> table;
  for (const std::string& name : VersionStringNames()) {
    std::wstring wide_name = Utf16(name);
    std::size_t at = block.find(wide_name);
    table.push_back(at == std::wstring_view::npos
                        ? name
                        : name + ": " + ValueAfter(block, at + wide_name.size()));
  }
  return table;
}

std::string VersionStringValue(const std::vector<std::string>& table, const std::string& key) {
  std::string value;
  for (const std::string& entry : table) {
    if (entry.find(key) == std::string::npos) continue;
    std::size_t colon = entry.find(':');
    value = colon == std::string::npos ? entry : entry.substr(colon + 1);
  }
  return value;
}

std::string Get_File_FileVersion(const std::string& file) {
  return Trim(StringValue(file, "FileVersion"));
}

std::string Get_File_ProductVersion(const std::string& file) {
  return StringValue(file, "ProductVersion");
}

std::string Get_File_Private_Build(const std::string& file) {
  return StringValue(file, "PrivateBuild");
}

std::string Get_File_Special_build(const std::string& file) {
  return Trim(StringValue(file, "SpecialBuild"));
}

std::string Get_FileInfo_Version(const std::string& file) {
  std::vector<char> block = VersionBlock(file);
  if (block.empty()) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return {};
  }
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionLS));
}

}  // namespace vorms::fslib
