#include "zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <set>

namespace vorms::zip {
namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kLocalFixed = 30;
constexpr std::size_t kCentralFixed = 46;
constexpr std::size_t kEndFixed = 22;
constexpr std::size_t kMaxComment = 0xFFFF;
constexpr std::size_t kPiece = 64 * 1024;
constexpr uint16_t kEncrypted = 1;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;

// Little-endian fields at a position already known to lie inside the archive.
uint16_t U16(std::string_view s, std::size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) |
                               static_cast<unsigned char>(s[at + 1]) << 8);
}
uint32_t U32(std::string_view s, std::size_t at) {
  return U16(s, at) | static_cast<uint32_t>(U16(s, at + 2)) << 16;
}

void Put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<uint16_t>(v >> 16));
}

// True when [at, at + length) lies inside a text of the given size, without overflow.
bool Inside(uint64_t at, uint64_t length, uint64_t size) { return at <= size && length <= size - at; }

[[noreturn]] void Refuse(const std::string& why) { throw ZipError(why); }
[[noreturn]] void RefuseEntry(const std::string& name, const std::string& why) {
  Refuse("entry \"" + name + "\": " + why);
}

std::size_t FindEnd(std::string_view archive) {
  if (archive.size() < kEndFixed) Refuse("not a zip archive (too short)");
  const std::size_t last = archive.size() - kEndFixed;
  const std::size_t first = last > kMaxComment ? last - kMaxComment : 0;
  for (std::size_t at = last + 1; at-- > first;) {
    if (U32(archive, at) == kEndSignature &&
        Inside(at + kEndFixed, U16(archive, at + 20), archive.size())) {
      return at;
    }
  }
  Refuse("not a zip archive (no end of central directory)");
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

// A component made of dots and blanks only would name the folder itself or its parent
// once Windows has dropped the trailing dots and blanks.
bool OnlyDotsAndBlanks(std::string_view part) {
  return part.find_first_not_of(". ") == std::string_view::npos;
}

uint32_t Crc(uint32_t crc, std::string_view data) {
  while (!data.empty()) {
    const uInt n = static_cast<uInt>(std::min<std::size_t>(data.size(), 1u << 30));
    crc = static_cast<uint32_t>(::crc32(crc, reinterpret_cast<const Bytef*>(data.data()), n));
    data.remove_prefix(n);
  }
  return crc;
}

class Inflater {
 public:
  Inflater() {
    if (::inflateInit2(&z_, -MAX_WBITS) != Z_OK) Refuse("the inflater could not start");
  }
  ~Inflater() { ::inflateEnd(&z_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  z_stream* operator->() { return &z_; }
  z_stream* get() { return &z_; }

 private:
  z_stream z_{};
};

}  // namespace

bool IsSafeEntryName(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
  std::string_view rest = name;
  if (rest.back() == '/' || rest.back() == '\\') rest.remove_suffix(1);  // a folder
  if (rest.empty()) return false;
  for (char c : rest) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::string_view(":*?\"<>|").find(c) != std::string_view::npos) return false;
  }
  for (;;) {
    const std::size_t slash = rest.find_first_of("/\\");
    const std::string_view part = rest.substr(0, slash);
    if (part.empty() || OnlyDotsAndBlanks(part)) return false;
    if (slash == std::string_view::npos) return true;
    rest.remove_prefix(slash + 1);
  }
}

