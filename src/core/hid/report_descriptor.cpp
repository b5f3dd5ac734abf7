#include "core/hid/report_descriptor.h"

#include <algorithm>
#include <array>
#include <memory>

namespace kv {
namespace {

// Item types and tags of the short-item prefix byte: bits 0-1 data size code, 2-3 type, 4-7 tag.
constexpr uint8_t kTypeMain = 0;
constexpr uint8_t kTypeGlobal = 1;
constexpr uint8_t kTypeLocal = 2;
constexpr uint8_t kLongItemPrefix = 0xFE;

constexpr uint8_t kMainInput = 0x8;
constexpr uint8_t kMainOutput = 0x9;
constexpr uint8_t kMainCollection = 0xA;
constexpr uint8_t kMainFeature = 0xB;
constexpr uint8_t kMainEndCollection = 0xC;

constexpr uint8_t kGlobalUsagePage = 0x0;
constexpr uint8_t kGlobalReportSize = 0x7;
constexpr uint8_t kGlobalReportId = 0x8;
constexpr uint8_t kGlobalReportCount = 0x9;
constexpr uint8_t kGlobalPush = 0xA;
constexpr uint8_t kGlobalPop = 0xB;

constexpr uint8_t kLocalUsage = 0x0;
constexpr uint8_t kLocalUsageMinimum = 0x1;

// The longest report whose byte length plus the report-ID byte still fits 16 bits.
constexpr uint64_t kMaxReportBits = (UINT16_MAX - 1) * uint64_t{8};
constexpr size_t kReportIdCount = 256;

enum ReportKind : size_t { kInput, kOutput, kFeature, kReportKindCount };

struct GlobalState {
  uint32_t UsagePage = 0;
  uint32_t ReportSize = 0;
  uint32_t ReportCount = 0;
  uint32_t ReportId = 0;
};

struct Item {
  uint8_t Type = 0;
  uint8_t Tag = 0;
  uint32_t Value = 0;
  size_t DataSize = 0;
};

class Parser {
 public:
  ReportDescriptorResult Run(std::span<const uint8_t> d);

 private:
  ReportDescriptorError Global(const Item& item);
  ReportDescriptorError Local(const Item& item);
  ReportDescriptorError Main(const Item& item);
  ReportDescriptorError AddReportBits(ReportKind kind);
  void Finish(ReportDescriptorSummary& s) const;

