#include "zip_writer.h"

#include <algorithm>

#include "byte_order.h"
#include "zip_archive.h"

namespace zovpack {

namespace {

const uint64_t kMax32 = 0xffffffff;
const uint64_t kMax16 = 0xffff;

}  // namespace

void ZipWriter::Add(const std::string& name, uint16_t version,
                    uint16_t flags, uint16_t method, uint16_t time,
                    uint16_t date, uint32_t crc, uint64_t csize,
                    uint64_t usize, const char* data) {
  Entry e{name, version, static_cast<uint16_t>(flags & ~8u), method,
          time, date, crc, csize, usize, out_->size()};
  bool big = csize >= kMax32 || usize >= kMax32;
  if (big || e.offset >= kMax32) e.version = std::max<uint16_t>(e.version, 45);
  Append32(out_, kLocalSig);
  Append16(out_, e.version);
  Append16(out_, e.flags);
  Append16(out_, method);
  Append16(out_, time);
  Append16(out_, date);
  Append32(out_, crc);
  Append32(out_, big ? kMax32 : static_cast<uint32_t>(csize));
  Append32(out_, big ? kMax32 : static_cast<uint32_t>(usize));
  Append16(out_, static_cast<uint16_t>(name.size()));
  Append16(out_, big ? 20 : 0);
  out_->append(name);
  if (big) {
    Append16(out_, 1);
    Append16(out_, 16);
    Append64(out_, usize);
    Append64(out_, csize);
  }
  out_->append(data, csize);
  entries_.push_back(e);
}

void ZipWriter::Finish() {
  uint64_t central = out_->size();
  for (const Entry& e : entries_) {
    std::string extra;
    if (e.usize >= kMax32) Append64(&extra, e.usize);
    if (e.csize >= kMax32) Append64(&extra, e.csize);
    if (e.offset >= kMax32) Append64(&extra, e.offset);
    Append32(out_, kCentralSig);
    Append16(out_, e.version);  // made by: FAT attributes
    Append16(out_, e.version);
    Append16(out_, e.flags);
    Append16(out_, e.method);
    Append16(out_, e.time);
    Append16(out_, e.date);
    Append32(out_, e.crc);
    Append32(out_, static_cast<uint32_t>(std::min(e.csize, kMax32)));
    Append32(out_, static_cast<uint32_t>(std::min(e.usize, kMax32)));
    Append16(out_, static_cast<uint16_t>(e.name.size()));
    Append16(out_, static_cast<uint16_t>(extra.empty() ? 0 : extra.size() + 4));
    Append16(out_, 0);  // comment
    Append16(out_, 0);  // disk
    Append16(out_, 0);  // internal attributes
    Append32(out_, 0);  // external attributes
    Append32(out_, static_cast<uint32_t>(std::min(e.offset, kMax32)));
    out_->append(e.name);
    if (!extra.empty()) {
      Append16(out_, 1);
      Append16(out_, static_cast<uint16_t>(extra.size()));
      out_->append(extra);
    }
  }
  uint64_t size = out_->size() - central;
  uint64_t count = entries_.size();
  if (count >= kMax16 || size >= kMax32 || central >= kMax32) {
    uint64_t record = out_->size();
    Append32(out_, kZip64EndSig);
    Append64(out_, 44);
    Append16(out_, 45);
    Append16(out_, 45);
    Append32(out_, 0);
    Append32(out_, 0);
    Append64(out_, count);
    Append64(out_, count);
    Append64(out_, size);
    Append64(out_, central);
    Append32(out_, kZip64LocatorSig);
    Append32(out_, 0);
    Append64(out_, record);
    Append32(out_, 1);
  }
  Append32(out_, kEndRecordSignature);
  Append32(out_, 0);  // disks
  Append16(out_, static_cast<uint16_t>(std::min(count, kMax16)));
  Append16(out_, static_cast<uint16_t>(std::min(count, kMax16)));
  Append32(out_, static_cast<uint32_t>(std::min(size, kMax32)));
  Append32(out_, static_cast<uint32_t>(std::min(central, kMax32)));
  Append16(out_, 0);  // comment
}

}  // namespace zovpack
