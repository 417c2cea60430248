// BCrypt's SHA-256 provider, opened once per object; a provider or hash
// that cannot be had is the system's failure and raises std::runtime_error.
#include <stdexcept>
#include <string>

#include "tools/digest/sha256.h"

// bcrypt.h needs the types windows.h declares first.
// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

namespace tovra {

namespace {

void Check(NTSTATUS status, const char* what) {
  if (!BCRYPT_SUCCESS(status)) {
    throw std::runtime_error(std::string("SHA-256: ") + what + " failed");
  }
}

}  // namespace

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;

  void Start() {
    Check(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0),
          "BCryptCreateHash");
  }
  ~State() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  Check(BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM,
                                    nullptr, 0),
        "BCryptOpenAlgorithmProvider");
  state_->Start();
}

Sha256::~Sha256() = default;

void Sha256::Update(std::string_view bytes) {
  // BCryptHashData takes at most 4 GiB - 1 at a time.
  while (!bytes.empty()) {
    const ULONG size = static_cast<ULONG>(
        bytes.size() < 0x40000000u ? bytes.size() : 0x40000000u);
    Check(
        BCryptHashData(
            state_->hash,
            reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())), size, 0),
        "BCryptHashData");
    bytes.remove_prefix(size);
  }
}

std::string Sha256::HexDigest() {
  UCHAR digest[32];
  Check(BCryptFinishHash(state_->hash, digest, sizeof digest, 0),
        "BCryptFinishHash");
  BCryptDestroyHash(state_->hash);
  state_->hash = nullptr;
  state_->Start();
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (UCHAR byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

}  // namespace tovra
