// SHA-256 of bytes given piece by piece, from the system's own library:
// nettle on Linux and other POSIX systems, BCrypt on Windows. dsrtool's
// report names the file it describes by its checksum with it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tovra {

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // Adds the next piece of the bytes.
  void Update(std::string_view bytes);
  // The digest of every piece added, as 64 lower-case hex digits; the
  // object starts over afterwards.
  std::string HexDigest();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tovra