ZipReader::ZipReader(std::string_view archive, uint64_t max_total) : archive_(archive) {
  const std::size_t end = FindEnd(archive);
  const uint16_t disk = U16(archive, end + 4);
  const uint16_t directory_disk = U16(archive, end + 6);
  const uint16_t on_disk = U16(archive, end + 8);
  const uint16_t count = U16(archive, end + 10);
  const uint32_t directory_size = U32(archive, end + 12);
  const uint32_t directory_offset = U32(archive, end + 16);
  if (count == 0xFFFF || directory_size == 0xFFFFFFFF || directory_offset == 0xFFFFFFFF) {
    Refuse("ZIP64 archives are not supported");
  }
  if (disk != 0 || directory_disk != 0 || on_disk != count) Refuse("split archives are not supported");
  if (!Inside(directory_offset, directory_size, end)) Refuse("the central directory lies outside the archive");
  if (uint64_t{count} * kCentralFixed > directory_size) Refuse("the central directory is too short for its entries");

  entries_.reserve(count);  // at most 65535, and bounded by the directory's real size above
  std::set<std::string> seen;
  uint64_t total = 0;
  std::size_t at = directory_offset;
  const std::size_t directory_end = std::size_t{directory_offset} + directory_size;
  for (uint16_t i = 0; i < count; ++i) {
    if (!Inside(at, kCentralFixed, directory_end) || U32(archive, at) != kCentralSignature) {
      Refuse("central directory entry " + std::to_string(i + 1) + " is damaged");
    }
    const uint16_t flags = U16(archive, at + 8);
    const std::size_t name_length = U16(archive, at + 28);
    const std::size_t extra_length = U16(archive, at + 30);
    const std::size_t comment_length = U16(archive, at + 32);
    if (!Inside(at + kCentralFixed, name_length + extra_length + comment_length, directory_end)) {
      Refuse("central directory entry " + std::to_string(i + 1) + " is damaged");
    }
    EntryInfo entry;
    entry.name = std::string(archive.substr(at + kCentralFixed, name_length));
    entry.method = U16(archive, at + 10);
    entry.crc = U32(archive, at + 16);
    entry.packed_size = U32(archive, at + 20);
    entry.size = U32(archive, at + 24);
    const uint32_t local = U32(archive, at + 42);
    at += kCentralFixed + name_length + extra_length + comment_length;

    if (!IsSafeEntryName(entry.name)) RefuseEntry(entry.name, "unsafe path");
    if (!seen.insert(Lower(entry.name)).second) RefuseEntry(entry.name, "stored twice");
    if (flags & kEncrypted) RefuseEntry(entry.name, "encrypted entries are not supported");
    if (entry.packed_size == 0xFFFFFFFF || entry.size == 0xFFFFFFFF || local == 0xFFFFFFFF) {
      RefuseEntry(entry.name, "ZIP64 entries are not supported");
    }
    if (entry.method != kStored && entry.method != kDeflated) {
      RefuseEntry(entry.name, "compression method " + std::to_string(entry.method) + " is not supported");
    }
    if (entry.method == kStored && entry.packed_size != entry.size) {
      RefuseEntry(entry.name, "stored entry whose sizes differ");
    }
    entry.is_folder = entry.name.back() == '/' || entry.name.back() == '\\';
    if (entry.is_folder && entry.size != 0) RefuseEntry(entry.name, "folder entry with data");
    total += entry.size;
    if (total > max_total) Refuse("the archive would unpack to more than " + std::to_string(max_total) + " bytes");

    if (!Inside(local, kLocalFixed, directory_offset) || U32(archive, local) != kLocalSignature) {
      RefuseEntry(entry.name, "local header is damaged");
    }
    const std::size_t local_name = U16(archive, local + 26);
    const std::size_t local_extra = U16(archive, local + 28);
    if (!Inside(local + kLocalFixed, local_name + local_extra, directory_offset) ||
        archive.substr(local + kLocalFixed, local_name) != entry.name) {
      RefuseEntry(entry.name, "local header does not match the central directory");
    }
    entry.data_offset = local + kLocalFixed + local_name + local_extra;
    if (!Inside(entry.data_offset, entry.packed_size, directory_offset)) {
      RefuseEntry(entry.name, "data lies outside the archive");
    }
    entries_.push_back(std::move(entry));
  }
}

void ZipReader::Extract(const EntryInfo& entry, const std::function<void(std::string_view)>& out) const {
  std::string_view packed = archive_.substr(entry.data_offset, entry.packed_size);
  uint32_t crc = 0;
  uint64_t produced = 0;
  if (entry.method == kStored) {
    while (!packed.empty()) {
      std::string_view piece = packed.substr(0, kPiece);
      crc = Crc(crc, piece);
      out(piece);
      packed.remove_prefix(piece.size());
    }
    produced = entry.size;
  } else {
    Inflater z;
    z->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z->avail_in = static_cast<uInt>(packed.size());
    std::string buffer(kPiece, '\0');
    int status = Z_OK;
    while (status != Z_STREAM_END) {
      z->next_out = reinterpret_cast<Bytef*>(buffer.data());
      z->avail_out = static_cast<uInt>(buffer.size());
      status = ::inflate(z.get(), Z_NO_FLUSH);
      const std::size_t got = buffer.size() - z->avail_out;
      if (status != Z_OK && status != Z_STREAM_END && !(status == Z_BUF_ERROR && got > 0)) {
        RefuseEntry(entry.name, z->avail_in == 0 ? "packed data is truncated" : "packed data is damaged");
      }
      produced += got;
      if (produced > entry.size) RefuseEntry(entry.name, "unpacks to more than its declared size");
      std::string_view piece(buffer.data(), got);
      crc = Crc(crc, piece);
      if (got > 0) out(piece);
    }
  }
  if (produced != entry.size) RefuseEntry(entry.name, "unpacks to less than its declared size");
  if (crc != entry.crc) RefuseEntry(entry.name, "CRC does not match");
}

