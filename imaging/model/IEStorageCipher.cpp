#include "imaging/model/IEStorageCipher.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sys/mman.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "rtl/Exception.h"

namespace {

constexpr int kKeyBytes = 32;
constexpr int kBlockBytes = 16;

// The process key: drawn once, kept off swap where the system allows it, and
// wiped at exit. It is never written anywhere.
struct ProcessKey {
  alignas(64) unsigned char bytes[kKeyBytes];
  ProcessKey() {
    if (RAND_bytes(bytes, kKeyBytes) != 1) throw Exception("No random key for temporary storage");
    ::mlock(bytes, sizeof bytes);
  }
  ~ProcessKey() {
    OPENSSL_cleanse(bytes, sizeof bytes);
    ::munlock(bytes, sizeof bytes);
  }
};

const unsigned char* Key() {
  static ProcessKey key;
  return key.bytes;
}

// Nonces count up: two files of one process never share a key stream.
std::atomic<uint64_t> g_next_nonce{1};

}  // namespace

struct TIEStorageCipher::Context {
  EVP_CIPHER_CTX* ctx = nullptr;
  ~Context() { EVP_CIPHER_CTX_free(ctx); }
};

TIEStorageCipher::TIEStorageCipher()
    : context_(std::make_unique<Context>()), nonce_(g_next_nonce.fetch_add(1)) {
  context_->ctx = EVP_CIPHER_CTX_new();
  if (!context_->ctx || EVP_EncryptInit_ex(context_->ctx, EVP_aes_256_ctr(), nullptr, Key(), nullptr) != 1)
    throw Exception("Cannot set up the cipher of temporary storage");
}

TIEStorageCipher::~TIEStorageCipher() = default;

void TIEStorageCipher::Apply(int64_t Position, const uint8_t* In, uint8_t* Out, int64_t Size) {
  if (Size <= 0) return;
  // Counter block: the nonce, then the index of the 16-byte block, both big
  // endian; the library counts on from there.
  unsigned char iv[kBlockBytes];
  const uint64_t block = static_cast<uint64_t>(Position) / kBlockBytes;
  for (int i = 0; i < 8; ++i) {
    iv[i] = static_cast<unsigned char>(nonce_ >> (56 - 8 * i));
    iv[8 + i] = static_cast<unsigned char>(block >> (56 - 8 * i));
  }
  EVP_CIPHER_CTX* ctx = context_->ctx;
  if (EVP_EncryptInit_ex(ctx, nullptr, nullptr, nullptr, iv) != 1)
    throw Exception("Temporary storage cipher failed");
  int n = 0;
  // An area that starts inside a block skips the key stream bytes before it.
  const int skip = static_cast<int>(static_cast<uint64_t>(Position) % kBlockBytes);
  if (skip) {
    unsigned char scratch[kBlockBytes] = {};
    if (EVP_EncryptUpdate(ctx, scratch, &n, scratch, skip) != 1)
      throw Exception("Temporary storage cipher failed");
  }
  constexpr int64_t kChunk = 1 << 30;
  for (int64_t done = 0; done < Size; done += kChunk) {
    const int len = static_cast<int>(Size - done < kChunk ? Size - done : kChunk);
    if (EVP_EncryptUpdate(ctx, Out + done, &n, In + done, len) != 1)
      throw Exception("Temporary storage cipher failed");
  }
}