  GlobalState global_;
  std::array<GlobalState, kReportDescriptorMaxPushDepth> stack_{};
  size_t stackDepth_ = 0;
  // Usage of the current local state: the first Usage (or Usage Minimum) since the last main item.
  bool haveUsage_ = false;
  uint32_t usage_ = 0;
  size_t usageDataSize_ = 0;
  uint32_t collectionDepth_ = 0;
  uint32_t collectionCount_ = 0;
  bool haveTopLevel_ = false;
  ReportDescriptorSummary summary_;
  // Bits per report kind and report ID; bounded by kMaxReportBits, so 32 bits suffice.
  std::array<std::array<uint32_t, kReportIdCount>, kReportKindCount> bits_{};
};

uint32_t LittleEndian(const uint8_t* p, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return v;
}

ReportDescriptorResult Parser::Run(std::span<const uint8_t> d) {
  ReportDescriptorResult result;
  if (d.empty()) {
    result.Error = ReportDescriptorError::Empty;
    return result;
  }
  size_t pos = 0;
  while (pos < d.size()) {
    result.ErrorOffset = pos;
    const uint8_t prefix = d[pos];
    const size_t left = d.size() - pos - 1;
    if (prefix == kLongItemPrefix) {
      // Long items carry no information for report lengths; skip size byte, tag byte and data.
      if (left < 2 || left - 2 < d[pos + 1]) {
        result.Error = ReportDescriptorError::TruncatedItem;
        return result;
      }
      pos += 3 + d[pos + 1];
      continue;
    }
    Item item;
    item.DataSize = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if (left < item.DataSize) {
      result.Error = ReportDescriptorError::TruncatedItem;
      return result;
    }
    item.Type = (prefix >> 2) & 3;
    item.Tag = prefix >> 4;
    item.Value = LittleEndian(&d[pos + 1], item.DataSize);
    ReportDescriptorError e = ReportDescriptorError::None;
    if (item.Type == kTypeMain) e = Main(item);
    if (item.Type == kTypeGlobal) e = Global(item);
    if (item.Type == kTypeLocal) e = Local(item);
    // Type 3 (reserved) is skipped like an unknown tag.
    if (e != ReportDescriptorError::None) {
      result.Error = e;
      return result;
    }
    pos += 1 + item.DataSize;
  }
  result.ErrorOffset = d.size();
  if (collectionDepth_ != 0) {
    result.Error = ReportDescriptorError::UnclosedCollection;
    return result;
  }
  Finish(summary_);
  result.ErrorOffset = 0;
  result.Summary = summary_;
  return result;
}

ReportDescriptorError Parser::Global(const Item& item) {
  switch (item.Tag) {
    case kGlobalUsagePage:
      global_.UsagePage = item.Value & 0xFFFF;
      break;
    case kGlobalReportSize:
      global_.ReportSize = item.Value;
      break;
    case kGlobalReportCount:
      global_.ReportCount = item.Value;
      break;
    case kGlobalReportId:
      if (item.Value == 0 || item.Value >= kReportIdCount) {
        return ReportDescriptorError::InvalidReportId;
      }
      global_.ReportId = item.Value;
      summary_.UsesReportIds = true;
      break;
    case kGlobalPush:
      if (stackDepth_ == stack_.size()) return ReportDescriptorError::PushStackOverflow;
      stack_[stackDepth_++] = global_;
      break;
    case kGlobalPop:
      if (stackDepth_ == 0) return ReportDescriptorError::PopWithoutPush;
      global_ = stack_[--stackDepth_];
      break;
    default:  // logical/physical extents, units: no bearing on report lengths
      break;
  }
  return ReportDescriptorError::None;
}

ReportDescriptorError Parser::Local(const Item& item) {
  if ((item.Tag == kLocalUsage || item.Tag == kLocalUsageMinimum) && !haveUsage_) {
    haveUsage_ = true;
    usage_ = item.Value;
    usageDataSize_ = item.DataSize;
  }
  return ReportDescriptorError::None;
}

ReportDescriptorError Parser::Main(const Item& item) {
  ReportDescriptorError e = ReportDescriptorError::None;
  switch (item.Tag) {
    case kMainInput:
      e = AddReportBits(kInput);
      break;
    case kMainOutput:
      e = AddReportBits(kOutput);
      break;
    case kMainFeature:
      e = AddReportBits(kFeature);
      break;
    case kMainCollection:
      if (collectionCount_ == UINT16_MAX) return ReportDescriptorError::TooManyCollections;
      ++collectionCount_;
      if (collectionDepth_ == 0 && !haveTopLevel_ && haveUsage_) {
        haveTopLevel_ = true;
        // A four-byte usage names its own page in the high half; a shorter one takes the page
        // in effect now.
        const bool extended = usageDataSize_ == 4;
        summary_.Usage = static_cast<uint16_t>(usage_ & 0xFFFF);
        summary_.UsagePage = static_cast<uint16_t>(extended ? usage_ >> 16 : global_.UsagePage);
      }
      ++collectionDepth_;
      break;
    case kMainEndCollection:
      if (collectionDepth_ == 0) return ReportDescriptorError::EndCollectionWithout;
      --collectionDepth_;
      break;
    default:
      break;
  }
  haveUsage_ = false;  // local items apply to the next main item only
  return e;
}

ReportDescriptorError Parser::AddReportBits(ReportKind kind) {
  uint32_t& bits = bits_[kind][global_.ReportId];
  // Both factors are below 2^32, so the product cannot overflow 64 bits.
  const uint64_t added = uint64_t{global_.ReportSize} * uint64_t{global_.ReportCount};
  if (added > kMaxReportBits - bits) return ReportDescriptorError::ReportTooLong;
  bits += static_cast<uint32_t>(added);
  return ReportDescriptorError::None;
}

void Parser::Finish(ReportDescriptorSummary& s) const {
  const auto length = [this](ReportKind kind) -> uint16_t {
    const uint32_t maxBits = *std::max_element(bits_[kind].begin(), bits_[kind].end());
    if (maxBits == 0) return 0;
    return static_cast<uint16_t>((maxBits + 7) / 8 + 1);  // + the report-ID byte
  };
  s.InputReportByteLength = length(kInput);
  s.OutputReportByteLength = length(kOutput);
  s.FeatureReportByteLength = length(kFeature);
  s.NumberLinkCollectionNodes = static_cast<uint16_t>(collectionCount_);
}

}  // namespace

ReportDescriptorResult ParseReportDescriptor(std::span<const uint8_t> descriptor) {
  // The parser's tables are a few kilobytes; keep them off small thread stacks.
  auto parser = std::make_unique<Parser>();
  return parser->Run(descriptor);
}

const char* ReportDescriptorErrorName(ReportDescriptorError error) {
  switch (error) {
    case ReportDescriptorError::None:
      return "no error";
    case ReportDescriptorError::Empty:
      return "empty descriptor";
    case ReportDescriptorError::TruncatedItem:
      return "truncated item";
    case ReportDescriptorError::PushStackOverflow:
      return "push stack overflow";
    case ReportDescriptorError::PopWithoutPush:
      return "pop without push";
    case ReportDescriptorError::InvalidReportId:
      return "invalid report ID";
    case ReportDescriptorError::ReportTooLong:
      return "report too long";
    case ReportDescriptorError::EndCollectionWithout:
      return "end collection without collection";
    case ReportDescriptorError::UnclosedCollection:
      return "unclosed collection";
    case ReportDescriptorError::TooManyCollections:
      return "too many collections";
  }
  return "unknown error";
}

}  // namespace kv