std::string ZipReader::ExtractToString(const EntryInfo& entry) const {
  std::string data;
  Extract(entry, [&](std::string_view piece) { data.append(piece); });
  return data;
}

DosTime ToDosTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1980) return {};
  if (year > 2107) year = 2107;
  return {static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2),
          static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day)};
}

void ZipWriter::Add(std::string_view given_name, std::string_view data, DosTime when) {
  if (finished_) throw ZipError("the archive is already finished");
  // The container separates folders with "/", whatever the caller's path used.
  std::string stored(given_name);
  std::replace(stored.begin(), stored.end(), '\\', '/');
  const std::string_view name = stored;
  if (!IsSafeEntryName(name)) RefuseEntry(std::string(name), "unsafe path");
  if (name.size() > 0xFFFF || data.size() >= 0xFFFFFFFF || count_ == 0xFFFE) {
    RefuseEntry(std::string(name), "too large for a zip archive without ZIP64");
  }

  std::string packed(::compressBound(static_cast<uLong>(data.size())) + 16, '\0');
  z_stream z{};
  if (::deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw ZipError("the deflater could not start");
  }
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(packed.data());
  z.avail_out = static_cast<uInt>(packed.size());
  const int status = ::deflate(&z, Z_FINISH);
  packed.resize(packed.size() - z.avail_out);
  ::deflateEnd(&z);
  if (status != Z_STREAM_END) throw ZipError("entry \"" + std::string(name) + "\": deflate failed");

  const bool store = packed.size() >= data.size();
  const std::string_view body = store ? data : std::string_view(packed);
  const uint16_t method = store ? kStored : kDeflated;
  const uint32_t crc = Crc(0, data);
  if (body_.size() + kLocalFixed + name.size() + body.size() >= 0xFFFFFFFF) {
    RefuseEntry(std::string(name), "too large for a zip archive without ZIP64");
  }
  const uint32_t offset = static_cast<uint32_t>(body_.size());

  auto common = [&](std::string& out) {
    Put16(out, 20);  // version needed: deflate
    Put16(out, 0);   // flags
    Put16(out, method);
    Put16(out, when.time);
    Put16(out, when.date);
    Put32(out, crc);
    Put32(out, static_cast<uint32_t>(body.size()));
    Put32(out, static_cast<uint32_t>(data.size()));
    Put16(out, static_cast<uint16_t>(name.size()));
    Put16(out, 0);  // extra length
  };
  Put32(body_, kLocalSignature);
  common(body_);
  body_.append(name);
  body_.append(body);

  Put32(directory_, kCentralSignature);
  Put16(directory_, 20);  // made by: MS-DOS attributes, version 2.0
  common(directory_);
  Put16(directory_, 0);  // comment length
  Put16(directory_, 0);  // disk
  Put16(directory_, 0);  // internal attributes
  Put32(directory_, 0);  // external attributes
  Put32(directory_, offset);
  directory_.append(name);
  ++count_;
}

std::string ZipWriter::Finish() {
  if (finished_) throw ZipError("the archive is already finished");
  finished_ = true;
  if (body_.size() + directory_.size() >= 0xFFFFFFFF) throw ZipError("too large for a zip archive without ZIP64");
  std::string archive = std::move(body_);
  const uint32_t directory_offset = static_cast<uint32_t>(archive.size());
  archive.append(directory_);
  Put32(archive, kEndSignature);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, count_);
  Put16(archive, count_);
  Put32(archive, static_cast<uint32_t>(directory_.size()));
  Put32(archive, directory_offset);
  Put16(archive, 0);  // comment length
  return archive;
}

}  // namespace vorms::zip
