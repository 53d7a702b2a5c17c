// The terminal key decoder on any byte stream, with the waits for the rest of
// a sequence running out at any point. Invariants: every key is a byte value
// or a named key code; never more keys than bytes; nothing pending after a
// timeout; and where no escape sequence or multi-byte character can begin,
// the keys are the bytes themselves.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/keyboard.h"
#include "platform/posix/key_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  // Integral values are taken from the end, the bytes fed from the front.
  const bool utf8 = provider.ConsumeBool();
  const std::uint64_t timeouts = provider.ConsumeIntegral<std::uint64_t>();
  const std::vector<std::uint8_t> bytes = provider.ConsumeRemainingBytes<std::uint8_t>();

  shiori::KeyDecoder decoder(utf8);
  std::vector<int> keys;
  auto drain = [&] {
    int key;
    while (decoder.Next(&key)) {
      FUZZ_CHECK((key >= 0 && key <= 0xFF) ||
                 (key > shiori::kKeySpecial && key <= shiori::kKeyOtherSpecial));
      keys.push_back(key);
    }
    FUZZ_CHECK(!decoder.HasKey());
  };
  bool plain = true;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t b = bytes[i];
    if (b == 0x1B || (utf8 && b >= 0x80)) plain = false;
    decoder.Feed(b);
    drain();
    const int wait = decoder.PendingWaitMs();
    FUZZ_CHECK(wait == -1 || wait == shiori::KeyDecoder::kEscapeWaitMs ||
               wait == shiori::KeyDecoder::kSequenceWaitMs);
    if ((timeouts >> (i % 64)) & 1) {
      decoder.Timeout();
      FUZZ_CHECK(decoder.PendingWaitMs() == -1);
      drain();
    }
  }
  decoder.Timeout();
  drain();
  FUZZ_CHECK(decoder.PendingWaitMs() == -1);
  FUZZ_CHECK(keys.size() <= bytes.size());
  if (plain) FUZZ_CHECK(keys == std::vector<int>(bytes.begin(), bytes.end()));
  return 0;
}
