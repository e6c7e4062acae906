// libFuzzer target for the signature file loader: "orv.sig" is the other file a stranger can
// hand us. Besides crashes, hangs and sanitizer reports it checks what the loader promises:
// every whole record is read and no partial one, the reading does not depend on how the
// reads come in, every record survives being written again, and the index of the table finds
// the record a pass in file order finds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake_source.h"
#include "sigmatch/signature_loader.h"
#include "sigmatch/signature_table.h"

namespace {

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

bool sameRecords(const std::vector<sigmatch::SignatureRecord>& a,
                 const std::vector<sigmatch::SignatureRecord>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!(a[i].dialerName == b[i].dialerName) || !(a[i].fingerprint == b[i].fingerprint))
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  sigtest::FakeSource whole(file);
  const sigmatch::LoadedSignatures loaded = sigmatch::readSignatureRecords(whole);
  require(loaded.status == sigmatch::LoadedSignatures::Status::Complete, "a whole read failed");
  require(loaded.records.size() == size / sigmatch::kRecordSize, "record count");

  sigtest::FakeSource trickle(file);
  trickle.maxBytesPerRead(7);
  require(sameRecords(sigmatch::readSignatureRecords(trickle).records, loaded.records),
          "short reads gave other records");

  for (const sigmatch::SignatureRecord& record : loaded.records) {
    const sigmatch::RawRecord raw =
        sigmatch::encodeRecord(record.dialerName.view(), record.fingerprint.view());
    const sigmatch::SignatureRecord again = sigmatch::decodeRecord(raw.data());
    require(again.dialerName == record.dialerName && again.fingerprint == record.fingerprint,
            "a record changed on being written again");
  }

  sigmatch::SignatureTable table;
  table.assign(loaded.records);
  require(table.count() == static_cast<std::int32_t>(loaded.records.size()), "table count");
  for (const sigmatch::SignatureRecord& record : loaded.records) {
    const std::string_view fingerprint = record.fingerprint.view();
    require(table.findFirst(fingerprint) == table.findFirstLinear(fingerprint),
            "index and pass disagree");
  }
  // A fingerprint made of the input's own bytes, which may or may not be in the table.
  const std::string_view probe(file.data(), std::min<std::size_t>(size, 32));
  require(table.findFirst(probe) == table.findFirstLinear(probe), "index and pass disagree");
  return 0;
}
