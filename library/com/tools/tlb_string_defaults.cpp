// Build tool (runs on the build machine): gives the optional by-reference
// string parameters of a widl type library their default value.
//
// widl writes numeric defaults of pointer parameters but refuses string
// ones. For those the IDL writes defaultvalue(0) (so widl sets
// PARAMFLAG_FHASDEFAULT and reserves the function's default-value slot)
// plus the text as custom data under DV_REFSTRING_GUID (so the string is
// stored in the library's data segment). This tool points each such
// parameter's default-value slot at that stored string: nothing moves, no
// size changes, the file stays a valid type library.
//
//   tlb_string_defaults <in.tlb> <out.tlb> <guid>
//
// The layout read here is the MSFT type-library format as oleaut32 reads
// it: a header, the offsets of the type infos, a directory of segments,
// and per type info a block of function records.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct File {
  std::vector<unsigned char> bytes;

  int32_t i32(size_t at) const {
    if (at + 4 > bytes.size()) throw std::runtime_error("read past the end of the type library");
    uint32_t v = uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
                 uint32_t(bytes[at + 3]) << 24;
    return static_cast<int32_t>(v);
  }
  int16_t i16(size_t at) const {
    if (at + 2 > bytes.size()) throw std::runtime_error("read past the end of the type library");
    return static_cast<int16_t>(uint16_t(bytes[at]) | uint16_t(bytes[at + 1]) << 8);
  }
  void put32(size_t at, int32_t value) {
    if (at + 4 > bytes.size()) throw std::runtime_error("write past the end of the type library");
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
  }
};

// Segment directory entries, in the format's order.
enum Segment { TypeInfoTab = 0, GuidTab = 5, CustData = 11, CDGuids = 12, SegmentCount = 15 };

constexpr int32_t kMagic = 0x5446534D;  // "MSFT"
constexpr size_t kHeaderSize = 0x54;
constexpr size_t kTypeInfoSize = 0x64;
constexpr int32_t kHelpDllFlag = 0x100;
constexpr int32_t kHasCustomData = 0x80;
constexpr int32_t kHasDefaults = 0x1000;
constexpr int32_t kParamHasDefault = 0x20;
constexpr size_t kParamInfoSize = 12;        // DataType, name offset, flags
constexpr size_t kArgCustDataOffset = 52;    // oArgCustData[0] in a function record
constexpr size_t kOptionalFieldsStart = 24;  // first optional field of a function record

bool parseGuid(const std::string& text, unsigned char out[16]) {
  unsigned d1, d2, d3, b[8];
  if (std::sscanf(text.c_str(), "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3],
                  &b[4], &b[5], &b[6], &b[7]) != 11)
    return false;
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(d1 >> (8 * i));
  for (int i = 0; i < 2; ++i) out[4 + i] = static_cast<unsigned char>(d2 >> (8 * i));
  for (int i = 0; i < 2; ++i) out[6 + i] = static_cast<unsigned char>(d3 >> (8 * i));
  for (int i = 0; i < 8; ++i) out[8 + i] = static_cast<unsigned char>(b[i]);
  return true;
}

class Patcher {
 public:
  Patcher(File& f, const unsigned char guid[16]) : f_(f) { std::memcpy(guid_, guid, 16); }

  int run() {
    if (f_.i32(0) != kMagic) throw std::runtime_error("not an MSFT type library");
    int32_t typeInfos = f_.i32(0x20);
    size_t at = kHeaderSize + ((f_.i32(0x14) & kHelpDllFlag) ? 4 : 0) + 4 * size_t(typeInfos);
    for (int s = 0; s < SegmentCount; ++s) segments_[s] = f_.i32(at + 16 * size_t(s));
    int patched = 0;
    for (int32_t t = 0; t < typeInfos; ++t)
      patched += typeInfo(size_t(segments_[TypeInfoTab]) + kTypeInfoSize * size_t(t));
    return patched;
  }

 private:
  int typeInfo(size_t base) {
    int32_t memOffset = f_.i32(base + 4);
    int32_t elements = f_.i32(base + 0x18);
    int funcs = elements & 0xffff;
    if (funcs == 0 || memOffset < 0) return 0;
    int patched = 0;
    size_t record = size_t(memOffset) + 4;
    for (int i = 0; i < funcs; ++i) {
      size_t length = size_t(f_.i32(record) & 0xffff);
      patched += function(record, length);
      record += length;
    }
    return patched;
  }

  int function(size_t record, size_t length) {
    int32_t fkccic = f_.i32(record + 16);
    int args = f_.i16(record + 20);
    if (!(fkccic & kHasDefaults) || !(fkccic & kHasCustomData) || args <= 0) return 0;
    size_t params = record + length - kParamInfoSize * size_t(args);
    size_t defaults = params - 4 * size_t(args);
    int patched = 0;
    for (int j = 0; j < args; ++j) {
      // Per-parameter custom data exists only as far as the optional fields reach.
      size_t slot = record + kArgCustDataOffset + 4 * size_t(j);
      if (slot + 4 > defaults || slot < record + kOptionalFieldsStart) break;
      int32_t flags = f_.i32(params + kParamInfoSize * size_t(j) + 8);
      if (!(flags & kParamHasDefault)) continue;
      int32_t data = customString(f_.i32(slot));
      if (data < 0) continue;
      f_.put32(defaults + 4 * size_t(j), data);
      ++patched;
    }
    return patched;
  }

  // The data offset of the custom-data entry under our GUID in a chain, or -1.
  int32_t customString(int32_t entry) const {
    for (int guard = 0; entry >= 0 && guard < 64; ++guard) {
      size_t at = size_t(segments_[CDGuids]) + size_t(entry);
      int32_t guidOffset = f_.i32(at), dataOffset = f_.i32(at + 4), next = f_.i32(at + 8);
      size_t guidAt = size_t(segments_[GuidTab]) + size_t(guidOffset);
      if (guidAt + 16 <= f_.bytes.size() && std::memcmp(&f_.bytes[guidAt], guid_, 16) == 0) {
        // Only a stored string (VT_BSTR) becomes a default.
        if (dataOffset < 0) return -1;
        size_t value = size_t(segments_[CustData]) + size_t(dataOffset);
        return f_.i16(value) == 8 ? dataOffset : -1;
      }
      entry = next;
    }
    return -1;
  }

  File& f_;
  unsigned char guid_[16];
  int32_t segments_[SegmentCount] = {};
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: tlb_string_defaults <in.tlb> <out.tlb> <guid>\n");
    return 2;
  }
  unsigned char guid[16];
  if (!parseGuid(argv[3], guid)) {
    std::fprintf(stderr, "tlb_string_defaults: bad GUID %s\n", argv[3]);
    return 2;
  }
  try {
    File f;
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    f.bytes.assign(std::istreambuf_iterator<char>(in), {});
    int patched = Patcher(f, guid).run();
    std::string temp = std::string(argv[2]) + ".tmp";
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
      if (!out) throw std::runtime_error("cannot write " + temp);
    }
    if (std::rename(temp.c_str(), argv[2]) != 0) throw std::runtime_error(std::string("cannot replace ") + argv[2]);
    std::printf("tlb_string_defaults: %d string defaults\n", patched);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tlb_string_defaults: %s\n", e.what());
    return 1;
  }
  return 0;
}
