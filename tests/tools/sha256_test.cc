// The SHA-256 of the system's library, on the standard's own examples, the
// bytes given in pieces of every size, and again after a digest (the object
// starts over).
#include "tools/digest/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Sha256Test, GivesTheDigestsOfTheStandardsExamples) {
  const struct {
    std::string bytes;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  tovra::Sha256 sha;
  for (const auto& c : cases) {
    for (size_t piece : {size_t{1}, size_t{63}, size_t{64}, size_t{65536}}) {
      SCOPED_TRACE(std::to_string(c.bytes.size()) + " bytes in pieces of " +
                   std::to_string(piece));
      for (size_t at = 0; at < c.bytes.size(); at += piece) {
        sha.Update(std::string_view(c.bytes).substr(at, piece));
      }
      EXPECT_EQ(sha.HexDigest(), c.digest);
    }
  }
}

}  // namespace
