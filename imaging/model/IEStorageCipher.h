// The cipher of temporary image storage. Whatever an image keeps in a
// temporary file is encrypted with AES-256 in counter mode under a key drawn
// at random once per process and held only in memory, so the file holds no
// readable pixels even while it is open or after the program dies. Each
// stored file has a nonce of its own; byte N of the file is combined with
// byte N of its key stream, so any area can be read or written on its own.
#pragma once

#include <cstdint>
#include <memory>

class TIEStorageCipher {
 public:
  // A cipher with a nonce no other cipher of this process uses.
  TIEStorageCipher();
  ~TIEStorageCipher();
  TIEStorageCipher(const TIEStorageCipher&) = delete;
  TIEStorageCipher& operator=(const TIEStorageCipher&) = delete;

  // Out = In combined with the key stream at file offset Position (the same
  // operation encrypts and decrypts). In and Out may be the same block.
  void Apply(int64_t Position, const uint8_t* In, uint8_t* Out, int64_t Size);

 private:
  struct Context;
  std::unique_ptr<Context> context_;
  uint64_t nonce_;
};
