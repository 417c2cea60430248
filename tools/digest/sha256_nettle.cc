#include <nettle/sha2.h>

#include "tools/digest/sha256.h"

namespace tovra {

struct Sha256::State {
  sha256_ctx context;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  sha256_init(&state_->context);
}

Sha256::~Sha256() = default;

void Sha256::Update(std::string_view bytes) {
  sha256_update(&state_->context, bytes.size(),
                reinterpret_cast<const uint8_t*>(bytes.data()));
}

std::string Sha256::HexDigest() {
  uint8_t digest[SHA256_DIGEST_SIZE];
  // Also starts the context over.
  sha256_digest(&state_->context, sizeof digest, digest);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

}  // namespace tovra
